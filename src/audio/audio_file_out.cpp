#include "audio/audio_file_out.h"

TAudioFileOut::TAudioFileOut(QObject* AOwner) : TStreamedOutput(AOwner) {}

void TAudioFileOut::SetFileMode(TFileOutputMode) {
    FFileMode = foRewrite;
}
