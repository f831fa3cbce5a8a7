#include "audio/stream_audio_in.h"

#include "audio/audio_exception.h"

#include <algorithm>
#include <cstring>

void Widen8To16InPlace(uint8_t* Data, int Count) {
    for (int k = Count - 1; k >= 0; --k) {
        const uint8_t v = Data[k];
        Data[2 * k] = 0;
        Data[2 * k + 1] = uint8_t(v ^ 0x80);
    }
}

void MonoToStereoInPlace(uint8_t* Data, int Count, int SampleBytes) {
    uint8_t sample[8];
    if (SampleBytes <= 0 || SampleBytes > int(sizeof sample))
        return;
    const size_t size = size_t(SampleBytes);
    for (int m = Count / SampleBytes - 1; m >= 0; --m) {
        std::memcpy(sample, Data + size_t(m) * size, size);
        std::memcpy(Data + 2 * size_t(m) * size, sample, size);
        std::memcpy(Data + (2 * size_t(m) + 1) * size, sample, size);
    }
}

TStreamAudioIn::TStreamAudioIn(QObject* AOwner) : TAudioFileIn(AOwner) {}

TStreamAudioIn::~TStreamAudioIn() = default;

void TStreamAudioIn::OpenSource() {
    if (OpenCount == 0) {
        auto reader = std::make_unique<TAudioFileReader>(FileName, FormatOverride, AudioTrack);
        const TPcmFormat& format = reader->Format;
        // From the length in samples, so a source under a second has its true size and an
        // unknown length stays 0 rather than dividing by it.
        const int64_t size = reader->DurationSamples * format.BlockAlign();
        Size = size;
        TicksPerByte = size > 0 ? reader->Duration / size : 0;
        SampleRateValue = format.sampleRate;
        BitsPerSampleValue = format.bitsPerSample;
        ChannelsValue = format.channels;
        TotalSamples = reader->DurationSamples;
        OpenForQueries = true;
        FReader = std::move(reader);
    }
    ++OpenCount;
}

void TStreamAudioIn::CloseSource() {
    if (OpenCount == 1)
        FReader.reset();
    if (OpenCount > 0)
        --OpenCount;
}

void TStreamAudioIn::SeekFrame(int64_t Frame) {
    PendingSeek = Frame;
}

void TStreamAudioIn::BeginRead() {
    TAudioFileIn::BeginRead();
    if (FReader)
        FReader->Resume();
    FReadBuffer.assign(ReadBufferSize, 0);
}

void TStreamAudioIn::Interrupt() {
    if (FReader)
        FReader->Interrupt();
}

void TStreamAudioIn::EndRead() {
    TAudioFileIn::EndRead();
    FReadBuffer = {};
}

TAudioFileReader& TStreamAudioIn::OpenReader() const {
    if (!FReader)
        throw EAudioException(QStringLiteral("The Stream is not opened"));
    return *FReader;
}

void TStreamAudioIn::SetStartTime(int64_t Time) {
    OpenReader().SetStartTime(Time);
}

void TStreamAudioIn::SetLength(int64_t Time) {
    OpenReader().SetLength(Time);
}

int TStreamAudioIn::Refill() {
    TAudioFileReader& reader = OpenReader();
    int chunk = ReadBufferSize;
    if (reader.MonoToStereo)
        chunk /= 2;
    if (reader.Widen8To16)
        chunk /= 2;
    int got = reader.Read(FReadBuffer.data(), chunk);
    if (reader.Widen8To16) {
        Widen8To16InPlace(FReadBuffer.data(), got);
        got *= 2;
    }
    if (reader.MonoToStereo) {
        MonoToStereoInPlace(FReadBuffer.data(), got, reader.Format.bitsPerSample / 8);
        got *= 2;
    }
    return got;
}

int TStreamAudioIn::ReadData(void* Buffer, int BufferSize) {
    if (!Busy || FReadBuffer.empty())
        throw Exception(QStringLiteral("The Stream is not opened"));
    if (BufStart > BufEnd) {
        TAudioFileReader& reader = OpenReader();
        if (PendingSeek != 0) {
            const int align = reader.Format.BlockAlign();
            int64_t frame = std::max<int64_t>(PendingSeek, 0);
            if (Size > 0)
                frame = std::min<int64_t>(frame, Size / align);
            Position = frame * align;
            reader.SetPosition(reader.SampleToTime(frame));
            PendingSeek = 0;
        }
        BufStart = 1;
        int got = Refill();
        if (got == 0 && Loop) {
            reader.SetPosition(0);
            got = Refill();
        }
        if (got == 0)
            return 0;
        BufEnd = got;
    }
    const int n = std::min(BufferSize, BufEnd - BufStart + 1);
    std::memcpy(Buffer, FReadBuffer.data() + (BufStart - 1), size_t(n));
    BufStart += n;
    Position += n;
    return n;
}
