#pragma once

#include "audio/pipeline/streamed_output.h"

#include <QString>

#include <cstdint>

enum TFileOutputMode : int { foRewrite, foAppend };

// An output that writes a named file. Threads: configured on the main thread, between
// runs.
class TAudioFileOut : public TStreamedOutput {
    Q_OBJECT
public:
    explicit TAudioFileOut(QObject* AOwner = nullptr);

    QString FileName;

    // Files are always written anew: the setter stores foRewrite whatever it is given.
    TFileOutputMode FileMode() const { return FFileMode; }
    virtual void SetFileMode(TFileOutputMode Value);

protected:
    // Access rights handed to file creation (0: the output's own choice).
    int32_t FAccessMask = 0;

private:
    TFileOutputMode FFileMode = foRewrite;
};
