// TMainFrm: a DVD opened as a DVD: the "Title:", "Angle:" and "Chapter:" summary rows, the
// chapter marks on the track bar, moving by chapters and setting the range to them exactly.
#include "ui/main/main_frm.h"

#include "app/common.h"
#include "ui/main/main_frm_util.h"
#include "ui/skin/skin_panel.h"
#include "ui/skin/skin_style.h"
#include "ui/skin/track_bar.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>
#include <limits>

namespace {

constexpr int64_t kTicksPerMs = 10000;

int64_t Ms(int64_t time) {
    return time / kTicksPerMs;
}

} // namespace

QString TMainFrm::MediaSource() const {
    return FDvd.locator.isEmpty() ? sourceFileEdit->text() : FDvd.locator;
}

int64_t TMainFrm::RunStart() const {
    return FExactStart >= 0 && Ms(FExactStart) == FStartMs ? FExactStart : FStartMs * kTicksPerMs;
}

int64_t TMainFrm::RunEnd() const {
    return FExactEnd >= 0 && Ms(FExactEnd) == FEndMs ? FExactEnd : FEndMs * kTicksPerMs;
}

void TMainFrm::LayoutSummaryRows() {
    // The rows under "File Size:" follow each other as they are shown; the group grows with
    // them (a run's progress panel covers the lowest ones while it goes).
    int top = FileSizePanel->geometry().bottom() + 2;
    for (TSkinPanel* row : {AudioTrackPanel, TitlePanel, AnglePanel, ChapterPanel}) {
        if (!row || row->isHidden())
            continue;
        row->setGeometry(FileSizePanel->x(), top, FileSizePanel->width(), 22);
        top += 24;
    }
    skinPanel1->resize(skinPanel1->width(), std::max(294, top));
}

void TMainFrm::MakeAngleRow() {
    // A row like the title's, under it: its caption and its choice where the title's are.
    AnglePanel = new TSkinPanel(skinPanel1);
    AnglePanel->setGeometry(TitlePanel->geometry());
    AnglePanel->setColor(SkinRowColor());
    AnglePanel->setMouseTracking(true);
    const QLabel* titleCaption = TitlePanel->findChild<QLabel*>();
    auto* caption = new QLabel(tr("Angle:"), AnglePanel);
    if (titleCaption) {
        caption->setGeometry(titleCaption->geometry());
        caption->setAlignment(titleCaption->alignment());
        caption->setFont(titleCaption->font());
        caption->setStyleSheet(titleCaption->styleSheet());
    }
    caption->setAttribute(Qt::WA_TransparentForMouseEvents);
    AngleBox = new QComboBox(AnglePanel);
    AngleBox->setObjectName(QStringLiteral("AngleBox"));
    AngleBox->setGeometry(TitleBox->geometry());
    AngleBox->setToolTip(tr("The camera angle of the title to preview and rip"));
    AngleBox->setAccessibleName(tr("Angle"));
    connect(AngleBox, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { Guarded([&] { AngleBoxChange(index); }); });
    // The window's keys and its reading order, as for the other rows.
    for (QWidget* w : std::initializer_list<QWidget*>{AnglePanel, AngleBox})
        w->installEventFilter(this);
    setTabOrder(TitleBox, AngleBox);
    setTabOrder(AngleBox, ChapterBox);
    AnglePanel->hide();
}

void TMainFrm::ShowDvd() {
    const bool dvd = !FDvd.locator.isEmpty();
    const int angles = dvd ? FDvd.info.title.angles : 1;
    if (angles > 1 && !AnglePanel)
        MakeAngleRow();
    if (AnglePanel) {
        const QSignalBlocker block(AngleBox);
        AngleBox->clear();
        for (int a = 1; a <= angles && angles > 1; ++a)
            AngleBox->addItem(DvdAngleLabel(a, angles));
        AngleBox->setCurrentIndex(FDvd.angle - 1);
        AnglePanel->setVisible(angles > 1);
    }
    // A title opens with all of it as the range, exactly.
    FExactStart = dvd ? 0 : -1;
    FExactEnd = dvd ? FDvd.Duration() : -1;
    std::vector<int> marks;
    {
        const QSignalBlocker blockTitles(TitleBox);
        const QSignalBlocker blockChapters(ChapterBox);
        TitleBox->clear();
        ChapterBox->clear();
        if (dvd) {
            for (const TDvdTitleEntry& entry : FDvd.titles)
                TitleBox->addItem(DvdTitleLabel(entry));
            TitleBox->setCurrentIndex(FDvd.title - 1);
            ChapterBox->addItem(tr("All %1 chapters").arg(FDvd.Chapters()));
            for (int c = 1; c <= FDvd.Chapters(); ++c) {
                ChapterBox->addItem(
                    QStringLiteral("%1: %2").arg(c).arg(FormatTimeText(Ms(FDvd.ChapterStart(c)))));
                if (c > 1)
                    marks.push_back(int(Ms(FDvd.ChapterStart(c))));
            }
        }
    }
    TitlePanel->setVisible(dvd);
    ChapterPanel->setVisible(dvd && FDvd.Chapters() > 1);
    TrackBar->setTickTimes(marks);
    LayoutSummaryRows();
    ShowChapterOfRange();
}

QString TMainFrm::DvdOutputDefault(int firstChapter, int lastChapter) const {
    return AppSettings.OutputFileDir +
           DvdOutputName(FDvd.volume, FDvd.title, firstChapter, lastChapter);
}

