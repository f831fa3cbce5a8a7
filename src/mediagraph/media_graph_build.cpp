// TMediaGraph: rendering a file into source, decoders and renderers.
#include "mediagraph/media_graph.h"

#include "base/media_time.h"
#include "mediagraph/audio_renderer.h"
#include "mediagraph/class_registry.h"
#include "mediagraph/decoder_filter.h"
#include "mediagraph/filter_moniker.h"
#include "mediagraph/source_filter.h"
#include "mediagraph/video_renderer.h"

namespace media {

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

std::shared_ptr<TDecoderFilter> TMediaGraph::OpenDecoder(TSourceFilter& source, AVStream* stream,
                                                         const QUuid& clsid, QString& name) {
    const bool video = stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
    auto decoder = MakeFilter<TDecoderFilter>(stream->codecpar->codec_type);
    QString error;
    const QString codecName = QString::fromUtf8(avcodec_get_name(stream->codecpar->codec_id));
    name = (video ? QStringLiteral("Video Decoder (%1)") : QStringLiteral("Audio Decoder (%1)"))
               .arg(codecName);
    if (!AskSelected(clsid, name) || !decoder->Open(source, stream, error) ||
        !AskCreated(decoder.get())) {
        Log((video ? QStringLiteral("Video stream %1 not rendered: %2")
                   : QStringLiteral("Audio stream %1 not rendered: %2"))
                .arg(stream->index)
                .arg(error));
        return nullptr;
    }
    return decoder;
}

void TMediaGraph::ConnectChain(TSourceFilter& source, const QString& kind, TDecoderFilter& decoder,
                               TMediaFilter& renderer) {
    // The source's output pin for this kind of stream.
    std::shared_ptr<TMediaPin> output;
    std::shared_ptr<IEnumPins> pins;
    source.EnumPins(pins);
    std::shared_ptr<IPin> pin;
    while (!output && pins->Next(pin) == S_OK)
        if (auto p = std::dynamic_pointer_cast<TMediaPin>(pin); p && p->Name() == kind)
            output = p;
    TMediaPin::Connect(output, decoder.FindPin(PIN_DIRECTION::PINDIR_INPUT));
    TMediaPin::Connect(decoder.FindPin(PIN_DIRECTION::PINDIR_OUTPUT),
                       renderer.FindPin(PIN_DIRECTION::PINDIR_INPUT));
    // One multi-argument call: a "%1" inside a file name stays as it is.
    Log(QStringLiteral("Connected \"%1\".%2 -> \"%3\".In -> \"%3\".Out -> \"%4\".Input")
            .arg(source.Name(), kind, decoder.Name(), renderer.Name()));
}

bool TMediaGraph::RenderVideo(const std::shared_ptr<TSourceFilter>& source) {
    AVStream* stream = source->VideoStream();
    if (!stream)
        return false;
    QString name;
    auto decoder = OpenDecoder(*source, stream, CLSID_MediaVideoDecoder, name);
    if (!decoder)
        return false;
    auto renderer = FreeVideoRenderer();
    if (!renderer) {
        Log(QStringLiteral("Video stream not rendered: no video renderer"));
        return false;
    }
    AddFilterLocked(decoder, name);
    ConnectChain(*source, QStringLiteral("Video"), *decoder, *renderer);
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
            .arg(TMediaTime::FromUnits(decoder->FrameDuration()).ToSeconds() * 1000.0));
    FVideoDecoder = decoder;
    FVideoRenderer = renderer;
    return true;
}

bool TMediaGraph::RenderAudio(const std::shared_ptr<TSourceFilter>& source) {
    AVStream* stream = source->AudioStream();
    if (!stream)
        return false;
    QString name;
    auto decoder = OpenDecoder(*source, stream, CLSID_MediaAudioDecoder, name);
    if (!decoder)
        return false;
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
    ConnectChain(*source, QStringLiteral("Audio"), *decoder, *renderer);
    const AVCodecContext* c = decoder->Codec();
    Log(QStringLiteral("Audio stream %1: %2, %3 Hz, %4 channels; played %5")
            .arg(stream->index)
            .arg(decoder->CodecName())
            .arg(c->sample_rate)
            .arg(c->ch_layout.nb_channels)
            .arg(renderer->HasDevice()
                     ? QStringLiteral("on the sound device")
                     : QStringLiteral("silently (no sound device), timed by the system clock")));
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

} // namespace media
