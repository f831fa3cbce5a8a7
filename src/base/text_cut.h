#pragma once

// Cutting user texts to a length counted in characters. QString counts UTF-16 units, so a
// cut by QString::left can split a character outside the Basic Multilingual Plane (an
// emoji, a rare CJK ideograph) and leave half a surrogate pair, which the encoders write
// as a malformed text. Any thread.

#include <QString>

// The longest ID3 tag text, in code points.
inline constexpr int kTagTextMax = 255;

// The first `count` code points of `text`; a surrogate pair is kept or dropped whole.
QString LeftCodePoints(const QString& text, int count);

// The longest start of `text` whose UTF-8 form fits in `bytes`, cut at a whole code point,
// in one pass (a name cut from a title of a million characters takes no longer than
// reading it).
QString LeftUtf8Bytes(const QString& text, qsizetype bytes);
