#pragma once

// The program's only working window: opening a source and previewing it, choosing the
// range, the output and the settings, and the rip itself.
//
// The window is split by concern over several files: main_frm.cpp (state, creation,
// showing), main_frm_close.cpp (closing, also at a signal's request), main_frm_open.cpp
// (opening a source, preview transport), main_frm_range.cpp (markers, fine adjustment,
// the channel drawing), main_frm_run.cpp (the rip, its cancelling and progress),
// main_frm_summary.cpp (the summary rows), main_frm_links.cpp (settings and tag links,
// About, Help), main_frm_tracks.cpp (the audio stream choice and the loudness overview),
// main_frm_keys.cpp (keyboard, drag and drop), main_frm_layout.cpp (placing the controls
// in a window of any size, remembering the window's place), main_frm_timeline.cpp
// (zooming the time line, snapping a marker to silence), main_frm_dvd.cpp (a DVD's titles
// and chapters), main_frm_track_list.cpp (the "Tracks" list, which a rip turns into one
// MP3 per track), main_frm_songs.cpp (the songs found in the sound's pauses, the tracks'
// boundaries on the time line).
//
// Threads: a widget of the GUI thread; every handler runs there. Two other threads touch
// it: the opening worker (OpenSourceWorker) writes FMediaSeeking, FMediaControl and
// CurrentTag before publishing OpenState (release), and the GUI thread reads them only
// after seeing OpenState leave 0 (acquire); the MP3 output's worker reads the run's input
// and reports back through OnDone / OnThreadException, both delivered on the GUI thread.

#include "app/dvd_choice.h"
#include "app/globals.h"
#include "app/track_list.h"
#include "base/exception.h"
#include "media/media_audio_stream.h"
#include "mediagraph/media_interfaces.h"
#include "ui/dialogs/reports.h"
#include "ui/skin/track_bar.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMouseEvent;
class QPainter;
class QPushButton;
class QThread;
class QTimer;
class TAudioInput;
class TCaptionProgressBar;
class TFilterGraph;
class TImage;
class TImageButton;
class TLinkLabel;
class TLoudnessDetail;
class TLoudnessEnvelope;
class TMP3Out;
class TRunInput;
class TSkinPanel;
class QTreeWidget;
class TSpeedButton;
class TTimeOverview;
class TTrackBar;
class TVideoWindow;
class QGroupBox;
struct TEnvelopeBucket;
namespace media {
enum class TMediaContent;
}
struct TTrackJob;

// Outcome of the opening worker: 0 pending, 1 opened, 2 failed.
extern std::atomic<int32_t> OpenState;

class TMainFrm : public QWidget {
    Q_OBJECT
public:
    explicit TMainFrm(QWidget* parent = nullptr);
    ~TMainFrm() override;

    // The designed size of the window's client area, also its smallest; the tracks list
    // stands right of the summary.
    static constexpr int TrackListWidth = 252;
    static constexpr int ClientWidth = 568 + TrackListWidth + 8;
    static constexpr int ClientHeight = 394;

    // ---- Components -------------------------------------------------------------------
    QFrame* Splitter1;
    TVideoWindow* VideoWin;
    TSkinPanel* TimePanel;
    QLabel* TimeLabel;
    QLabel* TotalTimeLabel;
    TTrackBar* TrackBar;
    TTimeOverview* TimeStrip; // the whole time line above the track bar, with its view
    TImage* StartPointBtn;
    TImage* EndPointBtn;
    TImageButton* PlayBtn;
    TImageButton* PauseBtn;
    TImageButton* BeginBtn;
    TImageButton* EndBtn;
    TImageButton* OpenBtn;
    TImageButton* modifyBtn;
    QLabel* sourceFileLabel;
    QLineEdit* sourceFileEdit;
    TSpeedButton* OpenFileBtn; // its menu: the sources opened last
    QMenu* RecentMenu;
    QLabel* outputFileLabel;
    QLineEdit* outputFileEdit;
    TSpeedButton* SaveFileBtn;
    QPushButton* ExtractBtn;
    TSkinPanel* ProgressPanel;
    QLabel* ProgressLabel;
    TCaptionProgressBar* ProgressBar;
    QPushButton* CancelBtn; // "&Cancel", also Escape

