#pragma once

// Small helpers shared by the playback tests: waiting with the event loop running, and
// a throw-away copy of a file cut or spoiled in a given way.

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <QThread>

#include <functional>

// Runs the event loop until pred() holds or ms pass; returns pred()'s last value.
inline bool WaitUntil(const std::function<bool()>& pred, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

// Runs the event loop for ms.
inline void Pump(int ms) {
    WaitUntil([] { return false; }, ms);
}
