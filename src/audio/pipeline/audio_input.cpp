#include "audio/pipeline/audio_input.h"

#include "audio/pipeline/audio_part_reader.h"

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

std::unique_ptr<TAudioPartReader> TAudioInput::OpenPart(int64_t, int64_t) {
    return nullptr;
}
