#include "platform/media/media_graph.h"

#include "platform/media/audio_renderer.h"
#include "platform/media/class_registry.h"
#include "platform/media/decoder_filter.h"
#include "platform/media/filter_moniker.h"
#include "platform/media/list_enumerator.h"
#include "platform/media/source_filter.h"
#include "platform/media/video_renderer.h"

#include <QDateTime>
#include <QIODevice>

#include <algorithm>

namespace media {

static QString Hex(HRESULT hr) {
    return QStringLiteral("0x%1")
        .arg(static_cast<std::uint32_t>(hr), 8, 16, QLatin1Char('0'))
        .toUpper()
        .replace(QLatin1String("0X"), QLatin1String("0x"));
}

static QString TimeText(REFERENCE_TIME t) {
    const qint64 ms = t / 10000;
    return QStringLiteral("%1:%2:%3.%4")
        .arg(ms / 3600000)
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

TMediaGraph::TMediaGraph() : FTimeFormat(TIME_FORMAT_MEDIA_TIME) {
    FClock->SetCompleteHandler([this] { FEvents.Post(EC_COMPLETE, S_OK, 0); });
}

TMediaGraph::~TMediaGraph() {
    StopStreaming();
    FClock->SetCompleteHandler(nullptr);
    for (auto& e : FFilters) {
        if (auto f = std::dynamic_pointer_cast<TMediaFilter>(e.filter))
            f->SetDisconnectHook(nullptr);
        e.filter->JoinFilterGraph(nullptr, QString());
    }
}

void TMediaGraph::Log(const QString& line) {
    std::lock_guard lock(FLogLock);
    if (!FLog)
        return;
    const QString text =
        QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")) + u' ' + line + u'\n';
    FLog->write(text.toUtf8());
}

HRESULT TMediaGraph::SetLogFile(QIODevice* device) {
    std::lock_guard lock(FLogLock);
    if (device && !device->isWritable())
        return E_INVALIDARG;
    FLog = device;
    return S_OK;
}

// ---- filters ----

HRESULT TMediaGraph::AddFilterLocked(const std::shared_ptr<IBaseFilter>& filter, QString name) {
    if (!filter)
        return E_POINTER;
    for (const auto& e : FFilters)
        if (e.filter == filter)
            return E_INVALIDARG;
    HRESULT hr = S_OK;
    auto taken = [&](const QString& n) {
        return std::any_of(FFilters.begin(), FFilters.end(),
                           [&](const Entry& e) { return e.name == n; });
    };
    if (name.isEmpty())
        name = QStringLiteral("Filter");
    if (taken(name)) {
        const QString base = name;
        for (int i = 1; taken(name); ++i)
            // One multi-argument call: a "%1" inside the name stays as it is.
            name = QStringLiteral("%1 %2").arg(
                base, QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0')));
        hr = MakeCode(0x0004022D); // VFW_S_DUPLICATE_NAME
    }
    filter->JoinFilterGraph(shared_from_this(), name);
    FFilters.push_back(Entry{filter, name});
    if (FState == FILTER_STATE::State_Paused)
        filter->Pause();
    else if (FState == FILTER_STATE::State_Running)
        filter->Run(0);
    QUuid clsid;
    filter->GetClassID(clsid);
    Log(QStringLiteral("Added filter \"%1\" %2")
            .arg(name, clsid.toString(QUuid::WithBraces).toUpper()));
    return hr;
}

HRESULT TMediaGraph::AddFilter(const std::shared_ptr<IBaseFilter>& filter, const QString& name) {
    std::lock_guard lock(FLock);
    return AddFilterLocked(filter, name);
}

bool TMediaGraph::IsSessionFilter(const std::shared_ptr<IBaseFilter>& filter) const {
    return filter && (filter == std::static_pointer_cast<IBaseFilter>(FSource) ||
                      filter == std::static_pointer_cast<IBaseFilter>(FVideoDecoder) ||
                      filter == std::static_pointer_cast<IBaseFilter>(FAudioDecoder) ||
                      filter == std::static_pointer_cast<IBaseFilter>(FVideoRenderer) ||
                      filter == std::static_pointer_cast<IBaseFilter>(FAudioRenderer));
}

HRESULT TMediaGraph::RemoveFilter(const std::shared_ptr<IBaseFilter>& filter) {
    std::lock_guard lock(FLock);
    auto it = std::find_if(FFilters.begin(), FFilters.end(),
                           [&](const Entry& e) { return e.filter == filter; });
    if (it == FFilters.end())
        return filter ? VFW_E_NOT_FOUND : E_POINTER;
    if (IsSessionFilter(filter)) {
        StopStreaming();
        if (filter == std::static_pointer_cast<IBaseFilter>(FSource))
            FSource.reset();
        if (filter == std::static_pointer_cast<IBaseFilter>(FVideoDecoder))
            FVideoDecoder.reset();
        if (filter == std::static_pointer_cast<IBaseFilter>(FAudioDecoder))
            FAudioDecoder.reset();
        if (filter == std::static_pointer_cast<IBaseFilter>(FVideoRenderer))
            FVideoRenderer.reset();
        if (filter == std::static_pointer_cast<IBaseFilter>(FAudioRenderer))
            FAudioRenderer.reset();
    }
    Log(QStringLiteral("Removed filter \"%1\"").arg(it->name));
    if (auto f = std::dynamic_pointer_cast<TMediaFilter>(filter))
        f->SetDisconnectHook(nullptr);
    filter->Stop();
    filter->JoinFilterGraph(nullptr, QString());
    FFilters.erase(it);
    return S_OK;
}

HRESULT TMediaGraph::EnumFilters(std::shared_ptr<IEnumFilters>& e) {
    std::lock_guard lock(FLock);
    std::vector<std::shared_ptr<IBaseFilter>> filters;
    for (const auto& entry : FFilters)
        filters.push_back(entry.filter);
    e = std::make_shared<TListEnumerator<IBaseFilter>>(std::move(filters));
    return S_OK;
}

HRESULT TMediaGraph::FindFilterByName(const QString& name, std::shared_ptr<IBaseFilter>& filter) {
    std::lock_guard lock(FLock);
    for (const auto& e : FFilters)
        if (e.name == name) {
            filter = e.filter;
            return S_OK;
        }
    filter.reset();
    return VFW_E_NOT_FOUND;
}

std::shared_ptr<TVideoRendererFilter> TMediaGraph::VideoRenderer() const {
    std::lock_guard lock(FLock);
    return FVideoRenderer;
}

bool TMediaGraph::Streaming() const {
    std::lock_guard lock(FLock);
    return FStreaming;
}

// ---- rendering ----

HRESULT TMediaGraph::SetSite(IUnknown* site) {
    std::lock_guard lock(FLock);
    FSite = site;
    return S_OK;
}

HRESULT TMediaGraph::QueryService(const QUuid& service, const QUuid& iid, IUnknown*& object) {
    object = nullptr;
    IServiceProvider* provider;
    {
        std::lock_guard lock(FLock);
        provider = dynamic_cast<IServiceProvider*>(FSite);
    }
    return provider ? provider->QueryService(service, iid, object) : E_NOINTERFACE;
}

bool TMediaGraph::AskSelected(const QUuid& clsid, const QString& name) {
    auto* cb = dynamic_cast<IAMGraphBuilderCallback*>(FSite);
    if (!cb)
        return true;
    auto moniker = std::make_shared<TFilterMoniker>(clsid, name);
    const bool ok = SUCCEEDED(cb->SelectedFilter(moniker.get()));
    if (!ok)
        Log(QStringLiteral("The site refused \"%1\"").arg(name));
    return ok;
}

bool TMediaGraph::AskCreated(IBaseFilter* filter) {
    auto* cb = dynamic_cast<IAMGraphBuilderCallback*>(FSite);
    return !cb || SUCCEEDED(cb->CreatedFilter(filter));
}

void TMediaGraph::TellUnableToRender(IPin* pin) {
    if (auto* cb = dynamic_cast<IAMFilterGraphCallback*>(FSite))
        cb->UnableToRender(pin);
}

std::shared_ptr<TVideoRendererFilter> TMediaGraph::FreeVideoRenderer() {
    for (const auto& e : FFilters) {
        auto r = std::dynamic_pointer_cast<TVideoRendererFilter>(e.filter);
        if (r && !r->AnyPinConnected())
            return r;
    }
    std::shared_ptr<IBaseFilter> created;
    if (FAILED(CoCreateInstance(CLSID_VideoRenderer, created)))
        return nullptr;
    auto r = std::dynamic_pointer_cast<TVideoRendererFilter>(created);
    if (r && SUCCEEDED(AddFilterLocked(r, QStringLiteral("Video Renderer"))))
        return r;
    return nullptr;
}

// A decoder must show it can decode the stream before the file counts as rendered, so
// a damaged or cut file fails here instead of opening to a black window.
static bool FirstFrameDecodes(AVFormatContext* fmt, AVStream* stream, QString& error) {
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    ffmpeg::CodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), stream->codecpar) < 0 ||
        avcodec_open2(ctx.get(), codec, nullptr) < 0) {
        error = QStringLiteral("the decoder cannot be opened");
        return false;
    }
    auto packet = ffmpeg::MakePacket();
    auto frame = ffmpeg::MakeFrame();
    constexpr int kMaxPackets = 4000;
    for (int i = 0; i < kMaxPackets; ++i) {
        const int err = av_read_frame(fmt, packet.get());
        const bool end = err < 0;
        if (!end && packet->stream_index != stream->index) {
            av_packet_unref(packet.get());
            continue;
        }
        avcodec_send_packet(ctx.get(), end ? nullptr : packet.get());
        av_packet_unref(packet.get());
        while (avcodec_receive_frame(ctx.get(), frame.get()) >= 0) {
            // A picture patched together from a damaged stretch does not count.
            const bool clean =
                frame->decode_error_flags == 0 && !(frame->flags & AV_FRAME_FLAG_CORRUPT);
            av_frame_unref(frame.get());
            if (clean)
                return true;
        }
        if (end)
            break;
    }
    error = QStringLiteral("no picture or sound could be decoded");
    return false;
}

