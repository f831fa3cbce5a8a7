#include "audio/pipeline/audio_file_in.h"

#include "audio/pipeline/audio_exception.h"

#include <QCoreApplication>

namespace {

// Keeps a source open for the length of a scope, so that an exception still closes it.
class TOpenGuard {
public:
    explicit TOpenGuard(TAudioFileIn& Input) : FInput(Input) { FInput.OpenSource(); }
    ~TOpenGuard() {
        if (FClose)
            FInput.CloseSource();
    }
    void Keep() { FClose = false; }
    TOpenGuard(const TOpenGuard&) = delete;
    TOpenGuard& operator=(const TOpenGuard&) = delete;

private:
    TAudioFileIn& FInput;
    bool FClose = true;
};

// Rounds Num / Den to the nearest integer, ties to even; Den > 0.
int64_t RoundDiv(int64_t Num, int64_t Den) {
    int64_t q = Num / Den, r = Num % Den;
    if (r < 0) {
        --q;
        r += Den;
    }
    if (2 * r > Den || (2 * r == Den && (q & 1)))
        ++q;
    return q;
}

} // namespace

TAudioFileIn::TAudioFileIn(QObject* AOwner) : TStreamedInput(AOwner) {}

int TAudioFileIn::Query(const int32_t& Value) {
    if (!OpenForQueries)
        return Value;
    TOpenGuard open(*this);
    return Value;
}

int TAudioFileIn::GetBitsPerSample() {
    return Query(BitsPerSampleValue);
}
int TAudioFileIn::GetChannels() {
    return Query(ChannelsValue);
}
int TAudioFileIn::GetSampleRate() {
    return Query(SampleRateValue);
}

int TAudioFileIn::GetLengthSeconds() {
    TOpenGuard open(*this);
    const int64_t bytesPerSecond =
        int64_t(SampleRateValue) * ChannelsValue * (BitsPerSampleValue / 8);
    if (bytesPerSecond <= 0)
        return 0;
    return int(RoundDiv(Size, bytesPerSecond));
}

void TAudioFileIn::BeginRead() {
    if (Busy)
        throw EAudioException(
            QCoreApplication::translate("AudioPipeline", "The component is Busy"));
    if (!StreamAssigned && FileName.isEmpty())
        throw EAudioException(
            QCoreApplication::translate("AudioPipeline", "The file name is not assigned"));
    TOpenGuard open(*this);
    if (StartSample != 0)
        SeekFrame(StartSample);
    if (StartSample != 0 || EndSample != -1) {
        int64_t frames = (EndSample == -1 ? TotalSamples : EndSample) - StartSample;
        // A range that ends before it starts holds nothing.
        if (frames < 0)
            frames = 0;
        Size = frames * (GetBitsPerSample() / 8) * ChannelsValue;
    }
    open.Keep();
    Busy = true;
    BufStart = 1;
    BufEnd = 0;
    Position = 0;
}

void TAudioFileIn::EndRead() {
    CloseSource();
    Busy = false;
}

void TAudioFileIn::ResetInput() {
    TStreamedInput::ResetInput();
    OpenCount = 0;
}
