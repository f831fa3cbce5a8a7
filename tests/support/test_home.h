#pragma once

#include <QTemporaryDir>

// Points HOME, the XDG folders, SONAVEL_REGISTRY and SONAVEL_DATA_DIR into a fresh temporary
// root (TestRoot()), so that nothing a test or a program it starts does reaches the user's
// own folders. Call first thing in main(), before any Qt application object exists.
void SetUpTestHome(QTemporaryDir& root);

// The program's globals as start-up sets them, with the build's bin folder as its own.
void SetUpProgramGlobals();
