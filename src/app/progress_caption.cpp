#include "app/progress_caption.h"

#include <algorithm>
#include <cmath>

#include <QCoreApplication>
#include <QLocale>

TProgressCaption::TProgressCaption(int64_t rangeStartMs, int64_t rangeEndMs, int64_t positionMs,
                                   int64_t elapsedMs) {
    const int64_t length = rangeEndMs - rangeStartMs;
    if (length <= 0) {
        // An empty range is done as soon as the run reaches its start.
        FFraction = positionMs >= rangeEndMs ? 1.0 : 0.0;
    } else {
        const int64_t done = std::clamp(positionMs - rangeStartMs, int64_t(0), length);
        FFraction = double(done) / double(length);
    }
    FPercent = int(std::floor(FFraction * 100.0 + 1e-9));
    FPercent = std::clamp(FPercent, 0, 100);
    if (FFraction < 1.0 && FPercent == 100)
        FPercent = 99;

    const int64_t doneMs = int64_t(FFraction * double(std::max<int64_t>(length, 0)) + 0.5);
    if (elapsedMs >= kMinElapsedMs && doneMs > 0) {
        FSpeed = double(doneMs) / double(elapsedMs);
        if (FFraction < 1.0) {
            const double leftMs = double(length - doneMs) / FSpeed;
            FSecondsLeft = int64_t(std::ceil(leftMs / 1000.0 - 1e-9));
        } else {
            FSecondsLeft = 0;
        }
    }
}

QString TProgressCaption::SpeedText(double speed) {
    if (speed >= 9.95)
        return QStringLiteral("%1×").arg(qint64(std::llround(speed)));
    return QStringLiteral("%1×").arg(QLocale().toString(speed, 'f', 1));
}

QString TProgressCaption::DurationText(int64_t seconds) {
    seconds = std::max<int64_t>(seconds, 0);
    const int64_t h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(h)
            .arg(m, 2, 10, QLatin1Char('0'))
            .arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

QString TProgressCaption::Text() const {
    QString text = QStringLiteral("%1 %").arg(FPercent);
    if (!SpeedKnown())
        return text;
    text += QStringLiteral(" · ") + SpeedText(FSpeed);
    if (!Done() && FSecondsLeft >= 0)
        text += QStringLiteral(" · ") + QCoreApplication::translate("ProgressCaption", "%1 left")
                                            .arg(DurationText(FSecondsLeft));
    return text;
}
