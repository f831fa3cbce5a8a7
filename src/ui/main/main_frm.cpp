// TMainFrm: state, creation of the components, showing and closing.
#include "ui/main/main_frm.h"

#include "app/common.h"
#include "app/globals.h"
#include "app/settings.h"
#include "audio/loudness/loudness_detail.h"
#include "audio/loudness/loudness_envelope.h"
#include "base/exception.h"
#include "preview/filter_graph.h"
#include "preview/video_window.h"
#include "ui/dialogs/about_frm.h"
#include "ui/dialogs/reports.h"
#include "ui/dialogs/tips_frm.h"
#include "ui/main/main_frm_util.h"
#include "ui/main/run_session.h"
#include "ui/main/source_opener.h"
#include "ui/skin/caption_progress_bar.h"
#include "ui/skin/image.h"
#include "ui/skin/image_button.h"
#include "ui/skin/link_label.h"
#include "ui/skin/skin_panel.h"
#include "ui/skin/skin_style.h"
#include "ui/skin/speed_button.h"
#include "ui/skin/time_overview.h"
#include "ui/skin/track_bar.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

namespace {
// Colour 15564383 of the form description (BGR 0xED7F5F), the skin's main colour.
QColor PreviewColor() {
    return SkinMainColor();
}

QLabel* MakeLabel(const QString& text, QWidget* parent, const QRect& r,
                  Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(r);
    l->setAlignment(align);
    return l;
}
} // namespace

TMainFrm::TMainFrm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MainFrm"));
    setWindowTitle(QStringLiteral("Vemra Sonavel"));
    // The preview and the time line take what is more than designed.
    setMinimumSize(MinClientWidth, ClientHeight);
    resize(ClientWidth, ClientHeight);
    setAutoFillBackground(true);

    FilterGraph = new TFilterGraph(this);
    FilterGraph->setObjectName(QStringLiteral("FilterGraph"));
    FilterGraph->SetGraphEdit(false);
    FilterGraph->SetLinearVolume(true);
    Opener = new TSourceOpener(FilterGraph, this);

    RunSession =
        std::make_unique<TRunSession>(); // loads the encoder library; failure ends start-up

    Timer1 = new QTimer(this);
    Timer3 = new QTimer(this);
    for (QTimer* t : {Timer1, Timer3})
        t->setInterval(100);
    Envelope = new TLoudnessEnvelope(this);
    Detail = new TLoudnessDetail(this);
    setAcceptDrops(true);

    Splitter1 = new QFrame(this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setStyleSheet(QStringLiteral("background: #5F7FED;"));

    BuildPreviewArea();
    BuildFileArea();
    BuildSummaryArea();
    BuildTrackListArea();
    BuildOverlays();
    BuildUndo();
    NameControls();
    ConnectHandlers();
    ConnectTimeLine();
    InstallKeyFilter();
    BuildRecentMenu(); // after the key filter: the menu keeps its own keys
    FormCreate();
    LayoutControls();
    RestorePlacement();
}

TMainFrm::~TMainFrm() {
    // The output's worker may still read the run's input: stop it before the input goes.
    StopRunForClose();
    Opener->JoinThread();
    RunSession.reset();
}