bool TMediaGraph::RenderVideo(const std::shared_ptr<TSourceFilter>& source) {
    AVStream* stream = source->VideoStream();
    if (!stream)
        return false;
    auto decoder = MakeFilter<TDecoderFilter>(AVMEDIA_TYPE_VIDEO);
    QString error;
    const QString codecName = QString::fromUtf8(avcodec_get_name(stream->codecpar->codec_id));
    const QString name = QStringLiteral("Video Decoder (%1)").arg(codecName);
    if (!AskSelected(CLSID_MediaVideoDecoder, name) || !decoder->Open(*source, stream, error) ||
        !AskCreated(decoder.get())) {
        Log(QStringLiteral("Video stream %1 not rendered: %2").arg(stream->index).arg(error));
        return false;
    }
    auto renderer = FreeVideoRenderer();
    if (!renderer) {
        Log(QStringLiteral("Video stream not rendered: no video renderer"));
        return false;
    }
    AddFilterLocked(decoder, name);
    std::shared_ptr<TMediaPin> videoPin;
    {
        std::shared_ptr<IEnumPins> pins;
        source->EnumPins(pins);
        std::shared_ptr<IPin> pin;
        while (pins->Next(pin) == S_OK)
            if (auto p = std::dynamic_pointer_cast<TMediaPin>(pin);
                p && p->Name() == QLatin1String("Video"))
                videoPin = p;
    }
    TMediaPin::Connect(videoPin, decoder->FindPin(PIN_DIRECTION::PINDIR_INPUT));
    TMediaPin::Connect(decoder->FindPin(PIN_DIRECTION::PINDIR_OUTPUT),
                       renderer->FindPin(PIN_DIRECTION::PINDIR_INPUT));
    const AVRational sar = av_guess_sample_aspect_ratio(source->Format(), stream, nullptr);
    renderer->Configure(decoder->Codec(), sar, FClock);
    const AVCodecParameters* p = stream->codecpar;
    AVRational dar{0, 1};
    if (sar.num > 0)
        av_reduce(&dar.num, &dar.den, static_cast<std::int64_t>(p->width) * sar.num,
                  static_cast<std::int64_t>(p->height) * sar.den, 1 << 20);
    Log(QStringLiteral(
            "Video stream %1: %2, %3x%4, sample aspect %5:%6, display aspect %7:%8, frame %9 ms")
            .arg(stream->index)
            .arg(decoder->CodecName())
            .arg(p->width)
            .arg(p->height)
            .arg(sar.num)
            .arg(sar.den)
            .arg(dar.num)
            .arg(dar.den)
            .arg(decoder->FrameDuration() / 10000.0));
    Log(QStringLiteral("Connected \"%1\".Video -> \"%2\".In -> \"%2\".Out -> \"%3\".Input")
            .arg(source->Name(), decoder->Name(), renderer->Name()));
    FVideoDecoder = decoder;
    FVideoRenderer = renderer;
    return true;
}

