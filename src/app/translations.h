#pragma once

#include <QString>

// The program's texts in the user's language: the catalogue for the system locale (German
// as "sonavel_de.qm"), from the build tree's translations folder beside the executable or
// the installed share/sonavel/translations; Qt's own catalogue for its dialogs beside it.
// English, the source language, needs none and is what stays when no catalogue fits.
// Installs on the current application object; call again after making another one.
// GUI (main) thread only, before any text is made.
void LoadTranslations();

// The folder the program's catalogues are read from (ends in "/").
QString TranslationsDir();
