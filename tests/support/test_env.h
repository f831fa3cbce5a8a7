#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Each test process gets its own temporary home: HOME, XDG folders, SONAVEL_REGISTRY
// and SONAVEL_DATA_DIR point into it (set by the test main), so no test touches the
// user's real settings. ProgramDir is the build's bin folder.

// The per-process temporary root (ends without "/").
QString TestRoot();

// A fresh, empty folder under the test root, unique per call.
QString FreshDir(const QString& hint = QStringLiteral("dir"));

// Path of a generated fixture (build/fixtures/NAME).
QString FixturePath(const QString& name);

// The build's bin folder, where the program and its data files are.
QString BinDir();

// The files left in a folder, hidden ones too, by name.
QStringList FilesIn(const QString& dir);

// Writes bytes to a file, creating folders; returns false on failure.
bool WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);
