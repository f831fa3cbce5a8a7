// main() of the tests that link the rip engine alone: no widgets, no GUI application.
#include "support/test_home.h"

#include <QCoreApplication>
#include <QDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/sonavel-test-XXXXXX"));
    SetUpTestHome(root);
    QCoreApplication app(argc, argv);
    SetUpProgramGlobals();
    return RUN_ALL_TESTS();
}
