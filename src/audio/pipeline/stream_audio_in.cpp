#include "audio/pipeline/stream_audio_in.h"

#include "audio/pipeline/audio_exception.h"
#include "audio/pipeline/audio_part_reader.h"
#include "media/media_input.h"
#include "media/source_file.h"

#include <QCoreApplication>

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
        std::shared_ptr<const media::TSourceFile> file;
        if (!media::IsDvdTitleSource(FileName))
            file = media::TSourceFile::Open(FileName);
        auto reader =
            std::make_unique<TAudioFileReader>(FileName, FormatOverride, AudioTrack, file);
        const TPcmFormat& format = reader->Format;
        // From the length in samples, so a source under a second has its true size and an
        // unknown length stays 0 rather than dividing by it.
        const int64_t size = reader->DurationSamples * format.BlockAlign();
        Size = size;
        TicksPerByte = size > 0 ? reader->Duration.Units() / size : 0;
        SampleRateValue = format.sampleRate;
        BitsPerSampleValue = format.bitsPerSample;
        ChannelsValue = format.channels;
        TotalSamples = reader->DurationSamples;
        OpenForQueries = true;
        FReader = std::move(reader);
        FFile = std::move(file);
    }
    ++OpenCount;
}

void TStreamAudioIn::CloseSource() {
    if (OpenCount == 1) {
        FReader.reset();
        FFile.reset();
    }
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
        throw EAudioException(
            QCoreApplication::translate("AudioPipeline", "The Stream is not opened"));
    return *FReader;
}

void TStreamAudioIn::SetStartTime(TMediaTime Time) {
    OpenReader().SetStartTime(Time);
}

void TStreamAudioIn::SetLength(TMediaTime Time) {
    OpenReader().SetLength(Time);
}

int ReadExpanded(TAudioFileReader& Reader, uint8_t* Buffer, int Capacity) {
    int chunk = Capacity;
    if (Reader.MonoToStereo)
        chunk /= 2;
    if (Reader.Widen8To16)
        chunk /= 2;
    int got = Reader.Read(Buffer, chunk);
    if (Reader.Widen8To16) {
        Widen8To16InPlace(Buffer, got);
        got *= 2;
    }
    if (Reader.MonoToStereo) {
        MonoToStereoInPlace(Buffer, got, Reader.Format.bitsPerSample / 8);
        got *= 2;
    }
    return got;
}

void CheckSourceUnchanged(const media::TSourceFile* File) {
    if (File && File->Changed())
        CheckStreamResult(media::MS_E_SOURCECHANGED);
}

int TStreamAudioIn::Refill() {
    TAudioFileReader& reader = OpenReader();
    const int got = ReadExpanded(reader, FReadBuffer.data(), ReadBufferSize);
    NoteHoles(reader);
    if (got == 0) // the end of the range, or of what is left of the file
        CheckSourceUnchanged(FFile.get());
    return got;
}

void TStreamAudioIn::NoteHoles(const TAudioFileReader& Reader) {
    const auto& holes = Reader.Holes();
    if (holes.empty())
        return;
    std::lock_guard lock(FHolesLock);
    for (const auto& hole : holes)
        if (std::find(FHoles.begin(), FHoles.end(), hole) == FHoles.end())
            FHoles.push_back(hole);
}

int64_t TStreamAudioIn::FilledFrames(int64_t First, int64_t Frames) const {
    if (!FReader)
        return 0;
    const int64_t from = RangeFirstSample() + First, to = from + Frames;
    std::lock_guard lock(FHolesLock);
    // Parts decode around their stretches: the same hole may be noted from both sides.
    std::vector<std::pair<int64_t, int64_t>> holes = FHoles;
    std::sort(holes.begin(), holes.end());
    int64_t filled = 0, covered = from;
    for (const auto& [first, end] : holes) {
        const int64_t a = std::max(first, covered), b = std::min(end, to);
        if (b > a) {
            filled += b - a;
            covered = b;
        }
    }
    return filled;
}

