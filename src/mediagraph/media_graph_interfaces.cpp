// TMediaGraph: IMediaControl, IMediaSeeking, IBasicAudio and IMediaEventEx.
#include "mediagraph/media_graph.h"

#include "mediagraph/audio_renderer.h"
#include "mediagraph/decoder_filter.h"
#include "mediagraph/source_filter.h"

#include <algorithm>

namespace media {

// ---- IMediaControl ----

HRESULT TMediaGraph::Run() {
    std::lock_guard lock(FLock);
    FState = FILTER_STATE::State_Running;
    SetFilterStates(FState);
    FClock->SetState(FState);
    return FClock->Prerolled() ? S_OK : S_FALSE;
}

HRESULT TMediaGraph::Pause() {
    std::lock_guard lock(FLock);
    FState = FILTER_STATE::State_Paused;
    SetFilterStates(FState);
    FClock->SetState(FState);
    return FClock->Prerolled() ? S_OK : S_FALSE;
}

HRESULT TMediaGraph::Stop() {
    std::lock_guard lock(FLock);
    FState = FILTER_STATE::State_Stopped;
    FClock->SetState(FState);
    SetFilterStates(FState);
    return S_OK;
}

HRESULT TMediaGraph::StopWhenReady() {
    Pause();
    if (Streaming())
        FClock->WaitPrerolled(5000);
    return Stop();
}

HRESULT TMediaGraph::GetState(long msTimeout, OAFilterState& state) {
    FILTER_STATE current;
    bool streaming;
    {
        std::lock_guard lock(FLock);
        current = FState;
        streaming = FStreaming;
    }
    state = current;
    if (current == FILTER_STATE::State_Stopped || !streaming)
        return S_OK;
    return FClock->WaitPrerolled(msTimeout) ? S_OK : VFW_S_STATE_INTERMEDIATE;
}

// ---- IMediaSeeking ----

REFERENCE_TIME TMediaGraph::FrameDuration() const {
    return FVideoDecoder ? FVideoDecoder->FrameDuration() : 0;
}

HRESULT TMediaGraph::IsFormatSupported(const QUuid& format) {
    if (format == TIME_FORMAT_MEDIA_TIME)
        return S_OK;
    if (format == TIME_FORMAT_FRAME) {
        std::lock_guard lock(FLock);
        return FVideoDecoder || !FSource ? S_OK : S_FALSE;
    }
    return S_FALSE;
}

HRESULT TMediaGraph::SetTimeFormat(const QUuid& format) {
    if (IsFormatSupported(format) != S_OK)
        return E_INVALIDARG;
    std::lock_guard lock(FLock);
    FTimeFormat = format;
    return S_OK;
}

HRESULT TMediaGraph::GetTimeFormat(QUuid& format) {
    std::lock_guard lock(FLock);
    format = FTimeFormat;
    return S_OK;
}

HRESULT TMediaGraph::GetDuration(std::int64_t& duration) {
    std::lock_guard lock(FLock);
    duration = 0;
    if (!FSource)
        return E_NOTIMPL;
    duration = FSource->Duration();
    if (FTimeFormat == TIME_FORMAT_FRAME && FrameDuration() > 0)
        duration /= FrameDuration();
    return S_OK;
}

HRESULT TMediaGraph::GetCurrentPosition(std::int64_t& position) {
    std::lock_guard lock(FLock);
    position = 0;
    if (!FSource)
        return E_NOTIMPL;
    REFERENCE_TIME t = FClock->Now();
    const REFERENCE_TIME length = FSource->Duration();
    t = std::clamp<REFERENCE_TIME>(t, 0, length > 0 ? length : std::max<REFERENCE_TIME>(t, 0));
    position = FTimeFormat == TIME_FORMAT_FRAME && FrameDuration() > 0 ? t / FrameDuration() : t;
    return S_OK;
}

HRESULT TMediaGraph::SetPositions(std::int64_t* current, int currentFlags, std::int64_t* stop,
                                  int stopFlags) {
    std::lock_guard lock(FLock);
    if (!FSource)
        return E_NOTIMPL;
    const int how = currentFlags & AM_SEEKING_PositioningBitsMask;
    if ((how != AM_SEEKING_NoPositioning && !current) ||
        ((stopFlags & AM_SEEKING_PositioningBitsMask) != AM_SEEKING_NoPositioning && !stop))
        return E_POINTER;
    const REFERENCE_TIME unit =
        FTimeFormat == TIME_FORMAT_FRAME && FrameDuration() > 0 ? FrameDuration() : 1;
    if ((stopFlags & AM_SEEKING_PositioningBitsMask) == AM_SEEKING_AbsolutePositioning)
        FStopPosition = *stop * unit;
    if (how == AM_SEEKING_NoPositioning)
        return S_OK;
    REFERENCE_TIME target = *current * unit;
    if (how == AM_SEEKING_RelativePositioning || how == AM_SEEKING_IncrementalPositioning)
        target += FClock->Now();
    const REFERENCE_TIME length = FSource->Duration();
    target = std::clamp<REFERENCE_TIME>(target, 0,
                                        length > 0 ? length : std::max<REFERENCE_TIME>(target, 0));
    Log(QStringLiteral("Seek to %1").arg(TimeText(target)));
    SeekTo(target);
    return S_OK;
}

HRESULT TMediaGraph::SetRate(double rate) {
    if (!(rate > 0.0) || rate > 16.0)
        return E_INVALIDARG;
    std::lock_guard lock(FLock);
    FRate = rate;
    FClock->SetRate(rate);
    return S_OK;
}

HRESULT TMediaGraph::GetRate(double& rate) {
    std::lock_guard lock(FLock);
    rate = FRate;
    return S_OK;
}

// ---- IBasicAudio ----

HRESULT TMediaGraph::put_Volume(long volume) {
    if (volume < -10000 || volume > 0)
        return E_INVALIDARG;
    std::lock_guard lock(FLock);
    FVolume = volume;
    return FAudioRenderer ? FAudioRenderer->put_Volume(volume) : E_NOTIMPL;
}

HRESULT TMediaGraph::get_Volume(long& volume) {
    std::lock_guard lock(FLock);
    volume = FVolume;
    return FAudioRenderer ? S_OK : E_NOTIMPL;
}

HRESULT TMediaGraph::put_Balance(long balance) {
    if (balance < -10000 || balance > 10000)
        return E_INVALIDARG;
    std::lock_guard lock(FLock);
    FBalance = balance;
    return FAudioRenderer ? FAudioRenderer->put_Balance(balance) : E_NOTIMPL;
}

HRESULT TMediaGraph::get_Balance(long& balance) {
    std::lock_guard lock(FLock);
    balance = FBalance;
    return FAudioRenderer ? S_OK : E_NOTIMPL;
}

// ---- IMediaEventEx ----

HRESULT TMediaGraph::GetEvent(long& code, LONG_PTR& param1, LONG_PTR& param2, long msTimeout) {
    return FEvents.Get(code, param1, param2, msTimeout);
}

HRESULT TMediaGraph::FreeEventParams(long, LONG_PTR, LONG_PTR) {
    return S_OK;
}

HRESULT TMediaGraph::SetNotifyWindow(QObject* window, int message, LONG_PTR instance) {
    FEvents.SetNotifyWindow(window, message, instance);
    return S_OK;
}

HRESULT TMediaGraph::SetNotifyFlags(long flags) {
    if (flags != 0 && flags != 1)
        return E_INVALIDARG;
    FEvents.SetNotifyFlags(flags);
    return S_OK;
}

HRESULT TMediaGraph::GetNotifyFlags(long& flags) {
    flags = FEvents.NotifyFlags();
    return S_OK;
}

} // namespace media
