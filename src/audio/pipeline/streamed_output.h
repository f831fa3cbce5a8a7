#pragma once

#include "audio/pipeline/audio_output.h"

class QIODevice;

// An output that writes a byte stream: a file it creates itself, or a stream its owner
// supplies (StreamAssigned; then the output neither creates nor frees it).
// Threads: as TAudioOutput; Stream is used by one thread at a time during a run.
class TStreamedOutput : public TAudioOutput {
    Q_OBJECT
public:
    explicit TStreamedOutput(QObject* AOwner = nullptr);

    QIODevice* Stream = nullptr;
    bool StreamAssigned = false;
};
