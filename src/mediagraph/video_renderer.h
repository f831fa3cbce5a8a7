#pragma once

// The video renderer filter (CLSID_VideoRenderer): one input pin; paces the decoded
// pictures by the graph's clock and shows them in its own window, a
// TVideoRendererWidget, which IVideoWindow places: re-parented into an owner widget, or
// a top-level window (frameless when the style has no caption, above the others with
// WS_EX_TOPMOST). The first picture of each epoch (a new source, a seek) is shown at
// once even while paused; that is the preroll the graph waits for.
//
// Threads: made on any thread (the widget is always made on the GUI thread); the
// IVideoWindow setters may be called from any thread and their widget work is posted to
// the GUI thread; Receive / EndOfStream run on the video decoder's thread; Widget() is
// for the GUI thread only.

#include "mediagraph/frame_sink.h"
#include "mediagraph/media_clock.h"
#include "mediagraph/media_filter.h"

#include <QImage>
#include <QPointer>
#include <QRect>

#include <chrono>

namespace media {

class TVideoRendererWidget;

class TVideoRendererFilter final : public TMediaFilter,
                                   public IVideoWindow,
                                   public IQualProp,
                                   public IFrameSink {
public:
    TVideoRendererFilter();
    ~TVideoRendererFilter() override;

    void CreatePins() override;

    // IVideoWindow
    HRESULT put_Owner(QWidget* owner) override;
    HRESULT get_Owner(QWidget*& owner) override;
    HRESULT put_WindowStyle(long style) override;
    HRESULT get_WindowStyle(long& style) override;
    HRESULT put_WindowStyleEx(long style) override;
    HRESULT get_WindowStyleEx(long& style) override;
    HRESULT SetWindowPosition(long left, long top, long width, long height) override;
    HRESULT GetWindowPosition(long& left, long& top, long& width, long& height) override;
    HRESULT put_Caption(const QString& caption) override;
    HRESULT get_Caption(QString& caption) override;
    HRESULT put_MessageDrain(QWidget* drain) override;
    HRESULT put_Visible(long visible) override;
    HRESULT get_Visible(long& visible) override;

    // IQualProp
    HRESULT get_FramesDroppedInRenderer(int& frames) override;
    HRESULT get_FramesDrawn(int& frames) override;

    // Set up by the graph when it connects the renderer (before streaming starts).
    void Configure(const AVCodecContext* codec, AVRational sampleAspect,
                   std::shared_ptr<TMediaClock> clock);
    void Receive(const AVFrame* frame, REFERENCE_TIME pts, REFERENCE_TIME duration,
                 int epoch) override;
    void EndOfStream(int epoch) override;

    // The renderer's window; GUI thread only.
    TVideoRendererWidget* Widget() const;

protected:
    void StateChanged(FILTER_STATE state) override;

private:
    struct WindowState {
        QPointer<QWidget> owner;
        long style = 0x06CF0000; // WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN
        long exStyle = 0;
        QRect rect{0, 0, 240, 180};
        QString caption = QStringLiteral("ActiveMovie Window");
        QPointer<QWidget> drain;
        bool visible = true;  // put_Visible
        bool started = false; // paused or run while connected: the window may show
    };

    void PostApply();
    void Apply(TVideoRendererWidget* w, const WindowState& state);
    void Present(const AVFrame* frame, REFERENCE_TIME pts, REFERENCE_TIME duration, int epoch);
    double DisplayAspect(const AVFrame* frame) const;

    // The picture waiting for the GUI thread. Only the latest one is kept, and only one
    // call is posted at a time, so a GUI thread that falls behind skips pictures
    // instead of piling them up.
    struct Pending {
        std::mutex lock;
        QImage image;
        REFERENCE_TIME pts = 0;
        double aspect = 0;
        bool posted = false;
    };
    std::shared_ptr<Pending> FPending = std::make_shared<Pending>();
    TVideoRendererWidget* FWidget = nullptr; // guarded by FWidgetLock; cleared when destroyed
    mutable std::mutex FWidgetLock;
    WindowState FWindow; // guarded by FLock
    QPointer<QWidget> FAppliedOwner;
    Qt::WindowFlags FAppliedFlags;
    bool FApplied = false;

    // Streaming state (decoder thread).
    std::shared_ptr<TMediaClock> FClock;
    AVRational FSampleAspect{0, 1};
    ffmpeg::SwsPtr FSws;
    ffmpeg::FramePtr FHeld = ffmpeg::MakeFrame(); // last frame before a seek target
    REFERENCE_TIME FHeldPts = -1;
    int FLastEpoch = -1;
    REFERENCE_TIME FLastEnd = 0;
    std::chrono::steady_clock::time_point FLastShown;
    std::atomic<int> FDrawn{0};
    std::atomic<int> FDropped{0};
};

} // namespace media
