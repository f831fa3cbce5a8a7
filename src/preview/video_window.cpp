#include "preview/video_window.h"

#include "preview/filter_graph.h"
#include "preview/media_util.h"
#include "preview/pin_list.h"
#include "preview/video_renderer_exception.h"

#include "mediagraph/class_registry.h"
#include "mediagraph/gui_call.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

using namespace media;

// Style masks of the full-screen switch: caption and sizing frame off; the four edge
// styles off (the top-most bit is added on request).
static constexpr std::uint32_t kFullScreenStyleMask = 0xFF3BFFFF;
static constexpr std::uint32_t kFullScreenExStyleMask = 0xFFFDFCFE;

TVideoWindow::TVideoWindow(QWidget* owner) : QWidget(owner) {
    setFocusPolicy(Qt::StrongFocus); // TabStop
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(160, 120);
    Loaded();
}

TVideoWindow::~TVideoWindow() {
    try {
        SetFilterGraph(nullptr);
    } catch (const std::exception& e) {
        TFilterGraph::ReportException(e);
    }
}

void TVideoWindow::Loaded() {
    // The control's own window: a visible child that clips its neighbours and children.
    FSavedStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                  (isVisibleTo(parentWidget()) ? WS_VISIBLE : 0) | 0x00010000; // WS_TABSTOP
    FSavedExStyle = 0;
}

void TVideoWindow::SetSavedStyles(long style, long exStyle) {
    FSavedStyle = style;
    FSavedExStyle = exStyle;
}

void TVideoWindow::SetColor(const QColor& color) {
    FColor = color;
    update();
}

void TVideoWindow::SetPopupMenu(QMenu* menu, bool autoPopup) {
    FPopupMenu = menu;
    FAutoPopup = autoPopup;
}

void TVideoWindow::SetAllocatorClass(TAllocatorClass allocatorClass, std::uintptr_t userId) {
    FAllocatorClass = std::move(allocatorClass);
    FAllocatorUserId = userId;
}

// ---- graph attachment ----

void TVideoWindow::SetFilterGraph(TFilterGraph* graph) {
    if (graph == FFilterGraph)
        return;
    if (FFilterGraph) {
        TFilterGraph* old = FFilterGraph;
        disconnect(old, &QObject::destroyed, this, nullptr);
        old->RemoveMember(this);
        old->RemoveEventSink(this);
    }
    FFilterGraph = graph;
    if (graph) {
        // A graph destroyed first is just forgotten; it has detached everything itself.
        connect(graph, &QObject::destroyed, this, [this] { FFilterGraph = nullptr; });
        graph->InsertMember(this);
        graph->InsertEventSink(this);
    }
}

void TVideoWindow::SetMode(TVideoMode value) {
    if (value == vmVMR) {
        // Probe: the mixing renderer must be creatable (it is not on this platform).
        std::shared_ptr<IBaseFilter> probe;
        if (CoCreateInstance(CLSID_VideoMixingRenderer9, probe) != S_OK)
            value = vmNormal;
    }
    FMode = value;
    if (FFilterGraph && FFilterGraph->Active()) {
        FFilterGraph->RemoveMember(this);
        FFilterGraph->InsertMember(this);
    }
}

bool TVideoWindow::RendererConnected() const {
    if (!FRenderer)
        return false;
    TPinList pins(FRenderer);
    for (int i = 0; i < pins.Count(); ++i)
        if (pins.Connected(i))
            return true;
    return false;
}

