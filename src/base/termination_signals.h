#pragma once

// SIGTERM, SIGINT and SIGHUP (logging out, Ctrl+C, a closed terminal) turned into a Qt
// signal on the thread that made the object, so the program can end as if asked to by
// the user instead of dying with its work half done. The handler only writes the signal
// number into a pipe; a socket notifier reads it in the event loop. The first signal of a
// kind is handed over; its handler is then reset, so a second one ends a program that
// no longer responds. One object at a time; the previous handlers come back when it goes.
// GUI thread (any thread with an event loop).

#include <QObject>

#include <array>

#include <signal.h>

class QSocketNotifier;

class TTerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TTerminationSignals(QObject* parent = nullptr);
    ~TTerminationSignals() override;

    TTerminationSignals(const TTerminationSignals&) = delete;
    TTerminationSignals& operator=(const TTerminationSignals&) = delete;

    // False when the pipe or a handler could not be set up (the signals then keep their
    // default action).
    bool Installed() const { return FInstalled; }

signals:
    void received(int signalNumber);

private:
    void PipeReadable();

    static constexpr std::array<int, 3> Signals{SIGTERM, SIGINT, SIGHUP};
    std::array<struct sigaction, 3> FPrevious{};
    int FReadFd = -1;
    QSocketNotifier* FNotifier = nullptr;
    bool FInstalled = false;
};
