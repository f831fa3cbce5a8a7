#include "program/command_progress.h"

#include "app/common.h"

#include <algorithm>
#include <cstdio>

#include <QCoreApplication>
#include <QLocale>

TProgressLine::TProgressLine(std::function<TMediaTime()> Done, TMediaTime Length)
    : FDone(std::move(Done)), FLength(Length) {
    FClock.start();
}

void TProgressLine::Show(bool Final, const QString& Prefix) {
    const TMediaTime done = Final ? FLength : std::clamp(FDone(), TMediaTime(), FLength);
    const double fraction =
        FLength > TMediaTime() ? double(done.Units()) / double(FLength.Units()) : 1.0;
    const double seconds = std::max<qint64>(FClock.elapsed(), 1) / 1000.0;
    const double speed = done.ToSeconds() / seconds;
    const int width = 30, filled = int(fraction * width);
    QString bar = QString(filled, u'#') + QString(width - filled, u'.');
    // The source time still to do, at this speed, in real time.
    QString left =
        speed > 0 ? FormatTimeText(TMediaTime::FromSeconds((FLength - done).ToSeconds() / speed))
                  : QStringLiteral("-:--:--.-");
    const QString text =
        QStringLiteral("\r") +
        QCoreApplication::translate("CommandLine", "%1%2% [%3] %4x realtime, %5 left ")
            .arg(Prefix)
            .arg(int(fraction * 100), 3)
            .arg(bar)
            .arg(QLocale().toString(speed, 'f', 1))
            .arg(left);
    std::fputs(text.toLocal8Bit().constData(), stderr);
    if (Final)
        std::fputc('\n', stderr);
    std::fflush(stderr);
}
