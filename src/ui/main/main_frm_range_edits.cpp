// TMainFrm: the start and end time boxes of the summary, where a user types an exact time
// (h:mm:ss.t, m:ss or seconds) as well as reading the markers' times.
#include "ui/main/main_frm.h"

#include "app/common.h"
#include "ui/skin/track_bar.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QToolTip>

void TMainFrm::SetupRangeEdits() {
    // Digits, colons and one point: what the three ways of writing a time need, so a
    // stray letter never reaches the parser.
    static const QRegularExpression typed(QStringLiteral(R"(\s*[0-9:]*(\.[0-9]*)?\s*)"));
    for (QLineEdit* edit : {startPointEdit, endPointEdit}) {
        edit->setReadOnly(false);
        edit->setValidator(new QRegularExpressionValidator(typed, edit));
        edit->setToolTip(tr("Type a time: h:mm:ss.t, m:ss or seconds; Enter sets it"));
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] {
            Guarded([&] { RangeEditDone(edit == startPointEdit ? TMarker::Start : TMarker::End); });
        });
    }
}

void TMainFrm::RangeEditDone(TMarker marker) {
    const bool start = marker == TMarker::Start;
    QLineEdit* edit = start ? startPointEdit : endPointEdit;
    const int64_t shown = FRange.At(marker);
    if (edit->text() == RangeTimeText(shown))
        return; // left as it was: nothing typed
    int64_t t = 0;
    const bool parsed = ParseTimeText(edit->text(), t);
    // The same rules as the fine steps: inside the source, the start before the end.
    const bool fits = FRange.Allows(marker, t, 1);
    if (!IsIdle() || FRange.DurationMs() <= 0 || !parsed || !fits) {
        const QString why =
            !parsed ? tr("Not a time: write h:mm:ss.t, m:ss or seconds.")
            : start
                ? tr("The start must lie before the end, %1.").arg(RangeTimeText(FRange.EndMs()))
                : tr("The end must lie after the start, %1, and within %2.")
                      .arg(RangeTimeText(FRange.StartMs()), RangeTimeText(FRange.DurationMs()));
        edit->setText(RangeTimeText(shown));
        if (FRange.DurationMs() > 0 && IsIdle())
            QToolTip::showText(edit->mapToGlobal(QPoint(0, edit->height())), why, edit);
        FRangeEditRefusal = why;
        return;
    }
    FRangeEditRefusal.clear();
    FRange.Set(marker, t);
    ShowMarkerOnBar(marker);
    FRange.SetActive(marker);
    TrackBar->setPosition(int(t)); // the preview shows where the range now starts or ends
    PlaceMarkers();
    TrackBar->update();
    ShowRangeInfo();
}
