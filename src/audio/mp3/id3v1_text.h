#pragma once

#include <QByteArray>
#include <QString>

// What an ID3v1 field (Latin-1, 30 bytes, read by devices that know nothing else) can hold
// of a text faithfully: the text itself when Latin-1 has every character; otherwise ICU's
// transliteration into Latin letters ("Первая песня" -> "Pervaa pesna"); empty when even
// that leaves characters Latin-1 lacks. Never a '?' in place of a character.
// Threads: any (the transliterator is shared under a lock).
QByteArray Id3v1Text(const QString& Text);
