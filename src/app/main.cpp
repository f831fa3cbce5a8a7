// Program body: start-up in the documented order, then the event loop.
#include "app/globals.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--version")) {
            std::printf("sonavel %s\n", SONAVEL_VERSION);
            return 0;
        }
    }
    QApplication app(argc, argv);
    ProgramDir = QCoreApplication::applicationDirPath() + u'/';
    FillBitrateTable();
    SetProgramConstants();
    QApplication::setApplicationName(AppTitle);
    return 0;
}