void TMainFrm::TitleBoxChange(int Index) {
    const int title = Index + 1;
    if (FDvd.locator.isEmpty() || title == FDvd.title)
        return;
    if (!IsIdle() || title < 1 || title > int(FDvd.titles.size())) {
        const QSignalBlocker block(TitleBox);
        TitleBox->setCurrentIndex(FDvd.title - 1);
        return;
    }
    // The preview opens again, at the new title's start.
    OpenSourceFile(sourceFileEdit->text(), title);
}

void TMainFrm::AngleBoxChange(int Index) {
    const int angle = Index + 1;
    if (FDvd.locator.isEmpty() || angle == FDvd.angle)
        return;
    if (!IsIdle() || angle < 1 || angle > FDvd.info.title.angles) {
        const QSignalBlocker block(AngleBox);
        AngleBox->setCurrentIndex(FDvd.angle - 1);
        return;
    }
    // The preview opens the title again in that angle, at its start.
    FOpenAngle = angle;
    OpenSourceFile(sourceFileEdit->text(), FDvd.title);
    FOpenAngle = 1;
}

void TMainFrm::ChapterBoxChange(int Index) {
    if (!IsIdle() || FDurationMs <= 0 || FDvd.locator.isEmpty())
        return;
    if (Index <= 0)
        SelectChapters(1, FDvd.Chapters());
    else
        SelectChapters(Index, Index);
}

void TMainFrm::TrackBarDblClick(int Position) {
    if (FDvd.locator.isEmpty() || FDvd.Chapters() < 2)
        return;
    const int chapter = FDvd.ChapterAt(int64_t(Position) * kTicksPerMs);
    SelectChapters(chapter, chapter);
}

void TMainFrm::SetExactRange(int64_t start, int64_t end) {
    FExactStart = start;
    FExactEnd = end;
    FStartMs = Ms(start);
    FEndMs = std::min<int64_t>(Ms(end), FDurationMs);
    TrackBar->setSelStart(int(FStartMs));
    TrackBar->setSelEnd(int(FEndMs));
}

void TMainFrm::SelectChapters(int first, int last) {
    if (!IsIdle() || FDurationMs <= 0 || FDvd.locator.isEmpty())
        return;
    first = std::clamp(first, 1, FDvd.Chapters());
    last = std::clamp(last, first, FDvd.Chapters());
    const QString defaultName = outputFileEdit->text();
    const bool whole = first == 1 && last == FDvd.Chapters();
    SetExactRange(FDvd.ChapterStart(first), FDvd.ChapterEnd(last));
    TrackBar->setPosition(int(FStartMs));
    FActiveMarker = 2;
    PlaceMarkers();
    TrackBar->update();
    ShowRangeInfo();
    // A name the program made follows the chapters; one the user typed stays.
    const QString made = whole ? DvdOutputDefault(0, 0) : DvdOutputDefault(first, last);
    bool ours = defaultName == DvdOutputDefault(0, 0);
    for (int c = 1; c <= FDvd.Chapters() && !ours; ++c)
        ours = defaultName == DvdOutputDefault(c, c);
    if (ours) {
        outputFileEdit->setText(made);
        ShowOutputFile();
    }
}

void TMainFrm::ShowChapterOfRange() {
    if (FDvd.locator.isEmpty() || ChapterPanel->isHidden())
        return;
    // The chapters the range is, exactly; else none.
    int first = 0, last = 0;
    for (int c = 1; c <= FDvd.Chapters(); ++c) {
        if (FDvd.ChapterStart(c) == RunStart())
            first = c;
        if (FDvd.ChapterEnd(c) == RunEnd())
            last = c;
    }
    const bool chapters = first > 0 && last >= first;
    const QSignalBlocker block(ChapterBox);
    ChapterBox->setPlaceholderText(chapters ? tr("Chapters %1-%2").arg(first).arg(last)
                                            : QString());
    if (chapters && first == 1 && last == FDvd.Chapters())
        ChapterBox->setCurrentIndex(0);
    else
        ChapterBox->setCurrentIndex(chapters && first == last ? first : -1);
}

void TMainFrm::StepChapter(int direction) {
    if (FDurationMs <= 0 || FDvd.locator.isEmpty())
        return;
    const int64_t position = int64_t(TrackBar->position()) * kTicksPerMs;
    int64_t target = direction < 0 ? 0 : -1;
    for (int c = 1; c <= FDvd.Chapters(); ++c) {
        const int64_t start = FDvd.ChapterStart(c);
        // Positions are whole milliseconds: a start within the current one is "here".
        if (direction < 0 && Ms(start) < Ms(position))
            target = start;
        if (direction > 0 && Ms(start) > Ms(position) && target < 0)
            target = start;
    }
    if (target >= 0)
        TrackBar->setPosition(int(Ms(target)));
}

void TMainFrm::SetMarkerAtChapterBoundary(int marker) {
    if (!IsIdle() || FDurationMs <= 0 || FDvd.locator.isEmpty())
        return;
    const int64_t position = int64_t(TrackBar->position()) * kTicksPerMs;
    int64_t nearest = FDvd.Duration();
    for (int c = 1; c <= FDvd.Chapters(); ++c)
        if (std::abs(FDvd.ChapterStart(c) - position) < std::abs(nearest - position))
            nearest = FDvd.ChapterStart(c);
    // The rules of dragging: the markers stay a second apart.
    const int64_t ms = Ms(nearest);
    if (marker == 0 ? ms > FEndMs - 1000 : ms < FStartMs + 1000)
        return;
    SetExactRange(marker == 0 ? nearest : RunStart(), marker == 0 ? RunEnd() : nearest);
    TrackBar->setPosition(int(ms));
    FActiveMarker = marker;
    PlaceMarkers();
    TrackBar->update();
    ShowRangeInfo();
}