// The Build functions make the controls at their sizes; LayoutControls places them (and
// sizes those that grow with the window).
void TMainFrm::BuildPreviewArea() {
    VideoWin = new TVideoWindow(this);
    VideoWin->setObjectName(QStringLiteral("VideoWin"));
    VideoWin->SetColor(PreviewColor());
    VideoWin->SetFilterGraph(FilterGraph);

    TimePanel = new TSkinPanel(this);
    TimePanel->setColor(PreviewColor());
    TimeLabel = MakeLabel(FormatTimeText(0), TimePanel, QRect(4, 0, 110, 18));
    TimeLabel->setStyleSheet(QStringLiteral("color: white;"));
    TotalTimeLabel = MakeLabel(tr("No Video File  "), TimePanel, QRect(110, 0, 119, 18),
                               Qt::AlignRight | Qt::AlignVCenter);
    TotalTimeLabel->setStyleSheet(QStringLiteral("color: #DDE6FF;"));

    TrackBar = new TTrackBar(this);
    TrackBar->setThumbLength(12);
    TrackBar->setTicksVisible(false);
    TrackBar->setTimeRuler(true);
    TrackBar->setRange(0, 0);
    TimeStrip = new TTimeOverview(this);
    TimeStrip->setObjectName(QStringLiteral("TimeStrip"));
    TimeStrip->setTrackBar(TrackBar);

    StartPointBtn = new TImage(QStringLiteral("marker_start"), this);
    StartPointBtn->setCursor(Qt::SizeHorCursor);
    StartPointBtn->hide();
    EndPointBtn = new TImage(QStringLiteral("marker_end"), this);
    EndPointBtn->setCursor(Qt::SizeHorCursor);
    EndPointBtn->hide();

    PlayBtn = new TImageButton(QStringLiteral("play"), tr("Play"), this);
    PauseBtn = new TImageButton(QStringLiteral("pause"), tr("Pause"), this);
    BeginBtn = new TImageButton(QStringLiteral("begin"), tr("to the Begin"), this);
    EndBtn = new TImageButton(QStringLiteral("end"), tr("to the End"), this);
    OpenBtn = new TImageButton(QStringLiteral("open"), tr("Open File"), this);
    modifyBtn = new TImageButton(QStringLiteral("modify"), tr("Modify"), this);
    for (TImageButton* b : {PlayBtn, PauseBtn, BeginBtn, EndBtn, OpenBtn, modifyBtn})
        b->resize(28, 28);
    modifyBtn->hide();
    PlayBtn->setEnabled(false);
    PauseBtn->setEnabled(false);
}

void TMainFrm::BuildFileArea() {
    sourceFileLabel = MakeLabel(tr("Source File:"), this, QRect(0, 0, 120, 16));
    sourceFileEdit = new QLineEdit(this);
    sourceFileEdit->setObjectName(QStringLiteral("sourceFileEdit"));
    sourceFileEdit->setReadOnly(true);
    sourceFileEdit->installEventFilter(this);
    OpenFileBtn = new TSpeedButton(QStringLiteral("..."), QString(), this);
    OpenFileBtn->resize(36, 23); // with the arrow of its menu
    OpenFileBtn->setToolTip(tr("Open File"));

    outputFileLabel = MakeLabel(tr("Output File:"), this, QRect(0, 0, 120, 16));
    outputFileEdit = new QLineEdit(this);
    outputFileEdit->setObjectName(QStringLiteral("outputFileEdit"));
    SaveFileBtn = new TSpeedButton(QStringLiteral("..."), QString(), this);
    SaveFileBtn->resize(23, 23);
    SaveFileBtn->setToolTip(tr("Save Output MP3 File..."));

    skinButton1 = new QPushButton(tr("&About"), this);
    skinButton1->resize(70, 26);
    skinButton2 = new QPushButton(tr("&Help"), this);
    skinButton2->resize(70, 26);
    ExtractBtn = new QPushButton(tr("&Rip!"), this);
    ExtractBtn->setObjectName(QStringLiteral("ExtractBtn"));
    ExtractBtn->resize(88, 32);
    QFont f = ExtractBtn->font();
    f.setBold(true);
    ExtractBtn->setFont(f);
    ExtractBtn->setDefault(true);
}

