// The one main() of every test executable that shows widgets: a temporary home for the
// process, the program's globals as start-up sets them, and a QApplication on the offscreen
// platform.
#include "support/test_home.h"

#include <QApplication>
#include <QDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/sonavel-test-XXXXXX"));
    SetUpTestHome(root);
    QApplication app(argc, argv);
    SetUpProgramGlobals();
    return RUN_ALL_TESTS();
}
