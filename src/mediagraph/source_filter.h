#pragma once

// The file source: opens a file (or a DVD title, media_input.h) with libavformat, offers one output
// pin per stream it can play (the first video and the first audio stream), and runs the demux
// thread that fills one packet queue per pin. Made and driven by the graph; Open, Start, Seek and
// StopThread may be called from any thread, never concurrently with each other (the graph
// serialises them).

#include "mediagraph/media_clock.h"
#include "mediagraph/media_filter.h"
#include "mediagraph/packet_queue.h"

#include <atomic>
#include <condition_variable>
#include <thread>

namespace media {

class TSourceFilter final : public TMediaFilter {
public:
    TSourceFilter();
    ~TSourceFilter() override;

    void CreatePins() override;

    // The audio stream Open offers (FFmpeg's stream index; a DVD stream's MPEG id), -1 for
    // the first usable one.
    // A stream that is not audio or cannot be decoded falls back to the first. Before Open.
    void SetAudioStreamIndex(int index) { FWantedAudioIndex = index; }

    // Opens and probes the file. On failure the code tells why and error a readable reason.
    HRESULT Open(const QString& path, QString& error);

    AVFormatContext* Format() const { return FFormat.get(); }
    AVStream* VideoStream() const;
    AVStream* AudioStream() const;
    // Length of the source, 100-ns units (0 when unknown).
    REFERENCE_TIME Duration() const { return FDuration; }
    // Converts a stream timestamp to 100-ns units from the start of the source.
    REFERENCE_TIME ToMediaTime(const AVStream* stream, std::int64_t ts) const;

    std::shared_ptr<TPacketQueue> VideoQueue() const { return FVideoQueue; }
    std::shared_ptr<TPacketQueue> AudioQueue() const { return FAudioQueue; }

    void Start(std::shared_ptr<TMediaClock> clock, int epoch);
    // Flushes the queues to epoch and repositions reading at target - margin.
    void Seek(int epoch, REFERENCE_TIME target, REFERENCE_TIME margin);
    void StopThread();

private:
    void DemuxLoop();
    void DoSeek(REFERENCE_TIME target, REFERENCE_TIME margin);
    bool Deliver(TPacketQueue::Kind kind, int epoch, ffmpeg::PacketPtr packet, int streamIndex);
    static int Interrupt(void* self);

    ffmpeg::InputFormatPtr FFormat;
    int FVideoIndex = -1;
    int FAudioIndex = -1;
    int FWantedAudioIndex = -1;
    std::int64_t FStartTime = 0; // AV_TIME_BASE units
    REFERENCE_TIME FDuration = 0;
    std::shared_ptr<TPacketQueue> FVideoQueue;
    std::shared_ptr<TPacketQueue> FAudioQueue;
    std::shared_ptr<TMediaClock> FClock;

    std::thread FThread;
    std::atomic<bool> FStop{false};
    std::mutex FSeekLock;
    std::condition_variable FSeekWake;
    bool FSeekPending = false;
    int FSeekEpoch = 0;
    REFERENCE_TIME FSeekTarget = 0;
    REFERENCE_TIME FSeekMargin = 0;
};

} // namespace media
