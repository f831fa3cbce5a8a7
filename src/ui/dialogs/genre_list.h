#pragma once

// The 164 genre names the tag editor offers, in ID3v1 numbering order (with the common
// extensions), "Unknown" last. Immutable; any thread.

#include <QStringList>

const QStringList& GenreNames();
