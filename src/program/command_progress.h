#pragma once

// The one-line progress bar a command shows on a terminal: percent, a bar, speed against
// real time and time left, redrawn in place ("\r") on stderr.
//
// Threads: main thread; `Done` is called there (it may read atomics a worker advances).

#include "base/media_time.h"

#include <QElapsedTimer>
#include <QString>

#include <functional>

class TProgressLine {
public:
    // `Done` answers the source time done so far out of `Length`.
    TProgressLine(std::function<TMediaTime()> Done, TMediaTime Length);
    // Redraws the line, `Prefix` before it ("track 3/12 "); Final shows 100 % and ends
    // the line.
    void Show(bool Final, const QString& Prefix = QString());

private:
    std::function<TMediaTime()> FDone;
    TMediaTime FLength;
    QElapsedTimer FClock;
};