    QGroupBox* skinPanel1;
    TSkinPanel* outputFilePanel;
    QLabel* outputFileText;
    TSkinPanel* MP3SettingsPanel;
    QLabel* MP3SettingsText1;
    QLabel* MP3SettingsText2;
    TLinkLabel* MP3SettingsEdit;
    TSkinPanel* ID3TagPanel;
    QLabel* Id3TagText1;
    QLabel* Id3TagText2;
    TLinkLabel* Id3TagEdit;
    TLinkLabel* UseAsCoverLink; // the preview's picture becomes the next rip's cover
    TSkinPanel* DurationPanel;
    QLabel* DurationText;
    QWidget* selPointPanel;
    QLineEdit* startPointEdit;
    QLineEdit* endPointEdit;
    TImageButton* startPointUpBtn;
    TImageButton* startPointDownBtn;
    TImageButton* endPointUpBtn;
    TImageButton* endPointDownBtn;
    TSkinPanel* FileSizePanel;
    QLabel* FileSizeText;
    TSkinPanel* AudioTrackPanel; // shown for sources with more than one audio stream
    QComboBox* AudioTrackBox;
    // "Tracks": ranges a rip splits into, one MP3 each (empty: the rip is the range).
    QGroupBox* TrackListGroup;
    QTreeWidget* TrackListView; // number, title (editable), start, length
    QPushButton* AddRangeBtn;
    QPushButton* RenameTrackBtn;
    QPushButton* RemoveTrackBtn;
    QPushButton* ClearTracksBtn;
    QPushButton* TrackUpBtn;
    QPushButton* TrackDownBtn;
    QPushButton* FindSongsBtn; // the songs found in the sound's pauses fill the list
    TSkinPanel* TitlePanel;    // shown for a DVD: its titles
    QComboBox* TitleBox;
    TSkinPanel* ChapterPanel; // shown for a DVD: the title's chapters as ranges
    QComboBox* ChapterBox;
    // Shown for a DVD title with camera angles; made with the first DVD (main_frm_dvd.cpp).
    TSkinPanel* AnglePanel = nullptr;
    QComboBox* AngleBox = nullptr;
    QPushButton* skinButton1; // "&About"
    QPushButton* skinButton2; // "&Help"
    TSkinPanel* HintPanel;
    QLabel* HintLabel;
    TFilterGraph* FilterGraph;
    TMP3Out* MP3Out;
    QTimer* Timer1;              // preview position
    QTimer* Timer2;              // run progress
    QTimer* Timer3;              // fine-adjust repeat
    TLoudnessEnvelope* Envelope; // the source's loudness overview, made in the background
    TLoudnessDetail* Detail;     // finer loudness of the part of a zoomed time line in view

    // ---- Event handlers ---------------------------------------------------------------
    void FormCreate();
    void FormShow();
    void FormClose();
    void OpenFileBtnClick();
    void PlayBtnClick();
    void PauseBtnClick();
    void Timer1Timer();
    void TrackBarChange();
    void BeginBtnClick();
    void EndBtnClick();
    void VideoWinDblClick();
    void sourceFileEditKeyDown(int Key, Qt::KeyboardModifiers Shift);
    void Splitter1CanResize(int& NewSize, bool& Accept);

    void TrackBarCustomDraw(TTrackBar& Sender, TTrackBarItem Item, const QRect& ARect,
                            QPainter& Canvas, bool& DefaultDraw);
    // With Alt held the marker snaps to the quietest point near the pointer.
    void StartPointBtnMouseMove(Qt::MouseButtons Shift, int X, int Y,
                                Qt::KeyboardModifiers Keys = Qt::NoModifier);
    void EndPointBtnMouseMove(Qt::MouseButtons Shift, int X, int Y,
                              Qt::KeyboardModifiers Keys = Qt::NoModifier);
    void startPointUpBtnMouseDown();
    void startPointDownBtnMouseDown();
    void endPointUpBtnMouseDown();
    void endPointDownBtnMouseDown();
    void startPointUpBtnMouseUp();
    void Timer3Timer();

