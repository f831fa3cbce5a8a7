#pragma once

// The input of one rip as the main window drives it: made afresh for each run, given the
// source, opened once (so its reader outlives the run), given its range, connected to the
// MP3 output, and polled for the reader's position while the run goes.
//
// Threads: made, opened and destroyed on the GUI thread; the output's worker reads the
// input; CurrentTime is an atomic read, safe while the worker advances it.

#include <QObject>
#include <QString>

#include <cstdint>

class TAudioInput;
class TStreamAudioIn;

class TRunInput {
public:
    explicit TRunInput(QObject* owner);
    ~TRunInput();
    TRunInput(const TRunInput&) = delete;
    TRunInput& operator=(const TRunInput&) = delete;

    TAudioInput* Input() const;
    // The format override from the two stream-format numbers of the opened source; when
    // both are 0, the rate the output encodes at. Float samples unless they name a width.
    void SetFormatOverride(int32_t low, int32_t high, int32_t outputRate);
    void SetFileName(const QString& fileName);
    // 1-based in stream order, 0 = the primary track; before OpenSource.
    void SetAudioTrack(int track);
    // Opens the source (the first of the nested openings; the run adds its own).
    void OpenSource();
    // Range in 100-ns units; the source must be open.
    void SetStartTime(int64_t time);
    void SetLength(int64_t time);
    // The reader's position, 100-ns units.
    int64_t CurrentTime() const;
    // The run's worker is still seeking to the start of the range.
    bool Seeking() const;

private:
    TStreamAudioIn* FInput;
};