void TMainFrm::BuildOverlays() {
    ProgressPanel = new TSkinPanel(this);
    ProgressPanel->setObjectName(QStringLiteral("ProgressPanel"));
    // Over the row of About, Help and Rip! while a run goes: the summary's rows above it
    // (a DVD's title and chapter) stay in sight.
    ProgressPanel->resize(276, 44);
    ProgressPanel->setColor(QColor(0xE8, 0xEE, 0xFD));
    ProgressPanel->setFrameShape(QFrame::Box);
    ProgressPanel->setStyleSheet(QStringLiteral("TSkinPanel { border: 1px solid #8FA6E8; }"));
    ProgressLabel = MakeLabel(tr("Extracting MP3..."), ProgressPanel, QRect(8, 2, 260, 16));
    ProgressBar = new TCaptionProgressBar(ProgressPanel);
    ProgressBar->setGeometry(8, 20, 178, 20);
    CancelBtn = new QPushButton(tr("&Cancel"), ProgressPanel);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(192, 17, 76, 25); // "&Abbrechen" too
    CancelBtn->setToolTip(tr("Stop the rip (Esc)"));
    ProgressPanel->hide();

    HintPanel = new TSkinPanel(this);
    HintPanel->setObjectName(QStringLiteral("HintPanel"));
    HintPanel->resize(320, 50);
    HintPanel->setColor(QColor(0xFF, 0xFF, 0xE8));
    HintPanel->setStyleSheet(QStringLiteral("TSkinPanel { border: 1px solid #5F7FED; }"));
    HintLabel = MakeLabel(tr("Opening the source file, please have a wait...."), HintPanel,
                          QRect(0, 0, 320, 50), Qt::AlignCenter);
    HintPanel->hide();
}

