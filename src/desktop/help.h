#pragma once

#include <QString>

// Opens the program's HTML help in the user's browser without waiting; a non-empty topic
// becomes the page anchor. False when no browser could be started (the caller says so:
// HelpProblem). GUI thread only.
bool ShowHelp(const QString& topic = QString());
// What to tell the user when ShowHelp answered false.
QString HelpProblem();
