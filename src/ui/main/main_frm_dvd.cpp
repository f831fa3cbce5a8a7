// TMainFrm: a DVD opened as a DVD (the "Title:" and "Angle:" summary rows), and the source's
// chapters (a DVD title's, or those a file's container marks): the "Chapter:" row, the
// chapter marks on the track bar, moving by chapters and setting the range to them exactly.
#include "ui/main/main_frm.h"

#include "app/common.h"
#include "app/output_policy.h"
#include "ui/main/main_frm_util.h"
#include "ui/skin/skin_panel.h"
#include "ui/skin/track_bar.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>
#include <limits>

QString TMainFrm::MediaSource() const {
    return FDvd.locator.isEmpty() ? sourceFileEdit->text() : FDvd.locator;
}

void TMainFrm::LayoutSummaryRows() {
    // The rows under "File Size:" follow each other as they are shown; the group grows with
    // them, and where it would reach the row of the buttons (all four rows) the window
    // grows too.
    int top = FileSizePanel->geometry().bottom() + 2;
    for (TSkinPanel* row : {AudioTrackPanel, TitlePanel, AnglePanel, ChapterPanel}) {
        if (row->isHidden())
            continue;
        row->setGeometry(FileSizePanel->x(), top, FileSizePanel->width(), 22);
        top += 24;
    }
    skinPanel1->resize(skinPanel1->width(), std::max(294, top));
    const int overflow = std::max(0, skinPanel1->geometry().bottom() + 3 - BottomRowTop);
    setMinimumHeight(ClientHeight + overflow);
    LayoutControls();
}

void TMainFrm::ShowDvd() {
    const bool dvd = !FDvd.locator.isEmpty();
    // The Angle row only for a title that has angles to choose from.
    const int angles = dvd ? FDvd.info.title.angles : 1;
    // A title opens with all of it as the range, exactly.
    if (dvd)
        FRange.MarkExact(TMediaTime(), FDvd.Length());
    else
        FRange.ClearExact();
    {
        const QSignalBlocker blockTitles(TitleBox);
        const QSignalBlocker blockAngles(AngleBox);
        TitleBox->clear();
        AngleBox->clear();
        if (dvd) {
            for (const TDvdTitleEntry& entry : FDvd.titles)
                TitleBox->addItem(DvdTitleLabel(entry));
            TitleBox->setCurrentIndex(FDvd.title - 1);
            for (int a = 1; a <= angles; ++a)
                AngleBox->addItem(DvdAngleLabel(a, angles));
            AngleBox->setCurrentIndex(FDvd.angle - 1);
        }
    }
    TitlePanel->setVisible(dvd);
    AnglePanel->setVisible(dvd && angles > 1);
    ShowChapters();
}

void TMainFrm::ShowChapters() {
    std::vector<int> marks;
    {
        const QSignalBlocker blockChapters(ChapterBox);
        ChapterBox->clear();
        if (!FChapters.empty())
            ChapterBox->addItem(tr("All %1 chapters").arg(FChapters.size()));
        for (const TSourceChapter& c : FChapters) {
            // The container's own title where it gives one ("3: 0:12:40.0  Encore").
            QString label = QStringLiteral("%1: %2").arg(c.number).arg(FormatTimeText(c.start));
            if (!c.title.isEmpty())
                label += QStringLiteral("  ") + c.title;
            ChapterBox->addItem(label);
            if (c.number > 1)
                marks.push_back(int(c.start.ToMs()));
        }
    }
    ChapterPanel->setVisible(FChapters.size() > 1);
    TrackBar->setTickTimes(marks);
    LayoutSummaryRows();
    ShowChapterOfRange();
}

TMediaTime TMainFrm::SourceLength() const {
    return FDvd.locator.isEmpty() ? TMediaTime::FromMs(FRange.DurationMs()) : FDvd.Length();
}

QString TMainFrm::DvdOutputDefault(int firstChapter, int lastChapter) const {
    return AppSettings.OutputFileDir + DefaultOutputName(sourceFileEdit->text(), FDvd, firstChapter,
                                                         lastChapter, OutputExtension());
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
    OpenSourceFile(sourceFileEdit->text(), FDvd.title, angle);
}

