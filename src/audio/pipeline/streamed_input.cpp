#include "audio/pipeline/streamed_input.h"

TStreamedInput::TStreamedInput(QObject* AOwner) : TAudioInput(AOwner) {}
