#pragma once

#include "audio/pipeline/audio_input.h"

// An input whose data come from a file or from a stream its owner supplies.
// Threads: as TAudioInput.
class TStreamedInput : public TAudioInput {
    Q_OBJECT
public:
    explicit TStreamedInput(QObject* AOwner = nullptr);

    // The data come from a stream supplied by the owner, so no file name is required.
    bool StreamAssigned = false;
    // Each format query opens the source around the query (see TAudioFileIn).
    bool OpenForQueries = true;
};