bool TMediaGraph::RenderAudio(const std::shared_ptr<TSourceFilter>& source) {
    AVStream* stream = source->AudioStream();
    if (!stream)
        return false;
    auto decoder = MakeFilter<TDecoderFilter>(AVMEDIA_TYPE_AUDIO);
    QString error;
    const QString codecName = QString::fromUtf8(avcodec_get_name(stream->codecpar->codec_id));
    const QString name = QStringLiteral("Audio Decoder (%1)").arg(codecName);
    if (!AskSelected(CLSID_MediaAudioDecoder, name) || !decoder->Open(*source, stream, error) ||
        !AskCreated(decoder.get())) {
        Log(QStringLiteral("Audio stream %1 not rendered: %2").arg(stream->index).arg(error));
        return false;
    }
    std::shared_ptr<IBaseFilter> created;
    CoCreateInstance(CLSID_DSoundRender, created);
    auto renderer = std::dynamic_pointer_cast<TAudioRendererFilter>(created);
    if (!renderer || !renderer->Configure(decoder->Codec(), FClock)) {
        Log(QStringLiteral("Audio stream %1 not rendered: no audio renderer for its format")
                .arg(stream->index));
        return false;
    }
    renderer->put_Volume(FVolume);
    renderer->put_Balance(FBalance);
    AddFilterLocked(decoder, name);
    AddFilterLocked(renderer, QStringLiteral("Audio Renderer"));
    std::shared_ptr<TMediaPin> audioPin;
    std::shared_ptr<IEnumPins> pins;
    source->EnumPins(pins);
    std::shared_ptr<IPin> pin;
    while (pins->Next(pin) == S_OK)
        if (auto p = std::dynamic_pointer_cast<TMediaPin>(pin);
            p && p->Name() == QLatin1String("Audio"))
            audioPin = p;
    TMediaPin::Connect(audioPin, decoder->FindPin(PIN_DIRECTION::PINDIR_INPUT));
    TMediaPin::Connect(decoder->FindPin(PIN_DIRECTION::PINDIR_OUTPUT),
                       renderer->FindPin(PIN_DIRECTION::PINDIR_INPUT));
    const AVCodecContext* c = decoder->Codec();
    Log(QStringLiteral("Audio stream %1: %2, %3 Hz, %4 channels; played %5")
            .arg(stream->index)
            .arg(decoder->CodecName())
            .arg(c->sample_rate)
            .arg(c->ch_layout.nb_channels)
            .arg(renderer->HasDevice()
                     ? QStringLiteral("on the sound device")
                     : QStringLiteral("silently (no sound device), timed by the system clock")));
    Log(QStringLiteral("Connected \"%1\".Audio -> \"%2\".In -> \"%2\".Out -> \"%3\".Input")
            .arg(source->Name(), decoder->Name(), renderer->Name()));
    FAudioDecoder = decoder;
    FAudioRenderer = renderer;
    return true;
}

