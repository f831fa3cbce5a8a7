#pragma once

// The one-line progress bar a command shows on a terminal: percent, a bar, speed against
// real time and time left, redrawn in place ("\r") on stderr.
//
// Threads: main thread; `Done` is called there (it may read atomics a worker advances).

#include <QElapsedTimer>
#include <QString>

#include <cstdint>
#include <functional>

class TProgressLine {
public:
    // `Done` answers the source time done so far out of `Length` (100-ns units).
    TProgressLine(std::function<int64_t()> Done, int64_t Length);
    // Redraws the line, `Prefix` before it ("track 3/12 "); Final shows 100 % and ends
    // the line.
    void Show(bool Final, const QString& Prefix = QString());

private:
    std::function<int64_t()> FDone;
    int64_t FLength;
    QElapsedTimer FClock;
};
