#pragma once

// TVideoWindow: the control the preview's picture appears in. It attaches itself to a
// TFilterGraph as member and event sink, contributes the video renderer each time the
// graph becomes active, and on every play places the renderer's own window over this
// control (re-parented into this control's parent, at this control's bounds) or over
// the whole screen (FullScreen: a frameless top-level window of the screen's size). The
// renderer window's mouse and key input comes back here (it is the message drain).
//
// The main window uses: SetFilterGraph(FilterGraph), setObjectName("VideoWin"),
// SetColor, the DblClick signal, and FullScreen if it wants.
//
// Threads: a widget of the main thread. The graph may send ControlNotification(cnPlay)
// from the opening worker; the placement it causes is posted to the main thread.

#include "preview/graph_member.h"
#include "preview/vmr_options.h"

#include "mediagraph/media_interfaces.h"

#include <QColor>
#include <QMenu>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QMenu;
class TFilterGraph;

enum TVideoMode { vmNormal = 0, vmVMR = 1 };

class TVideoWindow : public QWidget, public IGraphEventSink, public IGraphMember {
    Q_OBJECT
public:
    // Makes the renderless mode's surface allocator for a window; sets hr to its result.
    using TAllocatorClass = std::function<std::shared_ptr<media::IVMRSurfaceAllocator9>(
        QWidget* window, media::HRESULT& hr)>;

    explicit TVideoWindow(QWidget* owner = nullptr);
    ~TVideoWindow() override;

    TVideoMode Mode() const { return FMode; }
    // vmVMR falls back to vmNormal when the mixing renderer cannot be made.
    void SetMode(TVideoMode value);
    TVMROptions& VMROptions() { return FVMROptions; }
    TFilterGraph* FilterGraph() const { return FFilterGraph; }
    void SetFilterGraph(TFilterGraph* graph);
    bool FullScreen() const { return FFullScreen; }
    void SetFullScreen(bool value);
    void SetFullScreenTopMost(bool value);
    // The renderer window currently covers the screen.
    bool FullScreenActive() const { return FFullScreenActive; }
    void SetColor(const QColor& color);
    void SetPopupMenu(QMenu* menu, bool autoPopup = true);
    void SetAllocatorClass(TAllocatorClass allocatorClass, std::uintptr_t userId = 0);

    // The renderer's window (the "VideoRenderer" child of this control's parent whose
    // title is this control's name) while a renderer window exists; else this control.
    QWidget* VideoHandle() const;
    bool RendererConnected() const;
    // Replaces the window styles saved when loading finished (what full screen starts
    // from and returns to).
    void SetSavedStyles(long style, long exStyle);
    void Loaded();

    // The interface query: the windowless control, this control's own, the renderer's.
    template <class I> std::shared_ptr<I> Query() {
        if constexpr (std::is_same_v<I, media::IVMRWindowlessControl9>)
            if (FWindowless)
                return FWindowless;
        if (auto* own = dynamic_cast<I*>(this))
            return std::shared_ptr<I>(std::shared_ptr<void>(), own);
        return media::QueryInterface<I>(FRenderer);
    }

    void setVisible(bool visible) override;

    // IGraphMember
    std::shared_ptr<media::IBaseFilter> MemberFilter() override { return FRenderer; }
    QString MemberName() override { return objectName(); }
    void MemberNotify(TMemberOperation operation, int param) override;
    // IGraphEventSink
    void GraphNotification(long code, media::LONG_PTR param1, media::LONG_PTR param2) override;
    void ControlNotification(TControlNotification kind, int param) override;

    std::function<void(QObject* sender)> OnPaint;

signals:
    void Click();
    void DblClick();
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void MouseMove(Qt::KeyboardModifiers shift, int x, int y);
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void Adding();
    void Added();
    void Removing();
    void ApplyFullScreen();
    void PlaceOnPlay();
    void CaptionAndDrain();
    void ApplyPreferences(const std::shared_ptr<media::IVMRFilterConfig9>& config);
    void PlaceRenderer();
    QPoint ReportedPosition(const QMouseEvent* event) const;

    TVideoMode FMode = vmNormal;
    TVMROptions FVMROptions{this};
    QPointer<TFilterGraph> FFilterGraph;
    std::shared_ptr<media::IBaseFilter> FRenderer;
    std::shared_ptr<media::IVideoWindow> FVideoWindow;
    std::shared_ptr<media::IVMRWindowlessControl9> FWindowless;
    bool FFullScreen = false;
    bool FFullScreenTopMost = false;
    bool FFullScreenActive = false;
    long FSavedStyle = 0;
    long FSavedExStyle = 0;
    QColor FColor = Qt::black;
    QPointer<QMenu> FPopupMenu;
    bool FAutoPopup = true;
    TAllocatorClass FAllocatorClass;
    std::shared_ptr<media::IVMRSurfaceAllocator9> FAllocator;
    std::uintptr_t FAllocatorUserId = 0;
    bool FPressed = false;
};
