#pragma once

// Loading and saving of AppSettings and TipsIndex in the settings hive. GUI thread.

#include <QString>

// The user's documents folder where it exists, else the home folder; `path` is left
// unchanged when the system cannot tell.
void GetDocumentsFolder(QString& path);
// Where MP3s go until the user picks a folder: the music folder, else the documents folder,
// whichever exists first, else the home folder. Never a folder that is not there.
QString DefaultOutputFolder();

// Fills AppSettings and TipsIndex, creating the store, the key and missing values. Never
// raises: a store that can be read but not written is used as it is (defaults for what it
// lacks), one that cannot be written and holds nothing yields the defaults with ProgramDir
// as InputFileDir; why is kept for the user (SettingsProblem). Values that are there
// already are not written again, so the store's file stays as it is.
void LoadSettings();

// Writes AppSettings and TipsIndex back. A store that cannot be written saves nothing and
// a refused write ends the save at that value; both answer false and keep why.
bool SaveSettings();

// Where the settings should have gone and why they could not be kept there (the
// system's text), when the last LoadSettings or SaveSettings could not write them;
// empty otherwise.
QString SettingsProblem();
// The same in one line, for the command line; empty when there is none.
QString SettingsProblemLine();
