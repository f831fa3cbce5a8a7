#pragma once

#include "audio/pipeline/streamed_input.h"

#include <QString>

#include <atomic>
#include <cstdint>

// Base of the inputs that read a named source file. A subclass opens the source in
// OpenSource (counted: nested calls are allowed, each matched by one CloseSource), fills
// Size, the three format values and TotalSamples there, applies PendingSeek at its next
// refill and keeps Position, BufStart and BufEnd current in ReadData.
//
// Threads: configured, opened for queries and BeginRead on the main thread; ReadData and
// the run's EndRead on the output's worker. The output never asks a format query from
// the worker, so OpenSource/CloseSource of the queries stay on the main thread.
class TAudioFileIn : public TStreamedInput {
    Q_OBJECT
public:
    explicit TAudioFileIn(QObject* AOwner = nullptr);

    QString FileName;
    // First frame to deliver, and last frame (-1 = to the end; the frame EndSample itself
    // is not delivered).
    int64_t StartSample = 0;
    int64_t EndSample = -1;

    // Answers the stored format; with OpenForQueries, the source is opened around the
    // query (a query on an open input leaves it open).
    int GetBitsPerSample() override;
    int GetChannels() override;
    int GetSampleRate() override;
    // Size in whole seconds, rounded to nearest (ties to even); 0 when the format is unknown.
    int GetLengthSeconds() override;

    // Raises EAudioException "The component is Busy" or "The file name is not assigned".
    // Opens the source, seeks to StartSample and sets Size for the StartSample..EndSample
    // range when one is given.
    void BeginRead() override;
    void EndRead() override;
    void ResetInput() override;

    virtual void OpenSource() = 0;
    virtual void CloseSource() = 0;
    // Records a seek to a frame; the subclass applies it at its next refill.
    virtual void SeekFrame(int64_t Frame) = 0;

protected:
    // Seek requested by SeekFrame, 0 = none.
    int64_t PendingSeek = 0;
    // OpenSource calls not yet matched by CloseSource.
    std::atomic<int32_t> OpenCount{0};
    // The format as the subclass found it when opening.
    int32_t BitsPerSampleValue = 0;
    int32_t SampleRateValue = 0;
    int32_t ChannelsValue = 0;
    // Frames in the whole source, as the subclass reports it.
    int64_t TotalSamples = 0;

private:
    int Query(const int32_t& Value);
};
