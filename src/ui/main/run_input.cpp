#include "ui/main/run_input.h"

#include "audio/audio_exception.h"
#include "audio/stream_audio_in.h"

#include <QCoreApplication>

TRunInput::TRunInput(QObject* owner) : FInput(new TStreamAudioIn(owner)) {}

TRunInput::~TRunInput() {
    // The output lets go of a destroyed input; the source is closed with it.
    FInput->ResetInput();
    delete FInput;
}

TAudioInput* TRunInput::Input() const {
    return FInput;
}

void TRunInput::SetFormatOverride(int32_t low, int32_t high, int32_t outputRate) {
    // Without a format of the source's own, the decoder delivers the output's rate: its
    // resampler is cheaper than the encoder's and sounds the same. Samples stay float
    // unless a width is given: the encoder takes them as they are, without requantising
    // them to 16 bits (and spends less time on what would otherwise be added noise).
    int64_t format =
        (low || high) ? (int64_t(uint32_t(high)) << 32) | uint32_t(low) : int64_t(outputRate) << 32;
    if (((format >> 16) & 0xFFFF) == 0)
        format |= int64_t(TAudioInput::FloatBits) << 16;
    FInput->FormatOverride = format;
}

void TRunInput::SetFileName(const QString& fileName) {
    FInput->FileName = fileName;
}

void TRunInput::SetAudioTrack(int track) {
    FInput->AudioTrack = track;
}

void TRunInput::OpenSource() {
    FInput->OpenSource();
}

const TAudioFileReader& TRunInput::Reader() const {
    if (!FInput->Reader())
        throw EAudioException(QCoreApplication::translate("RunInput", "The Stream is not opened"));
    return *FInput->Reader();
}
