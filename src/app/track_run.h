#pragma once

// One rip of a track list: the pipeline (a TStreamAudioIn feeding a TMP3Out) run once per
// track, one track after the other, for the window and the command line alike.
//
// Gapless: each track's encoder is also fed a little of the sound before the track and
// after it (PreRoll, PostRoll), so that it starts and ends in the middle of the music
// rather than from and into silence, which would smear the track's first and last
// granules. The file's LAME tag then declares that sound as part of the encoder delay
// and padding, so a decoder that honours the tag plays exactly the track's samples, and
// the tracks played one after the other give the source's sound without a sample missing,
// doubled or disturbed at a boundary. The input decodes at the encoder's rate, so those
// counts are the encoder's own samples.
//
// A track that fails stops the run: tracks finished before stay, the failing one leaves no
// file. Abort ends the run after the current track's output has discarded its file.
//
// Threads: made, configured, started and destroyed on the main thread, where its signals
// arrive. The output's worker reads the input; its events are posted back to the main
// thread. Destroying the run mid-track stops the worker and discards the unfinished file.

#include "app/globals.h"
#include "app/track_list.h"
#include "app/track_names.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TMP3Out;
class TStreamAudioIn;

struct TTrackJob {
    int64_t Start = 0, End = 0; // [Start, End) on the player's time line, 100-ns units
    QString FileName;           // the MP3 to write
    TCurrentTag Tag;            // its texts, its own title among them
    QString Track;              // the tag's track number, "3/12"
};

// One job a track of `List`, numbered "n/N", with the common texts and the track's title
// (a default one when it has none); a cue sheet's performer becomes the artist when
// `PerformerAsArtist`. The files' names are left to the caller; `Names` gets the fields
// a name pattern fills.
void MakeTrackJobs(const TTrackList& List, const TCurrentTag& Common, bool PerformerAsArtist,
                   std::vector<TTrackJob>& Jobs, std::vector<TTrackNameFields>& Names);

class TTrackRun : public QObject {
    Q_OBJECT
public:
    // Loads the encoder library (EAudioException when it cannot).
    explicit TTrackRun(QObject* Parent = nullptr);
    ~TTrackRun() override;

    // What the input opens (a file, or a DVD title's locator) and its audio track
    // (1-based, 0 the primary one).
    QString Source;
    int AudioTrack = 0;
    // The rate the MP3s are encoded at; the sound is decoded to it.
    int SampleRate = 44100;
    // Samples of the neighbouring sound given to each encoder: one frame, enough for the
    // MDCT overlap and the psychoacoustic look-ahead, well inside the tag's 12-bit delay
    // and padding with LAME's own (576 delay, at most 1728 padding). Settable for
    // measurements (bench/track_seams); at most 2048 each.
    int64_t PreRoll = 1152;
    int64_t PostRoll = 1152;
    // Sets the encoding settings on the output before each track; the run then sets the
    // file name and the tag texts of the track.
    std::function<void(TMP3Out&)> Configure;
    std::vector<TTrackJob> Jobs;

    // Starts the first track and returns. Every outcome comes as a signal.
    void Start();
    // Ends the run at the current track, whose file is discarded; finished(true) follows.
    void Abort();
    // From Start until finished or failed has been sent.
    bool Running() const { return FIndex >= 0; }
    // 1-based number of the track being ripped, 0 when not running.
    int CurrentTrack() const { return FIndex + 1; }
    int TrackCount() const { return int(Jobs.size()); }
    // Source time of all tracks, and how much of it is done (100-ns units).
    int64_t TotalTime() const;
    int64_t DoneTime() const;

signals:
    void trackStarted(int Number);
    // Every track has been written, or the run was aborted.
    void finished(bool Aborted);
    // Track `Number` failed for `Message`; tracks before it are written, it has no file.
    void failed(int Number, const QString& Message);

private:
    void StartTrack(int Index);
    void TrackDone();
    void DeclareNeighbourSound();
    void Fail(const QString& Message);
    void End();

    std::unique_ptr<TMP3Out> FOut;
    std::unique_ptr<TStreamAudioIn> FInput;
    int FIndex = -1;
    bool FAbortRequested = false;
    int64_t FDoneTime = 0;    // of the tracks finished
    int64_t FFirstSample = 0; // the current track's samples: [FFirstSample, FEndSample)
    int64_t FEndSample = 0;
};
