#pragma once

// Path and key rules of the main window, kept apart so they can be checked on their own.
// Pure functions; any thread.

#include <QString>
#include <Qt>

// Everything up to and including the last "/" (empty when there is none).
QString FolderPart(const QString& path);

// The path with the extension of its last component replaced by `ext` (".mp3"); a name
// without an extension gets `ext` appended.
QString ChangeFileExt(const QString& path, const QString& ext);

// The Windows virtual-key code of a Qt key: letters and digits keep their codes (65-90,
// 48-57), Delete is 46, Insert 45, the arrows 37-40, Tab 9, keypad digits 96-105; every
// other key answers 0.
int WindowsKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);

// The system's text for "file exists" without trailing blanks, control characters and
// full stops.
QString FileExistsText();
