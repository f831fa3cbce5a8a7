#pragma once

#include "base/exception.h"

#include <cstdint>

// The audio pipeline's error: raised by inputs, outputs and the encoder binding.
// It carries only its message.
class EAudioException : public Exception {
public:
    using Exception::Exception;
};

// A rip's range holds no sound of the source (it lies past the source's end).
class ENoSoundError : public EAudioException {
public:
    using EAudioException::EAudioException;
};

// The source's sound ends before the end a rip's range was given: the file would be short.
// SoundEnd and RangeEnd are frames of the rip's time line (the input's, from its range's
// start), for the caller to tell as times.
class ESoundEndsError : public EAudioException {
public:
    ESoundEndsError(QString Message, int64_t ASoundEnd, int64_t ARangeEnd)
        : EAudioException(std::move(Message)), SoundEnd(ASoundEnd), RangeEnd(ARangeEnd) {}
    int64_t SoundEnd, RangeEnd;
};
