#pragma once

// The audio renderer filter (CLSID_DSoundRender): one input pin; converts the decoded
// sound to 16-bit PCM, applies volume and balance, and plays it through TSoundOutput.
// While a device plays, the sound heard is the graph's clock (the clock follows it);
// with no device the sound is dropped in step with the system clock, so playback runs
// silently at the right speed.
// Threads: IBasicAudio from any thread; Receive / EndOfStream on the audio decoder's
// thread; Configure and StateChanged from the graph.

#include "mediagraph/frame_sink.h"
#include "mediagraph/media_clock.h"
#include "mediagraph/media_filter.h"
#include "mediagraph/sound_output.h"

#include <atomic>
#include <vector>

namespace media {

class TAudioRendererFilter final : public TMediaFilter, public IBasicAudio, public IFrameSink {
public:
    TAudioRendererFilter();
    ~TAudioRendererFilter() override;

    void CreatePins() override;

    HRESULT put_Volume(long volume) override;
    HRESULT get_Volume(long& volume) override;
    HRESULT put_Balance(long balance) override;
    HRESULT get_Balance(long& balance) override;

    // Prepares conversion and the device for the decoder's format. False when the
    // format cannot be converted (the stream then is not rendered).
    bool Configure(const AVCodecContext* codec, std::shared_ptr<TMediaClock> clock);
    bool HasDevice() const { return FOutput != nullptr; }

    void Receive(const AVFrame* frame, REFERENCE_TIME pts, REFERENCE_TIME duration,
                 int epoch) override;
    void EndOfStream(int epoch) override;

protected:
    void StateChanged(FILTER_STATE state) override;

private:
    void ApplyGain(std::int16_t* samples, int frames);

    std::shared_ptr<TMediaClock> FClock;
    std::unique_ptr<TSoundOutput> FOutput;
    ffmpeg::SwrPtr FSwr;
    int FOutRate = 0;
    int FOutChannels = 2;
    std::vector<std::uint8_t> FBuffer;
    std::atomic<long> FVolume{0};
    std::atomic<long> FBalance{0};
    int FEpoch = -1;
    REFERENCE_TIME FLastEnd = 0;
};

} // namespace media