void TMainFrm::ChapterBoxChange(int Index) {
    if (!IsIdle() || FRange.DurationMs() <= 0 || FChapters.empty())
        return;
    if (Index <= 0)
        SelectChapters(1, int(FChapters.size()));
    else
        SelectChapters(Index, Index);
}

void TMainFrm::TrackBarDblClick(int Position) {
    if (FChapters.size() < 2)
        return;
    const int chapter = ChapterAt(FChapters, TMediaTime::FromMs(Position));
    SelectChapters(chapter, chapter);
}

void TMainFrm::SetExactRange(TMediaTime start, TMediaTime end) {
    FRange.SetExact(start, end);
    TrackBar->setSelStart(int(FRange.StartMs()));
    TrackBar->setSelEnd(int(FRange.EndMs()));
}

void TMainFrm::SelectChapters(int first, int last) {
    const std::vector<TSourceChapter>& chapters = FChapters;
    const int count = int(chapters.size());
    if (!IsIdle() || FRange.DurationMs() <= 0 || count == 0)
        return;
    first = std::clamp(first, 1, count);
    last = std::clamp(last, first, count);
    const QString defaultName = outputFileEdit->text();
    const bool whole = first == 1 && last == count;
    SetExactRange(chapters[size_t(first - 1)].start, chapters[size_t(last - 1)].end);
    TrackBar->setPosition(int(FRange.StartMs()));
    FRange.SetActive(TMarker::Both);
    PlaceMarkers();
    TrackBar->update();
    ShowRangeInfo();
    // A name the program made follows the chapters; one the user typed stays.
    const QString made = whole ? DvdOutputDefault(0, 0) : DvdOutputDefault(first, last);
    if (IsDefaultOutput(defaultName)) {
        outputFileEdit->setText(made);
        ShowOutputFile();
    }
}

bool TMainFrm::RangeChapters(int& first, int& last) const {
    first = last = 0;
    for (const TSourceChapter& c : FChapters) {
        if (c.start == RunStart())
            first = c.number;
        if (c.end == RunEnd())
            last = c.number;
    }
    return first > 0 && last >= first;
}

void TMainFrm::ShowChapterOfRange() {
    if (FChapters.empty() || ChapterPanel->isHidden())
        return;
    int first = 0, last = 0;
    const bool chapters = RangeChapters(first, last);
    const QSignalBlocker block(ChapterBox);
    ChapterBox->setPlaceholderText(chapters ? tr("Chapters %1-%2").arg(first).arg(last)
                                            : QString());
    if (chapters && first == 1 && last == int(FChapters.size()))
        ChapterBox->setCurrentIndex(0);
    else
        ChapterBox->setCurrentIndex(chapters && first == last ? first : -1);
}

void TMainFrm::StepChapter(int direction) {
    if (FRange.DurationMs() <= 0 || FChapters.empty())
        return;
    // Positions are whole milliseconds: a start within the current one is "here".
    const int64_t position = TrackBar->position();
    int64_t target = direction < 0 ? 0 : -1;
    for (const TSourceChapter& c : FChapters) {
        const int64_t start = c.start.ToMs();
        if (direction < 0 && start < position)
            target = start;
        if (direction > 0 && start > position && target < 0)
            target = start;
    }
    if (target >= 0)
        TrackBar->setPosition(int(target));
}

void TMainFrm::SetMarkerAtChapterBoundary(TMarker marker) {
    if (!IsIdle() || FRange.DurationMs() <= 0 || FChapters.empty())
        return;
    const TMediaTime position = TMediaTime::FromMs(TrackBar->position());
    const auto distance = [&](TMediaTime t) { return t < position ? position - t : t - position; };
    TMediaTime nearest = SourceLength();
    for (const TSourceChapter& c : FChapters)
        if (distance(c.start) < distance(nearest))
            nearest = c.start;
    // The rules of dragging: the markers stay a second apart.
    const int64_t ms = nearest.ToMs();
    const bool start = marker == TMarker::Start;
    if (start ? ms > FRange.EndMs() - TRangeModel::MarkerGapMs
              : ms < FRange.StartMs() + TRangeModel::MarkerGapMs)
        return;
    SetExactRange(start ? nearest : RunStart(), start ? RunEnd() : nearest);
    TrackBar->setPosition(int(ms));
    FRange.SetActive(marker);
    PlaceMarkers();
    TrackBar->update();
    ShowRangeInfo();
}