    void ExtractBtnClick();
    void Timer2Timer();
    void MP3OutDone();
    void MP3OutThreadException(uint64_t Run, const QString& Message);
    void SaveFileBtnClick();
    void CancelBtnClick();
    void AudioTrackBoxChange(int Index);
    void AddRangeBtnClick();
    void RenameTrackBtnClick();
    void RemoveTrackBtnClick();
    void ClearTracksBtnClick();
    void TrackUpBtnClick();
    void TrackDownBtnClick();
    void TrackListViewEdited(int Row, const QString& Title);
    void FindSongsBtnClick();
    void TitleBoxChange(int Index);
    void ChapterBoxChange(int Index);
    void AngleBoxChange(int Index);
    void TrackBarDblClick(int Position);
    void TrackBarViewChange();
    void TrackBarContextPopup(const QPoint& Pos);

    void outputFilePanelMouseMove(TSkinPanel* Sender);

    void MP3SettingsEditClick();
    void Id3TagEditClick();
    void UseAsCoverClick();
    void skinButton1Click();
    void skinButton2Click();

    // ---- Operations shared by the parts ------------------------------------------------
    bool IsIdle() const;
    void StartPlayback();
    void PausePlayback();
    int32_t PixelToTime(int32_t Offset) const;
    void PlaceMarkers();
    void StepMarker();
    void ShowOutputFile();
    void ShowMp3Settings();
    void ShowId3Tag();
    void ShowRangeInfo();
    // The window's keys (Space, Left/Right, Home/End, "[", "]", Ctrl+O, Escape); true
    // when the key was one of them.
    bool HandleWindowKey(int Key, Qt::KeyboardModifiers Shift);
    // A key event the focused button `watched` takes itself (Space), not the window.
    bool KeyForFocusedButton(QObject* watched, QEvent* event) const;
    void SeekBy(int64_t deltaMs);
    // Puts the start (0) or end (1) marker at the current position, by the dragging rules.
    void SetMarkerAtPosition(int marker);
    // A DVD's chapters: the position to the previous (-1) or next (1) chapter's start; the
    // start (0) or end (1) marker to the chapter boundary nearest the position; the range
    // to chapters first..last (1-based), exactly.
    void StepChapter(int direction);
    void SetMarkerAtChapterBoundary(int marker);
    void SelectChapters(int first, int last);

    // The time line: Ctrl+wheel, Ctrl+Plus/Minus (around the position), Ctrl+R (the
    // range), Ctrl+0 (all), S (snap the marker last moved to silence), F11 (full screen).
    bool HandleTimeLineKey(int Key, Qt::KeyboardModifiers Shift);
    void ZoomBy(double factor);
    void ZoomToRange();
    void ZoomAll();
    // Moves the start (0) or end (1) marker to the quietest point within half a second,
    // keeping the range's rules; false when nothing is known of the sound there.
    bool SnapMarkerToSilence(int marker);
    // The quietest time in [t - 500, t + 500] ∩ [lo, hi] (the middle of the quietest
    // stretch nearest to t), from the finest loudness known; t when none is known.
    int64_t QuietestTimeNear(int64_t t, int64_t lo, int64_t hi) const;
    // Loudness of the stream times [from, to) seconds from the finest data made so far.
    bool LoudnessAt(double from, double to, TEnvelopeBucket& levels) const;
    void ToggleFullScreen();
    // Places every control for the window's present size.
    void LayoutControls();

    // Asks to create a missing output folder and creates it; the folder made, or empty
    // (with the output edit focused) when the user declines or it cannot be made.
    QString MakeOutputFolder(const QString& folder);
    // Copies the settings and the tag texts onto an MP3 output, as each run does.
    static void ConfigureOutput(TMP3Out& out, const TAppSettings& settings, const TCurrentTag& tag);

    // Opens `path` as if it had been chosen in the open dialog (the command line's FILE);
    // of a DVD, title `dvdTitle` (0: the longest).
    void OpenSourceFile(const QString& path, int dvdTitle = 0);

    // The desktop or the terminal asked the program to end (SIGTERM, SIGINT, SIGHUP):
    // closes any open dialog, then the window as its close button does (a run is
    // stopped, the settings are saved); what cannot be saved goes to stderr, not a box.
    void CloseForSignal();

