#include "audio/audio_input.h"

TAudioInput::TAudioInput(QObject* AOwner) : QObject(AOwner) {}

TAudioInput::~TAudioInput() = default;

int TAudioInput::GetLengthSeconds() {
    return 0;
}

void TAudioInput::ResetInput() {
    try {
        EndRead();
    } catch (...) {
        // A reset must succeed even when the source is already in a bad state.
    }
    Busy = false;
}
