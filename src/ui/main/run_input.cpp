#include "ui/main/run_input.h"

#include "audio/pipeline/audio_exception.h"
#include "audio/pipeline/stream_audio_in.h"

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

void TRunInput::SetFormat(const TPcmFormat& format) {
    // The decoder delivers the output's rate: its resampler is cheaper than the encoder's
    // and sounds the same. Samples stay float for a lossy format: the encoder takes them as
    // they are, without requantising them to 16 bits; FLAC gets the source's own.
    FInput->FormatOverride = format;
}

void TRunInput::SetFileName(const QString& fileName) {
    FInput->FileName = fileName;
}

void TRunInput::SetAudioTrack(int track) {
    FInput->AudioTrack = track;
}

void TRunInput::SetDownmix(TDownmix mix) {
    FInput->Downmix = mix;
}

void TRunInput::OpenSource() {
    FInput->OpenSource();
}

void TRunInput::ReopenAtRate(int32_t outputRate) {
    FInput->ReopenAtRate(outputRate);
}

const TAudioFileReader& TRunInput::Reader() const {
    if (!FInput->Reader())
        throw EAudioException(QCoreApplication::translate("RunInput", "The Stream is not opened"));
    return *FInput->Reader();
}
