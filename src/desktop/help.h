#pragma once

#include <QString>

// Opens the program's HTML help in the user's browser without waiting; a non-empty topic
// becomes the page anchor. GUI thread only.
void ShowHelp(const QString& topic = QString());
