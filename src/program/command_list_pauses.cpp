#include "program/command_list_pauses.h"

#include "app/dvd_choice.h"
#include "audio/loudness/loudness_envelope.h"
#include "media/media_audio_stream.h"
#include "program/command_interrupt.h"
#include "program/command_line.h"
#include "program/command_progress.h"
#include "program/command_source.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <unistd.h>
#include <vector>

QString AudioTrackRefusal(const std::vector<TMediaTrackInfo>& Tracks, const QString& Shown,
                          int AudioTrack) {
    if (AudioTrack <= 0)
        return {};
    if (AudioTrack > int(Tracks.size()))
        return QCoreApplication::translate("CommandLine",
                                           "%1 has no audio track %2 (see --list-tracks)")
            .arg(Quoted(Shown), QString::number(AudioTrack));
    // A track the source lists but cannot play is there: it is refused for what it is.
    const QString& why = Tracks[size_t(AudioTrack - 1)].unavailable;
    if (why.isEmpty())
        return {};
    return QCoreApplication::translate("CommandLine",
                                       "audio track %1 of %2 cannot be played: %3 (see "
                                       "--list-tracks)")
        .arg(QString::number(AudioTrack), Quoted(Shown), why);
}

TResult<TSongProposal> FindSourceSongs(const QString& Path, int AudioTrack, TMediaTime Duration,
                                       const TSongFinderOptions& Options, bool ShowProgress) {
    int stream = -1;
    if (AudioTrack > 0) {
        std::vector<TMediaTrackInfo> tracks;
        TMediaAudioStream::ListAudioTracks(Path, tracks);
        if (const QString why = AudioTrackRefusal(tracks, Path, AudioTrack); !why.isEmpty())
            return TError(why);
        stream = tracks[size_t(AudioTrack - 1)].streamIndex;
    }
    TLoudnessEnvelope envelope;
    QEventLoop loop;
    QObject::connect(&envelope, &TLoudnessEnvelope::finished, &loop,
                     [&loop](bool) { loop.exit(0); });
    auto done = [&envelope] {
        const auto data = envelope.Snapshot();
        return TMediaTime::FromSeconds(double(data->buckets.size()) * data->bucketSeconds);
    };
    TProgressLine progress(done, Duration);
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (Interrupted()) {
            envelope.Stop();
            loop.exit(1);
        } else if (ShowProgress) {
            progress.Show(false, QCoreApplication::translate("CommandLine", "finding the songs "));
        }
    });
    ticker.start(200);
    envelope.Start(Path, stream, kSongFinderBucketSeconds);
    const int result = loop.exec();
    ticker.stop();
    if (ShowProgress)
        std::fputc('\n', stderr);
    if (result != 0)
        return TError(QCoreApplication::translate("CommandLine", "interrupted"));
    const auto data = envelope.Snapshot();
    if (data->state != TEnvelopeData::TState::esFinished)
        return TError(QCoreApplication::translate("CommandLine", "cannot read the sound of %1: %2")
                          .arg(Quoted(Path), data->error));
    if (data->buckets.empty())
        return TError(
            QCoreApplication::translate("CommandLine", "%1 holds no sound").arg(Quoted(Path)));
    TSongProposal songs = FindSongs(*data, Duration, Options);
    // Held to the limit of any list, before anything is printed or ripped.
    if (songs.Tracks.Tracks.size() > size_t(MaxTrackCount))
        return TError(QCoreApplication::translate("CommandLine",
                                                  "the pauses of %1 cut it into %2 songs: more "
                                                  "than %3 tracks, which no list holds (give a "
                                                  "longer --min-pause or --min-track)")
                          .arg(Quoted(Path), QString::number(songs.Tracks.Tracks.size()),
                               QString::number(MaxTrackCount)));
    return songs;
}

int TCommandListPauses::Execute() {
    CatchInterrupts();
    TDvdChoice dvd;
    const TResult<QString> resolved = CommandSourcePath(FSource, FDvdTitle, dvd);
    if (!resolved)
        return CommandFailure(resolved.Error());
    const QString path = *resolved;
    std::vector<TMediaTrackInfo> tracks;
    const media::TMediaResult listed = TMediaAudioStream::ListAudioTracks(path, tracks);
    if (media::Failed(listed))
        return CommandFailure(QCoreApplication::translate("CommandLine", "cannot read %1: %2")
                                  .arg(Quoted(FSource), media::ResultText(listed)));
    if (tracks.empty())
        return CommandFailure(QCoreApplication::translate("CommandLine", "%1 has no audio stream")
                                  .arg(Quoted(FSource)));
    if (const QString why = AudioTrackRefusal(tracks, FSource, FAudioTrack); !why.isEmpty())
        return CommandFailure(why);
    const size_t track = FAudioTrack > 0 ? size_t(FAudioTrack - 1) : 0;
    TMediaTime duration = dvd.locator.isEmpty() ? TMediaTime() : dvd.Length();
    if (duration <= TMediaTime() && track < tracks.size())
        duration = tracks[track].duration;

    const TResult<TSongProposal> found =
        FindSourceSongs(path, FAudioTrack, duration, FOptions, !FQuiet && ::isatty(STDERR_FILENO));
    if (!found)
        return CommandFailure(found.Error());
    const TSongProposal& proposal = *found;
    const QString header =
        QStringLiteral("# %1: %2 tracks; pauses of %3 s or more, %4 dB below the median "
                       "loudness (%5 dBFS)\n"
                       "# a line per track: START [END] [TITLE] (sonavel --rip SOURCE "
                       "--tracks THIS-FILE)\n")
            .arg(QDir::toNativeSeparators(FSource), QString::number(proposal.Tracks.Tracks.size()),
                 QString::number(FOptions.MinPauseSeconds), QString::number(FOptions.PauseDb),
                 QString::number(proposal.MedianDb, 'f', 1));
    std::fputs(SongListText(proposal, header).toUtf8().constData(), stdout);
    return 0;
}
