#include "ui/main/run_input.h"

#include "ui/main/interim_stream_in.h"

TRunInput::TRunInput(QObject* owner) : FInput(new TInterimStreamIn(owner)) {}

TRunInput::~TRunInput() {
    // The output lets go of a destroyed input; the source is closed with it.
    FInput->ResetInput();
    delete FInput;
}

TAudioInput* TRunInput::Input() const {
    return FInput;
}

void TRunInput::SetFormatOverride(int32_t low, int32_t high) {
    FInput->FormatOverride = (int64_t(uint32_t(high)) << 32) | uint32_t(low);
}

void TRunInput::SetFileName(const QString& fileName) {
    FInput->FileName = fileName;
}

void TRunInput::OpenSource() {
    FInput->OpenSource();
}

void TRunInput::SetStartTime(int64_t time) {
    FInput->SetStartTime(time);
}

void TRunInput::SetLength(int64_t time) {
    FInput->SetLength(time);
}

int64_t TRunInput::CurrentTime() const {
    return FInput->CurrentTime();
}
