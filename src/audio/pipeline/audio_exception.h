#pragma once

#include "base/exception.h"

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