HRESULT TMediaGraph::RenderFile(const QString& file, const QString& playList) {
    std::lock_guard lock(FLock);
    Log(QStringLiteral("RenderFile \"%1\"").arg(file));
    if (!playList.isEmpty())
        return E_INVALIDARG;
    if (FSource) {
        Log(QStringLiteral("A file is already rendered; the graph must be cleared first"));
        return VFW_E_WRONG_STATE;
    }
    auto source = MakeFilter<TSourceFilter>();
    source->SetAudioStreamIndex(FAudioStreamIndex.load());
    QString error;
    HRESULT hr = source->Open(file, error);
    if (FAILED(hr)) {
        Log(QStringLiteral("Cannot open the source: %1 (%2)").arg(error, Hex(hr)));
        return hr;
    }
    AVFormatContext* fmt = source->Format();
    Log(QStringLiteral("Source format %1, duration %2, %3 streams")
            .arg(QString::fromUtf8(fmt->iformat->name), TimeText(source->Duration()))
            .arg(fmt->nb_streams));
    AVStream* primary = source->VideoStream() ? source->VideoStream() : source->AudioStream();
    if (!FirstFrameDecodes(fmt, primary, error)) {
        Log(QStringLiteral("The source is damaged: %1 (%2)")
                .arg(error, Hex(VFW_E_INVALID_FILE_FORMAT)));
        return VFW_E_INVALID_FILE_FORMAT;
    }
    AddFilterLocked(source, file);
    if (const AVStream* sound = source->AudioStream())
        Log(QStringLiteral("Audio stream %1").arg(sound->index));
    const bool video = RenderVideo(source);
    const bool audio = RenderAudio(source);
    if (!video && source->VideoStream())
        if (auto pin = source->FindPin(PIN_DIRECTION::PINDIR_OUTPUT))
            TellUnableToRender(pin.get());
    if (!video && !audio) {
        FSource = source;
        RemoveFilter(source);
        Log(QStringLiteral("Nothing could be rendered (%1)").arg(Hex(VFW_E_CANNOT_RENDER)));
        return VFW_E_CANNOT_RENDER;
    }
    FSource = source;
    if (!video && source->VideoStream())
        hr = VFW_S_VIDEO_NOT_RENDERED;
    else if (!audio && source->AudioStream())
        hr = VFW_S_AUDIO_NOT_RENDERED;
    else
        hr = S_OK;
    StartStreaming();
    Log(QStringLiteral("RenderFile done (%1)").arg(Hex(hr)));
    return hr;
}