int TStreamAudioIn::ReadData(void* Buffer, int BufferSize) {
    if (!Busy || FReadBuffer.empty())
        throw Exception(QCoreApplication::translate("AudioPipeline", "The Stream is not opened"));
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
        const int got = Refill();
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

namespace {

// One stretch of the time line through a reader of its own: the same decoding, exact seek
// and expansion as the input's, cut to the part's frames. Frames before the source's first
// sample (a stretch asked from before the time line's start, or a stream whose sound starts
// late) are silence, so the part keeps its place on the time line.
class TStreamPart : public TAudioPartReader {
public:
    TStreamPart(TStreamAudioIn& Input, std::unique_ptr<TAudioFileReader> Reader,
                std::shared_ptr<const media::TSourceFile> File, int64_t First, int64_t Frames)
        : FInput(Input), FReader(std::move(Reader)), FFile(std::move(File)),
          FFrameBytes(FReader->Format.BlockAlign()), FAsked(std::max<int64_t>(First, 0)),
          FLeft(Frames), FSilence(std::max<int64_t>(-First, 0)),
          FBlock(TStreamAudioIn::ReadBufferSize) {}

    int Read(void* Buffer, int Frames) override {
        auto* out = static_cast<uint8_t*>(Buffer);
        int done = 0;
        while (done < Frames && FLeft > 0) {
            if (FSilence > 0) {
                const int n = int(std::min<int64_t>({FSilence, Frames - done, FLeft}));
                std::memset(out + size_t(done) * size_t(FFrameBytes), 0,
                            size_t(n) * size_t(FFrameBytes));
                FSilence -= n;
                FLeft -= n;
                done += n;
                continue;
            }
            if (FAt == FEnd) {
                FAt = 0;
                FEnd = ReadExpanded(*FReader, FBlock.data(), int(FBlock.size()));
                FInput.NoteHoles(*FReader);
                if (FEnd <= 0) {
                    FEnd = 0;
                    break;
                }
                if (!FPlaced) {
                    // The sound may begin after the first sample asked for.
                    FPlaced = true;
                    if (FReader->FirstSampleRead > FAsked) {
                        FSilence = FReader->FirstSampleRead - FAsked;
                        continue;
                    }
                }
            }
            const int n =
                int(std::min<int64_t>({(FEnd - FAt) / FFrameBytes, Frames - done, FLeft}));
            std::memcpy(out + size_t(done) * size_t(FFrameBytes), FBlock.data() + FAt,
                        size_t(n) * size_t(FFrameBytes));
            FAt += n * FFrameBytes;
            done += n;
            FLeft -= n;
        }
        // The part is over (all of it read, or the source ended): what it read must be
        // what the run opened.
        if (done < Frames)
            CheckSourceUnchanged(FFile.get());
        return done;
    }
    void Interrupt() override { FReader->Interrupt(); }

private:
    TStreamAudioIn& FInput; // outlives its parts: a run's parts end before the run
    std::unique_ptr<TAudioFileReader> FReader;
    std::shared_ptr<const media::TSourceFile> FFile;
    int FFrameBytes;
    int64_t FAsked;
    int64_t FLeft;
    int64_t FSilence;
    bool FPlaced = false;
    std::vector<uint8_t> FBlock;
    int FAt = 0, FEnd = 0;
};

} // namespace

int64_t TStreamAudioIn::RangeFirstSample() const {
    const TAudioFileReader& reader = OpenReader();
    return reader.TimeToSample(reader.StartTime);
}

int64_t TStreamAudioIn::RunFrames() {
    if (!FReader)
        return -1;
    const TAudioFileReader& reader = *FReader;
    const int64_t first = RangeFirstSample();
    int64_t end = reader.DurationSamples;
    if (reader.LengthTime != TMediaTime()) {
        const int64_t rangeEnd = reader.TimeToSample(reader.StartTime + reader.LengthTime);
        end = end > 0 ? std::min(end, rangeEnd) : rangeEnd;
    }
    return end > first ? end - first : -1;
}

std::unique_ptr<TAudioPartReader> TStreamAudioIn::OpenPart(int64_t First, int64_t Frames) {
    const int64_t first = RangeFirstSample() + First;
    auto reader = std::make_unique<TAudioFileReader>(FileName, FormatOverride, AudioTrack, FFile);
    // Times round down and samples up, so the part starts and ends on exactly these samples.
    const int64_t from = std::max<int64_t>(first, 0);
    reader->SetStartTime(reader->SampleToTime(from));
    if (Frames >= 0) {
        const int64_t to = std::max(first + Frames, from + 1);
        reader->SetLength(reader->SampleToTime(to) - reader->SampleToTime(from));
    }
    return std::make_unique<TStreamPart>(*this, std::move(reader), FFile, first,
                                         Frames >= 0 ? Frames : INT64_MAX);
}

TMediaTime TStreamAudioIn::CurrentTime() const {
    return FReader ? FReader->CurrentTime.load() : TMediaTime();
}
