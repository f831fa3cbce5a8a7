#include "audio/pipeline/streamed_output.h"

TStreamedOutput::TStreamedOutput(QObject* AOwner) : TAudioOutput(AOwner) {}
