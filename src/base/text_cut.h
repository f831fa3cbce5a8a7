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
