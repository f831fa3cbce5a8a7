#pragma once

// The media layer's error: EDirectShowException carries the failing result code, and
// CheckMediaResult turns a failing code into one. MediaErrorText gives the text of a
// code. Any thread.

#include "base/exception.h"
#include "mediagraph/media_types.h"

class EDirectShowException : public Exception {
public:
    EDirectShowException(QString message, media::HRESULT code)
        : Exception(std::move(message)), FErrorCode(code) {}
    media::HRESULT ErrorCode() const { return FErrorCode; }

private:
    media::HRESULT FErrorCode;
};

// The text for a result code, at most 255 characters.
QString MediaErrorText(media::HRESULT code);

// Returns a non-negative code unchanged; raises EDirectShowException for a negative
// one with the message "<text> ($<CODE>)." (upper-case hex, no leading zeros).
media::HRESULT CheckMediaResult(media::HRESULT code);