    // ---- State (read by tests) ---------------------------------------------------------
    // Why the last time typed into a range box was refused (empty: it was taken).
    const QString& RangeEditRefusal() const { return FRangeEditRefusal; }
    int64_t DurationMs() const { return FDurationMs; }
    int64_t StartMs() const { return FStartMs; }
    int64_t EndMs() const { return FEndMs; }
    int32_t TrackMargin() const { return FTrackMargin; }
    int32_t ActiveMarker() const { return FActiveMarker; }
    TRunInput* RunInput() const { return FRunInput.get(); }
    // The audio track the preview plays and the rip reads: 1-based in stream order,
    // 0 = the source's primary one (a source with a single audio stream).
    int AudioTrack() const { return FAudioTrack; }
    const std::vector<TMediaTrackInfo>& AudioTracks() const { return FAudioTracks; }
    // The tracks the next rip splits into (none: the range is one MP3).
    const TTrackList& TrackList() const { return FTrackList; }
    // True while a run is going (the progress panel is up).
    bool Running() const;
    // The DVD title open (an empty locator for a plain file).
    const TDvdChoice& Dvd() const { return FDvd; }
    // What the preview, the overview and the rip read: the file, or the DVD title.
    QString MediaSource() const;
    // The range the next rip reads, 100-ns units: a chapter's exactly when the range was
    // set to chapters, else the range's milliseconds.
    int64_t RunStart() const;
    int64_t RunEnd() const;

protected:
    // The open and save dialogs and the opening thread, replaceable by tests. The dialogs
    // answer the chosen path, or an empty text when cancelled.
    virtual QString ChooseSourceFile();
    virtual QString ChooseOutputFile(const QString& preset);
    // Starts `work` on a new thread at the highest normal priority; false when no thread
    // can be made.
    virtual bool StartOpenWorker(std::function<void()> work);

    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    // The window is the active one (a finished rip notifies the desktop when not).
    virtual bool WindowActive() const;

    // The run's input, made afresh for each run.
    virtual std::unique_ptr<TRunInput> CreateRunInput();

private:
    void BuildPreviewArea();
    void BuildFileArea();
    void BuildSummaryArea();
    int BuildRangeEdits(QWidget* parent); // answers the width the edits take
    void SetupRangeEdits();
    // A time typed into the start (0) or end (1) box: set when it keeps the range's
    // rules, else the box shows the marker's time again and says why.
    void RangeEditDone(int marker);
    void BuildOverlays();
    void BuildTrackListArea();
    void BuildRecentMenu();
    void ShowRecentMenu();
    void NameControls(); // accessible names of controls without a readable caption
    void PlaceTrackButtons();
    QColor DefaultTitleColor() const;
    void ShowTrackList();
    // The times where the listed tracks start or end, each once, in order (100-ns units).
    std::vector<int64_t> TrackBoundaries() const;
    // Draws them over the channel `Channel` of the track bar.
    void PaintTrackBoundaries(QPainter& Canvas, const QRect& Channel);
    // A press near a boundary on the channel takes it; moves drag it (the tracks on both
    // sides follow), the release lets it go. True when the event was the boundary's.
    bool TrackBarBoundaryMouse(QMouseEvent* Event);
    // The list a source starts with: a DVD title's chapters (more than one), else none.
    void ResetTrackList();
    void EnableRunControls(bool Enabled);
    // The jobs of the next rip with their files, checked by the output rules (asking about
    // existing files and a missing folder); false when the rip must not start.
    bool PlanRunFiles(std::vector<TTrackJob>& jobs, QString& folder);
    void ConnectHandlers();
    void OpenChosenFile(const QString& path);
    void OpenInBackground(const QString& path);
    void OpenSourceWorker(const QString& fileName);
    void WaitForOpening();
    // Back to the state of a window with no source (after a failed open).
    void ResetToNoSource();
    void FinishDeferredClose();
    bool MediaReady() const;
    void ReleaseRunInput();
    void ReturnToIdle();
    void StopRunForClose();
    // Asks whether to stop a running rip for closing; true to close.
    bool ConfirmCloseDuringRun();
    // Moves the keyboard focus off a control about to be disabled (or a link that Space
    // would follow) to the preview, where Space plays.
    void FocusNeutralPlace();
    QString SourceAsMp3() const;
    // The output's name for the open source, as opening it proposes.
    QString DefaultOutputName() const;
    void ShowRunFailure(const QString& reason);
    void ShowKeptAfterCancel(const QString& file);
    void NotifyRunEnd(const QString& body);
    void ShowAudioTracks();
    void ShowDvd();
    void MakeAngleRow();
    void LayoutSummaryRows();
    void ShowChapterOfRange();
    void SetExactRange(int64_t start, int64_t end);
    QString DvdOutputDefault(int firstChapter, int lastChapter) const;
    void StartEnvelope();
    void RenderPreviewAgain();
    void InstallKeyFilter();
    // Tells the user, once per run, that the settings cannot be kept.
    void TellSettingsProblem();
    void PlaceMarker(int marker);
    // A dragged marker (0 start, 1 end) at time t, its edge at window x newLeft.
    void MoveDraggedMarker(int marker, int64_t t, int newLeft, bool snapped);
    // Scrolls a zoomed view to show `t`: just enough (a marker dragged past the edge), or
    // a page on (the position while playing).
    void RevealTime(int64_t t, bool justEnough);
    void TrackBarPositionFollow();
    QString RangeTimeText(int64_t ms) const;
    void ConnectTimeLine();
    void RestorePlacement();
    void SavePlacement();

