#pragma once

// Loading and saving of AppSettings and TipsIndex in the settings hive. GUI thread.

#include <QString>

// The user's documents folder; `path` is left unchanged when the system cannot tell.
void GetDocumentsFolder(QString& path);

// Fills AppSettings and TipsIndex, creating the key and missing values. Never raises:
// a store that cannot be written yields the defaults with ProgramDir as InputFileDir.
void LoadSettings();

// Writes AppSettings and TipsIndex back; saves nothing when the key does not open.
// A refused write ends the save at that value and raises.
void SaveSettings();