void TMainFrm::ConnectHandlers() {
    auto on = [this](auto member) {
        return [this, member] { Guarded([&] { (this->*member)(); }); };
    };
    connect(OpenBtn, &QAbstractButton::clicked, this, on(&TMainFrm::OpenFileBtnClick));
    connect(OpenFileBtn, &QAbstractButton::clicked, this, on(&TMainFrm::OpenFileBtnClick));
    connect(OpenFileBtn, &TSpeedButton::doubleClicked, this, on(&TMainFrm::OpenFileBtnClick));
    connect(PlayBtn, &QAbstractButton::clicked, this, on(&TMainFrm::PlayBtnClick));
    connect(PauseBtn, &QAbstractButton::clicked, this, on(&TMainFrm::PauseBtnClick));
    connect(BeginBtn, &QAbstractButton::clicked, this, on(&TMainFrm::BeginBtnClick));
    connect(EndBtn, &QAbstractButton::clicked, this, on(&TMainFrm::EndBtnClick));
    connect(VideoWin, &TVideoWindow::DblClick, this, on(&TMainFrm::VideoWinDblClick));
    connect(Timer1, &QTimer::timeout, this, on(&TMainFrm::Timer1Timer));
    connect(RunSession->Timer2, &QTimer::timeout, this, on(&TMainFrm::Timer2Timer));
    connect(Timer3, &QTimer::timeout, this, on(&TMainFrm::Timer3Timer));
    connect(TrackBar, &TTrackBar::changed, this, on(&TMainFrm::TrackBarChange));
    TrackBar->setOnCustomDraw([this](TTrackBar& sender, TTrackBarItem item, const QRect& r,
                                     QPainter& canvas, bool& defaultDraw) {
        Guarded([&] { TrackBarCustomDraw(sender, item, r, canvas, defaultDraw); });
    });
    connect(StartPointBtn, &TImage::mouseMoved, this,
            [this](int x, int y, Qt::MouseButtons b, Qt::KeyboardModifiers k) {
                Guarded([&] { StartPointBtnMouseMove(b, x, y, k); });
            });
    connect(EndPointBtn, &TImage::mouseMoved, this,
            [this](int x, int y, Qt::MouseButtons b, Qt::KeyboardModifiers k) {
                Guarded([&] { EndPointBtnMouseMove(b, x, y, k); });
            });
    connect(startPointUpBtn, &TImageButton::mouseDown, this,
            on(&TMainFrm::startPointUpBtnMouseDown));
    connect(startPointDownBtn, &TImageButton::mouseDown, this,
            on(&TMainFrm::startPointDownBtnMouseDown));
    connect(endPointUpBtn, &TImageButton::mouseDown, this, on(&TMainFrm::endPointUpBtnMouseDown));
    connect(endPointDownBtn, &TImageButton::mouseDown, this,
            on(&TMainFrm::endPointDownBtnMouseDown));
    for (TImageButton* b : {startPointUpBtn, startPointDownBtn, endPointUpBtn, endPointDownBtn})
        connect(b, &TImageButton::mouseUp, this, on(&TMainFrm::startPointUpBtnMouseUp));
    connect(ExtractBtn, &QPushButton::clicked, this, on(&TMainFrm::ExtractBtnClick));
    connect(SaveFileBtn, &QAbstractButton::clicked, this, on(&TMainFrm::SaveFileBtnClick));
    // The summary's output row says, while the user types, what Rip! will write.
    connect(outputFileEdit, &QLineEdit::textChanged, this, on(&TMainFrm::ShowOutputFile));
    connect(CancelBtn, &QPushButton::clicked, this, on(&TMainFrm::CancelBtnClick));
    connect(AudioTrackBox, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { Guarded([&] { AudioTrackBoxChange(index); }); });
    connect(TitleBox, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { Guarded([&] { TitleBoxChange(index); }); });
    connect(AngleBox, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { Guarded([&] { AngleBoxChange(index); }); });
    connect(ChapterBox, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { Guarded([&] { ChapterBoxChange(index); }); });
    connect(TrackBar, &TTrackBar::doubleClicked, this,
            [this](int position) { Guarded([&] { TrackBarDblClick(position); }); });
    // The overview is drawn as it grows; the track bar repaints only its own area.
    connect(Envelope, &TLoudnessEnvelope::progressed, TrackBar, qOverload<>(&QWidget::update));
    connect(Envelope, &TLoudnessEnvelope::finished, TrackBar, qOverload<>(&QWidget::update));
    connect(MP3SettingsEdit, &TLinkLabel::clicked, this, on(&TMainFrm::MP3SettingsEditClick));
    connect(Id3TagEdit, &TLinkLabel::clicked, this, on(&TMainFrm::Id3TagEditClick));
    connect(UseAsCoverLink, &TLinkLabel::clicked, this, on(&TMainFrm::UseAsCoverClick));
    connect(skinButton1, &QPushButton::clicked, this, on(&TMainFrm::skinButton1Click));
    connect(skinButton2, &QPushButton::clicked, this, on(&TMainFrm::skinButton2Click));
    for (TSkinPanel* row : {outputFilePanel, MP3SettingsPanel, ID3TagPanel, DurationPanel,
                            FileSizePanel, AudioTrackPanel, TitlePanel, AnglePanel, ChapterPanel}) {
        connect(row, &TSkinPanel::mouseMoved, this,
                [this, row] { Guarded([&] { outputFilePanelMouseMove(row); }); });
    }

    connect(RunSession.get(), &TRunSession::done, this,
            [this](bool aborted) { Guarded([&] { MP3OutDone(aborted); }); });
    connect(RunSession.get(), &TRunSession::keptAfterCancel, this,
            [this](const QString& file) { Guarded([&] { ShowKeptAfterCancel(file); }); });
    connect(RunSession.get(), &TRunSession::cancelled, this,
            [this](int written) { Guarded([&] { ShowCancelOutcome(written); }); });
    connect(RunSession.get(), &TRunSession::failed, this,
            [this](const QString& message) { Guarded([&] { MP3OutThreadException(message); }); });
}

void TMainFrm::FormCreate() {
    FTrackMargin = 4;
    const QString host = QUrl(HomePageUrl).host();
    setWindowTitle(host.isEmpty() ? AppTitle : AppTitle + QStringLiteral("   (") + host + u')');
    FTipsShown = false;
}

