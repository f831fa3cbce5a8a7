#include "audio/pipeline/audio_file_out.h"

TAudioFileOut::TAudioFileOut(QObject* AOwner) : TStreamedOutput(AOwner) {}

void TAudioFileOut::SetFileMode(TFileOutputMode) {
    FFileMode = foRewrite;
}
