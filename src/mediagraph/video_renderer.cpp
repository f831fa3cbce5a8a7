#include "mediagraph/video_renderer.h"

#include "mediagraph/gui_call.h"
#include "mediagraph/video_renderer_widget.h"

#include <QImage>

namespace media {

TVideoRendererFilter::TVideoRendererFilter() : TMediaFilter(CLSID_VideoRenderer) {
    CallOnGui([this] {
        FWidget = new TVideoRendererWidget();
        QObject::connect(FWidget, &QObject::destroyed, [this] {
            std::lock_guard lock(FWidgetLock);
            FWidget = nullptr;
        });
    });
}

TVideoRendererFilter::~TVideoRendererFilter() {
    std::lock_guard lock(FWidgetLock);
    if (!FWidget)
        return;
    QObject::disconnect(FWidget, &QObject::destroyed, nullptr, nullptr);
    if (OnGuiThread())
        delete FWidget;
    else
        FWidget->deleteLater();
    FWidget = nullptr;
}

void TVideoRendererFilter::CreatePins() {
    AddPin(QStringLiteral("Input"), PIN_DIRECTION::PINDIR_INPUT);
}

TVideoRendererWidget* TVideoRendererFilter::Widget() const {
    std::lock_guard lock(FWidgetLock);
    return FWidget;
}

// ---- IVideoWindow: store, then apply on the GUI thread ----

HRESULT TVideoRendererFilter::put_Owner(QWidget* owner) {
    {
        std::lock_guard lock(FLock);
        FWindow.owner = owner;
    }
    PostApply();
    return S_OK;
}

HRESULT TVideoRendererFilter::get_Owner(QWidget*& owner) {
    std::lock_guard lock(FLock);
    owner = FWindow.owner;
    return S_OK;
}

HRESULT TVideoRendererFilter::put_WindowStyle(long style) {
    {
        std::lock_guard lock(FLock);
        FWindow.style = style;
    }
    PostApply();
    return S_OK;
}

HRESULT TVideoRendererFilter::get_WindowStyle(long& style) {
    std::lock_guard lock(FLock);
    style = FWindow.style;
    return S_OK;
}

HRESULT TVideoRendererFilter::put_WindowStyleEx(long style) {
    {
        std::lock_guard lock(FLock);
        FWindow.exStyle = style;
    }
    PostApply();
    return S_OK;
}

HRESULT TVideoRendererFilter::get_WindowStyleEx(long& style) {
    std::lock_guard lock(FLock);
    style = FWindow.exStyle;
    return S_OK;
}

HRESULT TVideoRendererFilter::SetWindowPosition(long left, long top, long width, long height) {
    if (width < 0 || height < 0)
        return E_INVALIDARG;
    {
        std::lock_guard lock(FLock);
        FWindow.rect = QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(width),
                             static_cast<int>(height));
    }
    PostApply();
    return S_OK;
}

HRESULT TVideoRendererFilter::GetWindowPosition(long& left, long& top, long& width, long& height) {
    std::lock_guard lock(FLock);
    left = FWindow.rect.left();
    top = FWindow.rect.top();
    width = FWindow.rect.width();
    height = FWindow.rect.height();
    return S_OK;
}

HRESULT TVideoRendererFilter::put_Caption(const QString& caption) {
    {
        std::lock_guard lock(FLock);
        FWindow.caption = caption;
    }
    PostApply();
    return S_OK;
}

HRESULT TVideoRendererFilter::get_Caption(QString& caption) {
    std::lock_guard lock(FLock);
    caption = FWindow.caption;
    return S_OK;
}

HRESULT TVideoRendererFilter::put_MessageDrain(QWidget* drain) {
    {
        std::lock_guard lock(FLock);
        FWindow.drain = drain;
    }
    PostApply();
    return S_OK;
}

HRESULT TVideoRendererFilter::put_Visible(long visible) {
    {
        std::lock_guard lock(FLock);
        FWindow.visible = visible != OAFALSE;
        if (FWindow.visible)
            FWindow.started = true;
    }
    PostApply();
    return S_OK;
}

HRESULT TVideoRendererFilter::get_Visible(long& visible) {
    std::lock_guard lock(FLock);
    visible = FWindow.visible && FWindow.started ? OATRUE : OAFALSE;
    return S_OK;
}

void TVideoRendererFilter::StateChanged(FILTER_STATE state) {
    // Like a real renderer window, it shows itself when the graph first plays or pauses.
    if (state == FILTER_STATE::State_Stopped || !AnyPinConnected())
        return;
    {
        std::lock_guard lock(FLock);
        if (FWindow.started)
            return;
        FWindow.started = true;
    }
    PostApply();
}

void TVideoRendererFilter::PostApply() {
    std::lock_guard widgetLock(FWidgetLock);
    if (!FWidget)
        return;
    // Always re-read the state on the GUI thread: the last call wins, whatever order
    // the posted calls run in.
    PostToGui(FWidget, [this, w = QPointer<TVideoRendererWidget>(FWidget)] {
        if (!w)
            return;
        WindowState state;
        {
            std::lock_guard lock(FLock);
            state = FWindow;
        }
        Apply(w, state);
    });
}