// ---- streaming ----

void TMediaGraph::StartStreaming() {
    const unsigned mask = (FVideoRenderer ? 1u << TMediaClock::stVideo : 0u) |
                          (FAudioRenderer ? 1u << TMediaClock::stAudio : 0u);
    FClock->Restart();
    FClock->SetStreams(mask, FVideoRenderer ? TMediaClock::stVideo : TMediaClock::stAudio);
    FClock->SetRate(FRate);
    int epoch;
    {
        std::lock_guard seek(*FSeekLock);
        epoch = FClock->NewEpoch(0);
    }
    FClock->SetState(FState);
    std::weak_ptr<TMediaGraph> weak = weak_from_this();
    auto source = FSource;
    // The decoder's retry holds no reference to the graph: a streaming thread must
    // never end up releasing the graph, whose destructor waits for that very thread.
    auto reseek = [clock = FClock, seekLock = FSeekLock,
                   weakSource = std::weak_ptr<TSourceFilter>(source)](
                      int epoch, REFERENCE_TIME target, REFERENCE_TIME margin) {
        if (auto s = weakSource.lock())
            Reseek(*clock, *seekLock, *s, epoch, target, margin);
    };
    source->Start(FClock, epoch);
    if (FVideoDecoder)
        FVideoDecoder->Start(source->VideoQueue(), FClock, FVideoRenderer, reseek);
    if (FAudioDecoder)
        FAudioDecoder->Start(source->AudioQueue(), FClock, FAudioRenderer, nullptr);
    auto hook = [weak] {
        if (auto g = weak.lock())
            g->StopStreaming();
    };
    for (const std::shared_ptr<TMediaFilter>& f :
         {std::static_pointer_cast<TMediaFilter>(FSource),
          std::static_pointer_cast<TMediaFilter>(FVideoDecoder),
          std::static_pointer_cast<TMediaFilter>(FAudioDecoder),
          std::static_pointer_cast<TMediaFilter>(FVideoRenderer),
          std::static_pointer_cast<TMediaFilter>(FAudioRenderer)})
        if (f)
            f->SetDisconnectHook(hook);
    FStreaming = true;
}

void TMediaGraph::StopStreaming() {
    std::lock_guard lock(FLock);
    if (!FStreaming)
        return;
    FStreaming = false;
    FClock->Shutdown();
    if (FSource)
        FSource->StopThread(); // also aborts the decoders' queues
    if (FVideoDecoder)
        FVideoDecoder->StopThread();
    if (FAudioDecoder)
        FAudioDecoder->StopThread();
    Log(QStringLiteral("Streaming stopped"));
}

void TMediaGraph::SeekTo(REFERENCE_TIME target) {
    std::lock_guard seek(*FSeekLock);
    if (!FStreaming || !FSource)
        return;
    const int epoch = FClock->NewEpoch(target);
    FSource->Seek(epoch, target, kFirstSeekMargin);
}

void TMediaGraph::Reseek(TMediaClock& clock, std::mutex& seekLock, TSourceFilter& source, int epoch,
                         REFERENCE_TIME target, REFERENCE_TIME margin) {
    // Called on the video decoder's thread: only the seek lock, never FLock, which a
    // stopping graph holds while it waits for that thread.
    std::lock_guard seek(seekLock);
    if (!clock.IsCurrent(epoch) || clock.Target() != target)
        return;
    const int next = clock.NewEpoch(target);
    source.Seek(next, target, margin);
}

void TMediaGraph::SetFilterStates(FILTER_STATE state) {
    for (const auto& e : FFilters) {
        if (state == FILTER_STATE::State_Running)
            e.filter->Run(0);
        else if (state == FILTER_STATE::State_Paused)
            e.filter->Pause();
        else
            e.filter->Stop();
    }
}

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
