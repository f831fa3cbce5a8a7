#pragma once

#include "audio/pipeline/audio_file_in.h"
#include "audio/pipeline/audio_file_reader.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

// The pipeline input that decodes a source's sound track: opens a TAudioFileReader for
// FileName, reports stereo PCM whatever the source holds (mono is duplicated in place in
// its block buffer) and serves the decoded data in pieces of whatever size the output
// asks for. The samples are 32-bit float (full scale +-1.0) when FormatOverride asks for
// 32 bits, which any source is converted to once while decoding; otherwise 16-bit (8-bit
// sound is widened in place). The range is set on the open source as times
// (SetStartTime, SetLength); Size is the whole source's length in bytes of the PCM
// delivered.
//
// Threads: created, opened and ranged on the main thread; ReadData and the run's EndRead
// on the output's worker. CurrentTime() may be polled from the main thread while a run
// goes on (the reader stays open as long as the main thread's own OpenSource holds it).
class TStreamAudioIn : public TAudioFileIn {
    Q_OBJECT
public:
    explicit TStreamAudioIn(QObject* AOwner = nullptr);
    ~TStreamAudioIn() override;

    // Format the decoded data are converted to; a field left 0 keeps the stream's own
    // (bitsPerSample 32: float). Read when the source opens.
    TPcmFormat FormatOverride;
    // Audio track to decode, 1-based in stream order (as --list-tracks numbers them);
    // 0 = the source's primary track. Read when the source opens.
    int AudioTrack = 0;

    static constexpr int ReadBufferSize = 32768;

    // Counted: the first call opens a plain source's file and creates the reader (raises
    // EAudioReadError when the sound track cannot be read), the last CloseSource destroys
    // them. The file opened is the one read until then, by the input and by every part,
    // whatever its name comes to name; one changed in place fails the read that finds it
    // (MS_E_SOURCECHANGED) rather than ending early.
    void OpenSource() override;
    void CloseSource() override;
    // Records a seek to a frame of the reported PCM, applied at the next refill.
    void SeekFrame(int64_t Frame) override;
    void BeginRead() override;
    void EndRead() override;
    void Interrupt() override;
    // Raises "The Stream is not opened" outside BeginRead/EndRead.
    int ReadData(void* Buffer, int BufferSize) override;
    // The range in frames (-1 when its end is unknown), and readers of stretches of the
    // source's time line around it, each with its own reader of the source (made on the
    // calling thread).
    bool CanReadParts() override { return FReader != nullptr; }
    int64_t RunFrames() override;
    std::unique_ptr<TAudioPartReader> OpenPart(int64_t First, int64_t Frames) override;

    // Range of the read; the source must be open (EAudioException otherwise).
    void SetStartTime(TMediaTime Time);
    void SetLength(TMediaTime Time);

    // The reader while the source is open, else null.
    TAudioFileReader* Reader() const { return FReader.get(); }
    // The reader's position; 0 when the source is closed.
    TMediaTime CurrentTime() const;
    // The reader has yet to reach the start of the range (or another position asked for).
    bool Seeking() const { return FReader && FReader->Seeking; }
    // 100-ns units per byte of delivered PCM (0 when the length is unknown).
    int64_t TicksPerByte = 0;

    // Frames of the range's [First, First + Frames) (frames of the delivered PCM, from the
    // range's start) that the source had no sound for at the times it gives and that were
    // delivered as silence, as far as any reader (this input's or a part's) has decoded.
    // Any thread.
    int64_t FilledFrames(int64_t First, int64_t Frames) const;
    // Takes note of what `Reader` filled; its readers call it as they read. Any thread.
    void NoteHoles(const TAudioFileReader& Reader);

private:
    int Refill();
    TAudioFileReader& OpenReader() const;
    int64_t RangeFirstSample() const;

    std::unique_ptr<TAudioFileReader> FReader;
    // A plain source, held open while the source is: every reader of a run reads it.
    std::shared_ptr<const media::TSourceFile> FFile;
    std::vector<uint8_t> FReadBuffer;
    mutable std::mutex FHolesLock;
    std::vector<std::pair<int64_t, int64_t>> FHoles; // source samples, guarded by FHolesLock
};

// Raises EAudioReadError (MS_E_SOURCECHANGED) when `File` (may be null) has changed since
// it was opened.
void CheckSourceUnchanged(const media::TSourceFile* File);

// Decodes Reader's next block into Buffer (Capacity bytes) and expands it in place to the
// PCM the reader reports; answers its bytes, 0 at the end of the range.
int ReadExpanded(TAudioFileReader& Reader, uint8_t* Buffer, int Capacity);

// In-place expansions of a block (from its end towards its start, so no byte is
// overwritten before it is read). Count is the number of source bytes.
// Unsigned 8-bit samples to signed 16-bit ones (128, the silent middle, becomes 0).
void Widen8To16InPlace(uint8_t* Data, int Count);
// Mono samples of SampleBytes bytes each to stereo frames with the same sample left and
// right.
void MonoToStereoInPlace(uint8_t* Data, int Count, int SampleBytes = 2);
