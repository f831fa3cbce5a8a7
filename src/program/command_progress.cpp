#include "program/command_progress.h"

#include "app/common.h"

#include <algorithm>
#include <cstdio>

#include <QCoreApplication>
#include <QLocale>

TProgressLine::TProgressLine(std::function<int64_t()> Done, int64_t Length)
    : FDone(std::move(Done)), FLength(Length) {
    FClock.start();
}

void TProgressLine::Show(bool Final, const QString& Prefix) {
    const int64_t done = Final ? FLength : std::clamp<int64_t>(FDone(), 0, FLength);
    const double fraction = FLength > 0 ? double(done) / double(FLength) : 1.0;
    const double seconds = std::max<qint64>(FClock.elapsed(), 1) / 1000.0;
    const double speed = done / 1e7 / seconds;
    const int width = 30, filled = int(fraction * width);
    QString bar = QString(filled, u'#') + QString(width - filled, u'.');
    QString left = speed > 0 ? FormatTimeText(int64_t((FLength - done) / 1e4 / speed))
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