void TMainFrm::FormShow() {
    if (!SettingsProblem().isEmpty())
        TellSettingsProblem();
    if (TipsIndex < TipsOff && !FTipsShown) {
        FTipsShown = true;
        TipsForm().exec();
    }
}

void TMainFrm::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!FTipsShown && !e->spontaneous()) {
        // After the window is up, so the tip sits over it.
        QTimer::singleShot(0, this, [this] { Guarded([&] { FormShow(); }); });
    }
}

bool TMainFrm::IsIdle() const {
    return HintPanel->isHidden() && ProgressPanel->isHidden() && !FClosed;
}

bool TMainFrm::Running() const {
    return !ProgressPanel->isHidden();
}

void TMainFrm::Splitter1CanResize(int&, bool& Accept) {
    Accept = false;
}

bool TMainFrm::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == StartPointBtn || watched == EndPointBtn) &&
        (event->type() == QEvent::MouseButtonPress ||
         event->type() == QEvent::MouseButtonRelease)) {
        // A marker's drag is one step of the undo history, taken when it lets go.
        FMarkerHeld = event->type() == QEvent::MouseButtonPress &&
                      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        if (!FMarkerHeld)
            Guarded([&] { RecordEdit(); });
    }
    if (event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        const bool plain = !(k->modifiers() & ~Qt::KeypadModifier);
        // Enter presses the focused button as Space does (the desktop's own rule for
        // buttons outside dialogs varies).
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (button && plain && focusWidget() == button &&
            (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)) {
            if (button->isEnabled())
                Guarded([&] { button->click(); });
            return true;
        }
        if (watched == TrackListView) {
            // The list keeps its keys (arrows choose, typing searches) but the range's.
            bool handled = false;
            if (k->key() == Qt::Key_BracketLeft || k->key() == Qt::Key_BracketRight)
                Guarded([&] { handled = HandleWindowKey(k->key(), k->modifiers()); });
            return handled || QWidget::eventFilter(watched, event);
        }
    }
    if (watched == TrackBar &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove ||
         event->type() == QEvent::MouseButtonRelease)) {
        bool handled = false;
        Guarded([&] { handled = TrackBarBoundaryMouse(static_cast<QMouseEvent*>(event)); });
        if (handled)
            return true;
    }
    if (event->type() == QEvent::KeyPress && watched != sourceFileEdit &&
        watched != outputFileEdit && !KeyForFocusedButton(watched, event)) {
        // The track bar would take the arrows for itself.
        auto* k = static_cast<QKeyEvent*>(event);
        bool handled = false;
        Guarded([&] { handled = HandleWindowKey(k->key(), k->modifiers()); });
        if (handled)
            return true;
    }
    if (watched == sourceFileEdit) {
        if (event->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(event);
            // The time line's Ctrl keys come first: the edit's rule is about typing.
            if (k->modifiers() & Qt::ControlModifier) {
                bool zoomed = false;
                Guarded([&] { zoomed = HandleTimeLineKey(k->key(), k->modifiers()); });
                if (zoomed)
                    return true;
            }
            // The edit is read-only: the window's keys work there too, unless the edit's
            // own rule (a letter or digit opens the dialog) takes the key.
            const int code = WindowsKeyCode(k->key(), k->modifiers());
            if (code > 45 && code <= 90) {
                Guarded([&] { sourceFileEditKeyDown(k->key(), k->modifiers()); });
                // The edit still gets the key (Ctrl+C copies); should it pass the key on,
                // the window must not act on it a second time.
                FRuleKeyEvent = k;
                QTimer::singleShot(0, this, [this] { FRuleKeyEvent = nullptr; });
                return QWidget::eventFilter(watched, event);
            }
            bool handled = false;
            Guarded([&] { handled = HandleWindowKey(k->key(), k->modifiers()); });
            if (handled)
                return true;
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            Guarded([&] { OpenFileBtnClick(); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TMainFrm::WindowActive() const {
    return isActiveWindow();
}