QWidget* TVideoWindow::VideoHandle() const {
    if (!FVideoWindow)
        return const_cast<TVideoWindow*>(this);
    if (!parentWidget())
        return nullptr;
    for (QWidget* child :
         parentWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (child->objectName() == QLatin1String("VideoRenderer") &&
            child->windowTitle() == objectName())
            return child;
    return nullptr;
}

// ---- member steps ----

void TVideoWindow::MemberNotify(TMemberOperation operation, int) {
    switch (operation) {
    case moAdding:
        Adding();
        break;
    case moAdded:
        Added();
        break;
    case moRemoving:
        Removing();
        break;
    case moRemoved:
        FVideoWindow.reset();
        FWindowless.reset();
        FRenderer.reset();
        break;
    }
}

void TVideoWindow::Adding() {
    // (No floating-point control word to guard here: that was a quirk of one platform.)
    if (FMode == vmNormal) {
        CoCreateInstance(CLSID_VideoRenderer, FRenderer);
        return;
    }
    CoCreateInstance(CLSID_VideoMixingRenderer9, FRenderer);
    auto config = QueryInterface<IVMRFilterConfig9>(FRenderer);
    if (!config)
        return;
    switch (FVMROptions.Mode()) {
    case vmrWindowed:
        CheckMediaResult(config->SetRenderingMode(VMR9Mode::VMR9Mode_Windowed));
        break;
    case vmrWindowless:
        CheckMediaResult(config->SetRenderingMode(VMR9Mode::VMR9Mode_Windowless));
        break;
    case vmrRenderless: {
        if (!FAllocatorClass)
            throw EVideoRendererException(QStringLiteral("Allocator class not set."));
        HRESULT hr = S_OK;
        auto allocator = FAllocatorClass(this, hr);
        if (FAILED(hr))
            throw EVideoRendererException(QStringLiteral("Error Creating Allocator"), hr);
        CheckMediaResult(config->SetRenderingMode(VMR9Mode::VMR9Mode_Renderless));
        auto notify = QueryInterface<IVMRSurfaceAllocatorNotify9>(FRenderer);
        CheckMediaResult(notify ? S_OK : E_NOINTERFACE);
        CheckMediaResult(allocator ? S_OK : E_NOINTERFACE);
        notify->AdviseSurfaceAllocator(FAllocatorUserId, allocator);
        FAllocator = allocator; // the extra reference, dropped at moRemoving
        allocator->AdviseNotify(notify);
        break;
    }
    }
}

void TVideoWindow::ApplyPreferences(const std::shared_ptr<IVMRFilterConfig9>& config) {
    const TVMRPreferences before = FVMROptions.Preferences();
    const bool forceMixer = before & PreferenceBit(vpForceMixer);
    CheckMediaResult(config->SetRenderingPrefs(before & ~PreferenceBit(vpForceMixer)));
    unsigned prefs = 0;
    CheckMediaResult(config->GetRenderingPrefs(prefs));
    FVMROptions.StorePreferences(static_cast<TVMRPreferences>(
        (prefs & 0xFF) | (forceMixer ? PreferenceBit(vpForceMixer) : 0)));
}

void TVideoWindow::Added() {
    if (FMode == vmNormal) {
        FVideoWindow = QueryInterface<IVideoWindow>(FRenderer);
        CheckMediaResult(FVideoWindow ? S_OK : E_NOINTERFACE);
        return;
    }
    if (!FRenderer)
        return;
    auto config = QueryInterface<IVMRFilterConfig9>(FRenderer);
    if (CheckMediaResult(config ? S_OK : E_NOINTERFACE) != S_OK)
        return;
    if (FVMROptions.Streams() != 4 || (FVMROptions.Preferences() & PreferenceBit(vpForceMixer))) {
        CheckMediaResult(config->SetNumberOfStreams(FVMROptions.Streams()));
        unsigned streams = 0;
        CheckMediaResult(config->GetNumberOfStreams(streams));
        FVMROptions.StoreStreams(streams);
    }
    if (FVMROptions.Mode() == vmrWindowed) {
        FVideoWindow = QueryInterface<IVideoWindow>(FRenderer);
        ApplyPreferences(config);
    } else if (FVMROptions.Mode() == vmrWindowless) {
        FWindowless = QueryInterface<IVMRWindowlessControl9>(FRenderer);
        if (FWindowless)
            FWindowless->SetVideoClippingWindow(this);
        ApplyPreferences(config);
        PlaceRenderer();
    }
    FVMROptions.SetKeepAspectRatio(FVMROptions.KeepAspectRatio());
}

void TVideoWindow::Removing() {
    if (!FRenderer)
        return;
    CheckMediaResult(FRenderer->Stop());
    TPinList pins(FRenderer);
    for (int i = 0; i < pins.Count(); ++i)
        CheckMediaResult(pins.Item(i)->Disconnect());
    if (FMode == vmVMR && FVMROptions.Mode() == vmrRenderless && FAllocator)
        FAllocator.reset();
}

// ---- placement ----

void TVideoWindow::ApplyFullScreen() {
    SetFullScreen(FFullScreen);
}

void TVideoWindow::SetFullScreen(bool value) {
    if (FVideoWindow && RendererConnected()) {
        if (value) {
            CheckMediaResult(FVideoWindow->put_Owner(nullptr));
            CheckMediaResult(FVideoWindow->put_WindowStyle(
                static_cast<long>(static_cast<std::uint32_t>(FSavedStyle) & kFullScreenStyleMask)));
            std::uint32_t ex = static_cast<std::uint32_t>(FSavedExStyle) & kFullScreenExStyleMask;
            if (FFullScreenTopMost)
                ex |= WS_EX_TOPMOST;
            CheckMediaResult(FVideoWindow->put_WindowStyleEx(static_cast<long>(ex)));
            const QSize screen = QGuiApplication::primaryScreen()
                                     ? QGuiApplication::primaryScreen()->size()
                                     : QSize(640, 480);
            CheckMediaResult(
                FVideoWindow->SetWindowPosition(0, 0, screen.width(), screen.height()));
            FFullScreenActive = true;
        } else {
            CheckMediaResult(FVideoWindow->put_Owner(parentWidget()));
            CheckMediaResult(
                FVideoWindow->put_WindowStyle(FSavedStyle | WS_CHILD | WS_CLIPSIBLINGS));
            CheckMediaResult(FVideoWindow->put_WindowStyleEx(FSavedExStyle));
            const QRect r = geometry();
            CheckMediaResult(
                FVideoWindow->SetWindowPosition(r.left(), r.top(), r.width(), r.height()));
            FFullScreenActive = false;
        }
    }
    if (FWindowless)
        FFullScreenActive = false;
    FFullScreen = value;
}

void TVideoWindow::SetFullScreenTopMost(bool value) {
    FFullScreenTopMost = value;
    if (FFullScreen)
        ApplyFullScreen();
}

void TVideoWindow::CaptionAndDrain() {
    if (!objectName().isEmpty())
        CheckMediaResult(FVideoWindow->put_Caption(objectName()));
    CheckMediaResult(FVideoWindow->put_MessageDrain(this));
}

void TVideoWindow::PlaceOnPlay() {
    if (!RendererConnected())
        return;
    if (FMode == vmNormal && FVideoWindow) {
        ApplyFullScreen();
        CaptionAndDrain();
    } else if (FMode == vmVMR) {
        ApplyFullScreen();
    }
}

void TVideoWindow::ControlNotification(TControlNotification kind, int) {
    if (kind != cnPlay)
        return;
    if (OnGuiThread()) {
        PlaceOnPlay();
        return;
    }
    // Play came from the opening worker: widgets are placed on the main thread.
    QMetaObject::invokeMethod(
        this,
        [this] {
            try {
                PlaceOnPlay();
            } catch (const std::exception& e) {
                TFilterGraph::ReportException(e);
            }
        },
        Qt::QueuedConnection);
}

void TVideoWindow::GraphNotification(long code, LONG_PTR, LONG_PTR) {
    if (code == 9 && FVideoWindow) { // palette changed
        ApplyFullScreen();
        CaptionAndDrain();
    } else if (code == 83 && FVMROptions.Mode() == vmrWindowed &&
               FVideoWindow) { // mixing renderer's device
        CaptionAndDrain();
    }
}

void TVideoWindow::PlaceRenderer() {
    if (FMode == vmNormal || (FMode == vmVMR && FVMROptions.Mode() == vmrWindowed)) {
        if (FVideoWindow && !FFullScreen) {
            const QRect r = geometry();
            FVideoWindow->SetWindowPosition(r.left(), r.top(), r.width(), r.height());
        }
    } else if (FMode == vmVMR && FVMROptions.Mode() == vmrWindowless && FWindowless) {
        const QRect r(0, 0, width(), height());
        FWindowless->SetVideoPosition(nullptr, &r);
    }
}

void TVideoWindow::setVisible(bool visible) {
    QWidget::setVisible(visible);
    if (FVideoWindow)
        CheckMediaResult(FVideoWindow->put_Visible(visible ? OATRUE : OAFALSE));
}

// ---- painting and input ----

void TVideoWindow::paintEvent(QPaintEvent*) {
    {
        QPainter p(this);
        p.fillRect(rect(), FColor);
    }
    if (OnPaint)
        OnPaint(this);
}

void TVideoWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceRenderer();
}

void TVideoWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // The renderer window is a sibling placed at this control's bounds: it follows.
    PlaceRenderer();
}

QPoint TVideoWindow::ReportedPosition(const QMouseEvent* event) const {
    // Covering the screen, the picture reports where the mouse is on the screen.
    return FFullScreenActive ? QCursor::pos() : event->position().toPoint();
}

void TVideoWindow::mousePressEvent(QMouseEvent* event) {
    const QPoint p = ReportedPosition(event);
    FPressed = event->button() == Qt::LeftButton;
    emit MouseDown(event->button(), event->modifiers(), p.x(), p.y());
    event->accept();
}

void TVideoWindow::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = ReportedPosition(event);
    emit MouseMove(event->modifiers(), p.x(), p.y());
    event->accept();
}

void TVideoWindow::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = ReportedPosition(event);
    const bool click = FPressed && event->button() == Qt::LeftButton;
    FPressed = false;
    emit MouseUp(event->button(), event->modifiers(), p.x(), p.y());
    if (click)
        emit Click();
    event->accept();
}

void TVideoWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    FPressed = false;
    emit DblClick();
    event->accept();
}

void TVideoWindow::contextMenuEvent(QContextMenuEvent* event) {
    if (!FFullScreen) {
        QWidget::contextMenuEvent(event);
        return;
    }
    // Full screen: the menu (if any) pops up at the cursor; the message never goes on.
    if (FPopupMenu && FAutoPopup)
        FPopupMenu->popup(QCursor::pos());
    event->accept();
}