    // Runs a handler so that no exception leaves it: one that escapes goes to the
    // default error report.
    template <class F> static void Guarded(F&& handler) {
        try {
            handler();
        } catch (const std::exception& e) {
            ReportException(e);
        } catch (...) {
            ReportException(Exception(tr("Unknown error.")));
        }
    }

    bool FPositionFromTimer = false;
    int32_t FTrackMargin = 4;
    std::unique_ptr<TRunInput> FRunInput;
    bool FStepUp = false;
    bool FTipsShown = false;
    int32_t FActiveMarker = 2;
    std::shared_ptr<media::IMediaSeeking> FMediaSeeking;
    std::shared_ptr<media::IMediaControl> FMediaControl;
    int64_t FDurationRef = 0;
    int64_t FDurationMs = 0;
    int64_t FStartMs = 0;
    int64_t FEndMs = 0;

    QString FOpenFileName;                      // the path the opening worker renders
    std::vector<TMediaTrackInfo> FOpenedTracks; // written by the opening worker
    std::vector<TMediaTrackInfo> FAudioTracks;
    int FAudioTrack = 0;
    int FOpenTitle = 0;      // the DVD title the next opening asks for, 0 = the longest
    int FOpenAngle = 1;      // and its camera angle
    TDvdChoice FOpenedDvd;   // written by the opening worker
    QString FOpenedDvdError; // why the opening worker could not use the DVD
    media::TMediaContent FOpenedContent{}; // what the file holds, likewise
    TDvdChoice FDvd;
    // A range set to chapters, exactly (100-ns units); it holds while the milliseconds of
    // the range are still those of it.
    int64_t FExactStart = -1;
    int64_t FExactEnd = -1;
    QElapsedTimer FRunClock; // wall time of the current run
    QString FRunOutput;      // the file (or folder) the current or last run writes
    QString FRunFolder;      // its folder, to remember once written (empty: beside the source)
    QStringList FRunTitles;  // of its tracks
    int64_t FRunFromMs = 0;  // where its progress bar starts
    // The output's run the progress panel shows (0: none), and the run last cancelled
    // with the file it was writing: the output's events name their run, and only these
    // two are listened to.
    uint64_t FActiveRun = 0;
    uint64_t FCancelledRun = 0;
    QString FCancelledFile;
    const QKeyEvent* FRuleKeyEvent = nullptr; // a key the source edit's rule has taken
    std::unique_ptr<QThread> FOpenThread;
    bool FCloseRequested = false; // the window was asked to close while a source opened
    bool FClosed = false;
    bool FQuietClose = false; // closing for a signal: no boxes
    bool FSettingsProblemTold = false;
    TTrackList FTrackList;
    int64_t FDraggedBoundary = -1; // the track boundary being dragged (100-ns units)
    bool FMarkersOn = false;       // a source was opened: markers show where they are in view
    bool FWasMaximized = false;    // before full screen
    bool FFineTimes = false;       // range times shown to the millisecond (zoomed in closely)
    QString FRangeEditRefusal;
};