void TVideoRendererFilter::Apply(TVideoRendererWidget* w, const WindowState& state) {
    Qt::WindowFlags flags = Qt::Widget;
    if (!state.owner) {
        flags = Qt::Window;
        if ((state.style & WS_CAPTION) != WS_CAPTION)
            flags |= Qt::FramelessWindowHint;
        if (state.exStyle & WS_EX_TOPMOST)
            flags |= Qt::WindowStaysOnTopHint;
    }
    // Re-parenting re-creates the native window: only when something changed.
    if (!FApplied || FAppliedOwner != state.owner || FAppliedFlags != flags) {
        w->setParent(state.owner, flags);
        FAppliedOwner = state.owner;
        FAppliedFlags = flags;
        FApplied = true;
    }
    w->setGeometry(state.rect);
    w->setWindowTitle(state.caption);
    w->SetMessageDrain(state.drain);
    const bool show = state.visible && state.started;
    if (show) {
        w->show();
        w->raise();
    } else {
        w->hide();
    }
}

// ---- streaming ----

HRESULT TVideoRendererFilter::get_FramesDroppedInRenderer(int& frames) {
    frames = FDropped.load();
    return S_OK;
}

HRESULT TVideoRendererFilter::get_FramesDrawn(int& frames) {
    frames = FDrawn.load();
    return S_OK;
}

void TVideoRendererFilter::Configure(const AVCodecContext* codec, AVRational sampleAspect,
                                     std::shared_ptr<TMediaClock> clock) {
    FSampleAspect = sampleAspect.num > 0 ? sampleAspect : codec->sample_aspect_ratio;
    FClock = std::move(clock);
    FLastEpoch = -1;
    FHeldPts = -1;
    av_frame_unref(FHeld.get());
}

double TVideoRendererFilter::DisplayAspect(const AVFrame* frame) const {
    AVRational sar =
        frame->sample_aspect_ratio.num > 0 ? frame->sample_aspect_ratio : FSampleAspect;
    if (sar.num <= 0 || sar.den <= 0)
        sar = AVRational{1, 1};
    if (frame->height <= 0)
        return 4.0 / 3.0;
    return static_cast<double>(frame->width) * sar.num /
           (static_cast<double>(frame->height) * sar.den);
}

void TVideoRendererFilter::Present(const AVFrame* frame, REFERENCE_TIME pts,
                                   REFERENCE_TIME duration, int epoch) {
    FLastEpoch = epoch;
    FLastEnd = pts + duration;
    FLastShown = std::chrono::steady_clock::now();
    if (frame->width <= 0 || frame->height <= 0)
        return;
    SwsContext* sws = sws_getCachedContext(
        FSws.release(), frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
        frame->width, frame->height, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    FSws.reset(sws);
    if (!sws)
        return;
    QImage image(frame->width, frame->height, QImage::Format_RGB32);
    if (image.isNull())
        return;
    uint8_t* dst[4] = {image.bits(), nullptr, nullptr, nullptr};
    int stride[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
    sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, stride);
    const double aspect = DisplayAspect(frame);
    ++FDrawn;
    bool post;
    {
        std::lock_guard lock(FPending->lock);
        FPending->image = std::move(image);
        FPending->pts = pts;
        FPending->aspect = aspect;
        post = !FPending->posted;
        FPending->posted = true;
    }
    if (!post)
        return;
    std::lock_guard lock(FWidgetLock);
    if (!FWidget) {
        std::lock_guard pending(FPending->lock);
        FPending->posted = false;
        return;
    }
    QMetaObject::invokeMethod(
        FWidget,
        [w = FWidget, pending = FPending] {
            QImage shown;
            REFERENCE_TIME at;
            double aspect;
            {
                std::lock_guard lock(pending->lock);
                shown = std::move(pending->image);
                pending->image = QImage();
                at = pending->pts;
                aspect = pending->aspect;
                pending->posted = false;
            }
            if (!shown.isNull())
                w->ShowFrame(shown, at, aspect);
        },
        Qt::QueuedConnection);
}

void TVideoRendererFilter::Receive(const AVFrame* frame, REFERENCE_TIME pts,
                                   REFERENCE_TIME duration, int epoch) {
    if (!FClock || !FClock->IsCurrent(epoch))
        return;
    if (!FClock->IsPrerolled(epoch)) {
        // Frames before the target only lead up to it; keep the latest in case the
        // stream ends before the target (a seek to the very end shows the last picture).
        if (pts + duration / 2 <= FClock->Target()) {
            av_frame_unref(FHeld.get());
            if (av_frame_ref(FHeld.get(), frame) >= 0)
                FHeldPts = pts;
            return;
        }
        Present(frame, pts, duration, epoch);
        av_frame_unref(FHeld.get());
        FHeldPts = -1;
        FClock->MarkPrerolled(epoch, TMediaClock::stVideo);
        return;
    }
    if (!FClock->WaitUntil(pts, epoch))
        return;
    // Hopelessly late pictures are skipped, but never so many that the window freezes.
    const auto sinceShown = std::chrono::steady_clock::now() - FLastShown;
    if (FClock->Now() > pts + 2 * duration && sinceShown < std::chrono::milliseconds(200)) {
        ++FDropped;
        FLastEnd = pts + duration;
        return;
    }
    Present(frame, pts, duration, epoch);
}

void TVideoRendererFilter::EndOfStream(int epoch) {
    if (!FClock || !FClock->IsCurrent(epoch))
        return;
    if (!FClock->IsPrerolled(epoch)) {
        if (FHeldPts >= 0) {
            Present(FHeld.get(), FHeldPts, 0, epoch);
            av_frame_unref(FHeld.get());
            FHeldPts = -1;
        }
        FClock->MarkPrerolled(epoch, TMediaClock::stVideo);
    }
    const REFERENCE_TIME end = FLastEpoch == epoch ? FLastEnd : FClock->Target();
    if (FClock->WaitUntil(end, epoch))
        FClock->MarkEndOfStream(epoch, TMediaClock::stVideo);
}

} // namespace media
