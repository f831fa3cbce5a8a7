#pragma once

#include "base/exception.h"
#include "media/media_result.h"

#include <cstdint>

// A failure of the media layer while reading a source's sound track: the message of the
// result code, and the code itself.
class EAudioReadError : public Exception {
public:
    EAudioReadError(QString message, int32_t code)
        : Exception(std::move(message)), ErrorCode(code) {}
    int32_t ErrorCode;
};

// 0 passes; any other code, positive ones included, raises EAudioReadError with the
// code's text.
void CheckStreamResult(media::TMediaResult code);
