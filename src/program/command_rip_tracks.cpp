#include "program/command_rip_tracks.h"

#include "app/common.h"
#include "app/dvd_choice.h"
#include "app/globals.h"
#include "app/settings.h"
#include "app/track_list.h"
#include "app/track_names.h"
#include "app/track_run.h"
#include "audio/stream_audio_in.h"
#include "program/command_interrupt.h"
#include "program/command_progress.h"
#include "program/command_rip.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace {

QString Quoted(const QString& Path) {
    return u'"' + QDir::toNativeSeparators(Path) + u'"';
}

} // namespace

TCommandRipTracks::TCommandRipTracks(const TCommandLineOptions& Options) : FOptions(Options) {}

int TCommandRipTracks::Fail(const QString& Why) const {
    std::fprintf(stderr, "sonavel: %s\n", Why.toLocal8Bit().constData());
    return 1;
}

int TCommandRipTracks::Execute() {
    CatchInterrupts();
    const TCommandRip settings(FOptions);

    const QFileInfo source(FOptions.Source);
    const QString sourcePath = source.absoluteFilePath();

    // The source's length, and whether its sound can be read at all, before any file is
    // written.
    TDvdChoice dvd;
    int64_t duration = 0;
    {
        TStreamAudioIn probe;
        if (const QString why = settings.OpenSource(dvd, probe); !why.isEmpty())
            return Fail(why);
        duration = probe.Reader()->Duration;
    }
    const bool isDvd = !dvd.locator.isEmpty();

    // The tracks: the chosen chapters of a DVD title, or a list on the title's or the
    // file's time line.
    TTrackList list;
    if (FOptions.SplitChapters) {
        list = ChapterTrackList(dvd, std::max(FOptions.ChapterFirst, 1),
                                FOptions.ChapterFirst ? FOptions.ChapterLast : dvd.Chapters());
    } else {
        try {
            list = ReadTrackListFile(FOptions.TrackList);
        } catch (const ETrackListError& e) {
            return Fail(e.Message());
        }
    }
    try {
        ResolveTrackEnds(list, duration);
    } catch (const ETrackListError& e) {
        return Fail(FOptions.SplitChapters
                        ? QStringLiteral("title %1 of %2: %3")
                              .arg(QString::number(dvd.title), Quoted(sourcePath), e.Message())
                        : QStringLiteral("the track list %1: %2")
                              .arg(Quoted(FOptions.TrackList), e.Message()));
    }

    // Texts of the whole rip: the options, else what the list says, else the stored tag.
    TCurrentTag common = CurrentTag;
    common.Artist =
        FOptions.Artist.value_or(list.Performer.isEmpty() ? common.Artist : list.Performer);
    common.Album = FOptions.Album.value_or(list.Album.isEmpty() ? common.Album : list.Album);
    common.Year = FOptions.Year.value_or(list.Year.isEmpty() ? common.Year : list.Year);
    common.Genre = FOptions.Genre.value_or(list.Genre.isEmpty() ? common.Genre : list.Genre);
    common.Comment =
        FOptions.Comment.value_or(list.Comment.isEmpty() ? common.Comment : list.Comment);

    const int count = int(list.Tracks.size());
    std::vector<TTrackJob> jobs;
    std::vector<TTrackNameFields> names;
    MakeTrackJobs(list, common, !FOptions.Artist, jobs, names);

    // Where the files go: beside a file, in a folder of its own in the output folder for a
    // DVD title ("CONCERT_t01"); -o names a folder or a pattern.
    QString folder = source.absolutePath(), pattern = DefaultTrackPattern;
    if (isDvd) {
        QString outputFolder = AppSettings.OutputFileDir;
        if (outputFolder.isEmpty())
            GetDocumentsFolder(outputFolder);
        folder =
            QDir(outputFolder)
                .filePath(QFileInfo(DvdOutputName(dvd.volume, dvd.title, 0, 0)).completeBaseName());
    }
    if (!FOptions.Output.isEmpty())
        SplitTrackOutput(FOptions.Output, folder, pattern);
    QStringList paths;
    try {
        paths = TrackFilePaths(folder, pattern, names);
    } catch (const ETrackListError& e) {
        return Fail(e.Message());
    }
    for (int k = 0; k < count; ++k) {
        const QString& path = paths[k];
        const QFileInfo info(path);
        if (SameFile(path, sourcePath))
            return Fail(QStringLiteral("track %1's output %2 would replace the source")
                            .arg(QString::number(k + 1), Quoted(path)));
        if (info.isDir())
            return Fail(QStringLiteral("track %1's output %2 is a folder")
                            .arg(QString::number(k + 1), Quoted(path)));
        if (info.exists() && !FOptions.Force)
            return Fail(
                QStringLiteral("%1 already exists (use --force to replace it)").arg(Quoted(path)));
        jobs[size_t(k)].FileName = path;
    }
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), error);
    if (error)
        return Fail(QStringLiteral("cannot create the folder %1: %2")
                        .arg(Quoted(folder), QString::fromStdString(error.message())));

    TTrackRun run;
    run.Source = isDvd ? dvd.locator : sourcePath;
    run.AudioTrack = FOptions.AudioTrack;
    run.SampleRate = settings.OutputSampleRate();
    run.Configure = [&settings](TMP3Out& out) { settings.Configure(out); };
    run.Jobs = jobs;

    QEventLoop loop;
    QString failure;
    bool aborted = false;
    QObject::connect(&run, &TTrackRun::finished, &loop, [&](bool wasAborted) {
        aborted = wasAborted;
        loop.exit(0);
    });
    QObject::connect(&run, &TTrackRun::failed, &loop, [&](int number, const QString& why) {
        const QString title = jobs[size_t(number - 1)].Tag.Title;
        failure = QStringLiteral("track %1 of %2 (\"%3\") failed: %4")
                      .arg(QString::number(number), QString::number(count), title, why);
        if (number > 1)
            failure += number == 2
                           ? QStringLiteral("; track 1 was written")
                           : QStringLiteral("; tracks 1 to %1 were written").arg(number - 1);
        loop.exit(1);
    });

    const bool showProgress = !FOptions.Quiet && ::isatty(STDERR_FILENO);
    TProgressLine progress([&run] { return run.DoneTime(); }, run.TotalTime());
    auto prefix = [&run, count] {
        return QStringLiteral("track %1/%2 ").arg(std::max(run.CurrentTrack(), 1)).arg(count);
    };
    QTimer ticker;
    int ticks = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (Interrupted())
            run.Abort();
        if (showProgress && ++ticks % 4 == 0)
            progress.Show(false, prefix());
    });
    ticker.start(50);
    run.Start();
    const int result = loop.exec();
    ticker.stop();
    if (showProgress && (result != 0 || aborted))
        std::fputc('\n', stderr);
    if (result != 0)
        return Fail(failure);
    if (aborted)
        return Fail(QStringLiteral("interrupted; the unfinished track was not written"));
    if (showProgress)
        progress.Show(true, QStringLiteral("%1 tracks ").arg(count));
    return 0;
}
