#pragma once

// The input of one rip as the main window drives it: made afresh for each run, given the
// source, opened once (so its reader outlives the run) and connected to the MP3 output,
// whose jobs name their ranges on the reader's samples.
//
// Threads: made, opened and destroyed on the GUI thread; the output's engine reads parts
// of the source on its own threads.

#include "media/media_audio_stream.h"

#include <QObject>
#include <QString>

#include <cstdint>

class TAudioFileReader;
class TAudioInput;
class TStreamAudioIn;

class TRunInput {
public:
    explicit TRunInput(QObject* owner);
    ~TRunInput();
    TRunInput(const TRunInput&) = delete;
    TRunInput& operator=(const TRunInput&) = delete;

    TAudioInput* Input() const;
    // Decode to what the output's format wants (TMP3Out::InputFormat).
    void SetFormat(const TPcmFormat& format);
    void SetFileName(const QString& fileName);
    // 1-based in stream order, 0 = the primary track; before OpenSource.
    void SetAudioTrack(int track);
    // How 5.1 and 7.1 sound is folded; before OpenSource.
    void SetDownmix(TDownmix mix);
    // Opens the source (the first of the nested openings; the run adds its own).
    void OpenSource();
    // The open source read again at another rate, from the file it opened.
    void ReopenAtRate(int32_t outputRate);
    // The open source's reader: its time line's samples.
    const TAudioFileReader& Reader() const;

private:
    TStreamAudioIn* FInput;
};
