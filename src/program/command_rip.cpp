#include "program/command_rip.h"

#include "app/common.h"
#include "app/dvd_choice.h"
#include "app/globals.h"
#include "app/output_policy.h"
#include "app/output_settings.h"
#include "app/settings.h"
#include "app/track_jobs.h"
#include "app/track_list.h"
#include "app/track_names.h"
#include "audio/pipeline/audio_exception.h"
#include "audio/pipeline/audio_read_error.h"
#include "audio/pipeline/stream_audio_in.h"
#include "audio/rip/mp3_out.h"
#include "media/media_audio_stream.h"
#include "program/command_interrupt.h"
#include "program/command_line.h"
#include "program/command_list_pauses.h"
#include "program/command_progress.h"
#include "program/cover_option.h"
#include "program/format_options.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>
#include <unistd.h>

namespace {

// Where a DVD's rip goes: the output folder, else the user's default one.
QString DvdOutputFolder() {
    return AppSettings.OutputFileDir.isEmpty() ? DefaultOutputFolder() : AppSettings.OutputFileDir;
}

TEncodingChoice ChoiceOf(const TCommandLineOptions& Options) {
    TEncodingChoice choice;
    choice.Format = Options.Format;
    choice.FlacLevel = Options.FlacLevel;
    choice.Bitrate = Options.Bitrate;
    choice.VbrMin = Options.VbrMin;
    choice.VbrMax = Options.VbrMax;
    choice.ChannelMode = Options.ChannelMode;
    choice.SampleRate = Options.SampleRate;
    choice.Jobs = Options.Jobs;
    choice.VbrQuality = Options.VbrQuality;
    choice.ReplayGain = Options.ReplayGain;
    choice.Downmix = Options.Downmix;
    return choice;
}

} // namespace

TEncodingChoice TCommandRip::Choice() const {
    TEncodingChoice choice = ChoiceOf(FOptions);
    if (FRate > 0) // the source's own rate, found when it opened
        choice.SampleRate = FRate;
    return choice;
}

TCommandRip::TCommandRip(const TCommandLineOptions& Options)
    : FOptions(Options), FSourcePath(QFileInfo(Options.Source).absoluteFilePath()) {}

int TCommandRip::Fail(const QString& Why) const {
    // One of several sources: the line names it, whatever failed.
    const QString named = FBatch.Count > 1 && !Why.contains(Quoted(FSourcePath)) &&
                                  !Why.contains(Quoted(FOptions.Source))
                              ? Quoted(FOptions.Source) + QStringLiteral(": ") + Why
                              : Why;
    TProgressLine::EndLine();
    return CommandFailure(named);
}

bool TCommandRip::TrackMode() const {
    return !FOptions.TrackList.isEmpty() || FOptions.SplitChapters || FOptions.SplitPauses;
}

TResult<TDvdChoice> TCommandRip::OpenSource(TStreamAudioIn& In) {
    TDvdChoice dvd;
    const QFileInfo source(FOptions.Source);
    if (!source.exists())
        return TError(
            QCoreApplication::translate("CommandLine", "cannot open %1: No such file or directory")
                .arg(Quoted(FOptions.Source)));
    if (const QString why = ReadOnceSourceReason(FSourcePath); !why.isEmpty())
        return TError(QCoreApplication::translate("CommandRip", "cannot rip %1: %2")
                          .arg(Quoted(FOptions.Source), why));
    try {
        if (!ChooseDvdTitle(FSourcePath, FOptions.DvdTitle, dvd, std::max(FOptions.DvdAngle, 1)) &&
            (FOptions.DvdTitle > 0 || FOptions.DvdAngle > 0))
            return TError(QCoreApplication::translate(
                              "CommandLine", "%1 is not a DVD; --dvd-title and --angle need one")
                              .arg(Quoted(FSourcePath)));
    } catch (const EDvdError& e) {
        return TError(QCoreApplication::translate("CommandLine", "cannot read the DVD %1: %2")
                          .arg(Quoted(FSourcePath), e.Message()));
    }
    const bool isDvd = !dvd.locator.isEmpty();
    if (!isDvd && source.isDir())
        return TError(QCoreApplication::translate("CommandLine", "cannot open %1: it is a folder")
                          .arg(Quoted(FOptions.Source)));

    In.FileName = isDvd ? dvd.locator : FSourcePath;
    In.AudioTrack = FOptions.AudioTrack;
    In.Downmix = RipDownmix(AppSettings, Choice());
    try {
        // What the format wants: channels stay the stream's; MP3 and Opus take float
        // samples at their rate (the decoder's resampler is cheaper than the encoder's,
        // and the encoder takes the decoder's precision without a 16-bit requantisation),
        // FLAC the source's own samples.
        const bool keep = KeepsSourceRate(AppSettings, ChoiceOf(FOptions));
        In.FormatOverride = RipInputFormat(AppSettings, ChoiceOf(FOptions));
        In.OpenSource();
        if (keep) {
            // The source's own rate, which the stream tells once open; one an MP3 cannot
            // have is read again, from the file already open, at the rate of its family.
            const int32_t own = In.Reader()->StreamFormat.sampleRate;
            FRate = RipSampleRate(AppSettings, Choice(), own);
            if (FRate != own)
                In.ReopenAtRate(FRate);
        }
    } catch (const EAudioReadError& e) {
        if (e.ErrorCode == media::MS_E_NOSTREAM) {
            if (FOptions.AudioTrack <= 0)
                return TError(QCoreApplication::translate("CommandLine", "%1 has no audio stream")
                                  .arg(Quoted(FSourcePath)));
            std::vector<TMediaTrackInfo> tracks;
            TMediaAudioStream::ListAudioTracks(In.FileName, tracks);
            if (const QString why = AudioTrackRefusal(tracks, FSourcePath, FOptions.AudioTrack);
                !why.isEmpty())
                return TError(why);
        }
        return TError(QCoreApplication::translate("CommandLine", "cannot read the sound of %1: %2")
                          .arg(Quoted(FSourcePath), e.Message()));
    } catch (const std::exception& e) {
        return TError(QCoreApplication::translate("CommandLine", "cannot read the sound of %1: %2")
                          .arg(Quoted(FSourcePath), ExceptionMessage(e)));
    }
    return dvd;
}

TResult<void> TCommandRip::CheckChapters(const TDvdChoice& Dvd,
                                         const std::vector<TSourceChapter>& Chapters) const {
    if (FOptions.ChapterFirst == 0 && !FOptions.SplitChapters)
        return {};
    const int count = int(Chapters.size());
    if (count == 0)
        return TError(QCoreApplication::translate(
                          "CommandLine", "%1 has no chapters (it is not a DVD, and its container "
                                         "marks none); --chapter and --split-chapters need them")
                          .arg(Quoted(FSourcePath)));
    if (FOptions.ChapterLast <= count)
        return {};
    if (!Dvd.locator.isEmpty())
        return TError(
            QCoreApplication::translate("CommandLine", "title %1 of %2 has %3 chapters, not %4")
                .arg(QString::number(Dvd.title), Quoted(FSourcePath), QString::number(count),
                     QString::number(FOptions.ChapterLast)));
    return TError(QCoreApplication::translate("CommandLine", "%1 has %2 chapters, not %3")
                      .arg(Quoted(FSourcePath), QString::number(count),
                           QString::number(FOptions.ChapterLast)));
}

bool TCommandRip::OutputIsFolder() const {
    return FOptions.Output.endsWith(u'/') || QFileInfo(FOptions.Output).isDir();
}

QString TCommandRip::OutputFile(const TDvdChoice& Dvd) const {
    // Beside the source by default (a DVD's rip in the output folder, named after the disc,
    // title and chapters); -o names the file, or the folder it goes into.
    const QString name = DefaultOutputName(FSourcePath, Dvd, FOptions.ChapterFirst,
                                           FOptions.ChapterLast, Extension());
    if (!FOptions.Output.isEmpty())
        return OutputIsFolder() ? QDir(QFileInfo(FOptions.Output).absoluteFilePath()).filePath(name)
                                : QFileInfo(FOptions.Output).absoluteFilePath();
    if (Dvd.locator.isEmpty())
        return QFileInfo(FSourcePath).absolutePath() + u'/' + name;
    return QDir(DvdOutputFolder()).filePath(name);
}

TResult<std::vector<TTrackJob>> TCommandRip::RangeJob(const TDvdChoice& Dvd,
                                                      const std::vector<TSourceChapter>& Chapters,
                                                      TMediaTime Duration) const {
    // The range, [start, end) on the player's timeline (a DVD title's own); chapters give
    // it exactly, --start and --end override. Typed times are checked in milliseconds
    // first: a time past what media time can count lies after the end of any source.
    const QString sourceEnd =
        Duration > TMediaTime()
            ? QCoreApplication::translate("CommandRip", "the end of the source (%1)")
                  .arg(FormatTimeText(Duration))
            : QCoreApplication::translate("CommandRip", "the end of any source");
    TMediaTime start;
    if (FOptions.StartMs && !MsToMediaTime(*FOptions.StartMs, start))
        return TError(QCoreApplication::translate("CommandRip", "the range starts at %1, after %2")
                          .arg(FormatTimeText(*FOptions.StartMs), sourceEnd));
    std::optional<TMediaTime> endTime;
    if (FOptions.EndMs) {
        TMediaTime typed;
        if (!MsToMediaTime(*FOptions.EndMs, typed))
            return TError(
                QCoreApplication::translate("CommandRip", "the range ends at %1, after %2")
                    .arg(FormatTimeText(*FOptions.EndMs), sourceEnd));
        endTime = typed;
    }
    // --chapter names chapters of the source, 1 to its last (CheckChapters holds it to that).
    if (FOptions.ChapterFirst > 0) {
        if (!FOptions.StartMs)
            start = Chapters[size_t(FOptions.ChapterFirst - 1)].start;
        if (!FOptions.EndMs)
            endTime = Chapters[size_t(FOptions.ChapterLast - 1)].end;
        if (endTime && *endTime <= start)
            return TError(
                QCoreApplication::translate("CommandLine", "the range from %1 to %2 is empty")
                    .arg(FormatTimeText(start), FormatTimeText(*endTime)));
    }
    TMediaTime end = endTime.value_or(Duration);
    if (Duration > TMediaTime() && start >= Duration)
        return TError(QCoreApplication::translate("CommandRip", "the range starts at %1, after %2")
                          .arg(FormatTimeText(start), sourceEnd));
    // The end may be given as the duration shown to the millisecond.
    if (Duration > TMediaTime() && end >= Duration + TMediaTime::FromMs(1))
        return TError(QCoreApplication::translate("CommandRip", "the range ends at %1, after %2")
                          .arg(FormatTimeText(end), sourceEnd));
    end = Duration > TMediaTime() ? std::min(end, Duration) : end;
    if (!endTime && Duration <= TMediaTime())
        end = -TMediaTime::FromUnits(1); // to the end, wherever that is

    TTrackJob job;
    job.Start = start;
    job.End = end;
    job.FileName = OutputFile(Dvd);
    // The source's chapters that the range holds become marks in the file, with their
    // titles.
    for (const TSourceChapter& c : Chapters) {
        const TMediaTime from = std::max(start, c.start);
        const TMediaTime to = end < TMediaTime() ? c.end : std::min(end, c.end);
        if (to > from)
            job.Chapters.push_back(
                {from, to, c.title.isEmpty() ? DefaultTrackTitle(c.number, true) : c.title});
    }
    if (job.Chapters.size() < 2)
        job.Chapters.clear();
    job.Tag = CurrentTag;
    job.Tag.Title = FOptions.Title.value_or(job.Tag.Title);
    job.Tag.Artist = FOptions.Artist.value_or(job.Tag.Artist);
    job.Tag.Album = FOptions.Album.value_or(job.Tag.Album);
    job.Tag.Year = FOptions.Year.value_or(job.Tag.Year);
    job.Tag.Comment = FOptions.Comment.value_or(job.Tag.Comment);
    job.Tag.Genre = FOptions.Genre.value_or(job.Tag.Genre);
    return std::vector<TTrackJob>{job};
}

TResult<std::vector<TTrackJob>> TCommandRip::TrackJobs(const TDvdChoice& Dvd,
                                                       const std::vector<TSourceChapter>& Chapters,
                                                       TMediaTime Duration) const {
    // The tracks: the chosen chapters of the source (a DVD title's, a container's), the
    // songs found in the sound, or a list on the title's or the file's time line.
    TTrackList list;
    if (FOptions.SplitPauses) {
        TResult<TSongProposal> songs =
            FindSourceSongs(Dvd.locator.isEmpty() ? FSourcePath : Dvd.locator, FOptions.AudioTrack,
                            Duration, FOptions.Pauses, !FOptions.Quiet && ::isatty(STDERR_FILENO));
        if (!songs)
            return TError(songs.Error());
        list = songs->Tracks;
    } else if (FOptions.SplitChapters) {
        list =
            ChapterTrackList(Chapters, std::max(FOptions.ChapterFirst, 1),
                             FOptions.ChapterFirst ? FOptions.ChapterLast : int(Chapters.size()));
    } else {
        try {
            list = ReadTrackListFile(FOptions.TrackList);
        } catch (const ETrackListError& e) {
            return TError(e.Message());
        }
    }
    try {
        ResolveTrackEnds(list, Duration);
    } catch (const ETrackListError& e) {
        if (FOptions.SplitPauses)
            return TError(QCoreApplication::translate("CommandLine", "the songs of %1: %2")
                              .arg(Quoted(FSourcePath), e.Message()));
        if (FOptions.SplitChapters && Dvd.locator.isEmpty())
            return TError(QCoreApplication::translate("CommandLine", "the chapters of %1: %2")
                              .arg(Quoted(FSourcePath), e.Message()));
        return TError(FOptions.SplitChapters
                          ? QCoreApplication::translate("CommandLine", "title %1 of %2: %3")
                                .arg(QString::number(Dvd.title), Quoted(FSourcePath), e.Message())
                          : QCoreApplication::translate("CommandLine", "the track list %1: %2")
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
    std::vector<TTrackJob> jobs;
    std::vector<TTrackNameFields> names;
    MakeTrackJobs(list, common, !FOptions.Artist, jobs, names);
    if (FOptions.OneFile) {
        TTrackJob one = OneFileJob(jobs);
        one.FileName = OutputFile(Dvd);
        return std::vector<TTrackJob>{one};
    }

    // Where the files go: beside a file, in a folder of its own in the output folder for a
    // DVD title ("CONCERT_t01"); -o names a folder or a pattern.
    QString folder = QFileInfo(FSourcePath).absolutePath(), pattern = TrackPatternFor(Extension());
    if (!Dvd.locator.isEmpty())
        folder = QDir(DvdOutputFolder())
                     .filePath(QFileInfo(DefaultOutputName(FSourcePath, Dvd)).completeBaseName());
    if (!FOptions.Output.isEmpty())
        SplitTrackOutput(FOptions.Output, folder, pattern, Extension());
    // Several sources in one run: each one's tracks in a folder named after it (a DVD's
    // default folder is already).
    if (FBatch.Count > 1 && (FOptions.Output.isEmpty() ? Dvd.locator.isEmpty() : OutputIsFolder()))
        folder = QDir(folder).filePath(
            QFileInfo(DefaultOutputName(FSourcePath, Dvd)).completeBaseName());
    try {
        const QStringList paths = TrackFilePaths(folder, pattern, names, Extension());
        for (size_t k = 0; k < jobs.size(); ++k)
            jobs[k].FileName = paths[int(k)];
    } catch (const ETrackListError& e) {
        return TError(e.Message());
    }
    return jobs;
}

TResult<void> TCommandRip::CheckOutputFiles(std::vector<TTrackJob>& Jobs) const {
    QStringList paths;
    for (const TTrackJob& job : Jobs)
        paths << job.FileName;
    const bool many = TrackMode() && !FOptions.OneFile;
    auto whose = [&](const TOutputFinding& f) {
        return many ? QCoreApplication::translate("CommandLine", "track %1's output %2")
                          .arg(QString::number(f.Job + 1), Quoted(f.Path))
                    : QCoreApplication::translate("CommandLine", "the output %1")
                          .arg(Quoted(f.Path));
    };
    for (int pass = 0; pass < 2; ++pass) {
        const std::vector<TOutputFinding> findings = CheckOutputs(paths, FSourcePath);
        bool made = false;
        for (const TOutputFinding& f : findings) {
            switch (f.Problem) {
            case TOutputProblem::ReplacesSource:
                return TError(whose(f) + QCoreApplication::translate("CommandLine",
                                                                     " would replace the source"));
            case TOutputProblem::SameFile:
                return TError(whose(f) +
                              QCoreApplication::translate(
                                  "CommandLine", " is the same file as track %1's output %2")
                                  .arg(QString::number(f.Other + 1), Quoted(paths[f.Other])));
            case TOutputProblem::IsFolder:
                return TError(whose(f) +
                              QCoreApplication::translate("CommandLine", " is a folder"));
            case TOutputProblem::CannotCreate:
                return TError(f.Reason);
            case TOutputProblem::Exists:
                if (!FOptions.Force)
                    return TError(
                        QCoreApplication::translate("CommandLine",
                                                    "%1 already exists (use --force to replace it)")
                            .arg(Quoted(f.Path)));
                break;
            case TOutputProblem::FolderMissing: {
                const QString folder = QFileInfo(f.Path).absolutePath();
                std::error_code error;
                std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), error);
                if (error)
                    return TError(
                        QCoreApplication::translate("CommandLine",
                                                    "cannot create the folder %1: %2")
                            .arg(Quoted(folder), QString::fromStdString(error.message())));
                made = true;
                break;
            }
            }
        }
        if (!made)
            break;
    }
    for (TTrackJob& job : Jobs)
        job.Replace = FOptions.Force;
    return {};
}

QString TCommandRip::Extension() const {
    return FormatExtension(RipFormat(AppSettings, ChoiceOf(FOptions)));
}

int TCommandRip::Execute() {
    CatchInterrupts();
    // The stored format, when the command line named none: its options must go with it.
    if (!FOptions.Format) {
        if (const QString why = FormatOptionRefusal(FOptions, RipFormat(AppSettings));
            !why.isEmpty()) {
            Fail(why);
            return 2;
        }
    }
    // Before anything is opened: a rate the sample rate cannot carry is never changed.
    if (const QString why = RipBitRateRefusal(AppSettings, Choice()); !why.isEmpty()) {
        Fail(FOptions.Bitrate
                 ? QStringLiteral("--bitrate %1: %2").arg(QString::number(*FOptions.Bitrate), why)
                 : why);
        return FOptions.Bitrate ? 2 : 1; // a usage error when the command line asked for it
    }
    TStreamAudioIn in;
    const TResult<TDvdChoice> dvd = OpenSource(in);
    if (!dvd)
        return Fail(dvd.Error());
    const TMediaTime duration = in.Reader()->Duration;
    const std::vector<TSourceChapter>& chapters = in.Reader()->Chapters();
    if (const TResult<void> checked = CheckChapters(*dvd, chapters); !checked)
        return Fail(checked.Error());
    TResult<std::vector<TTrackJob>> jobs =
        TrackMode() ? TrackJobs(*dvd, chapters, duration) : RangeJob(*dvd, chapters, duration);
    if (!jobs)
        return Fail(jobs.Error());
    std::vector<uint8_t> cover;
    if (!FOptions.Cover.isEmpty()) {
        TResult<std::vector<uint8_t>> loaded =
            CoverFromOption(FOptions.Cover, in.FileName, duration);
        if (!loaded)
            return Fail(loaded.Error());
        cover = std::move(*loaded);
    }
    if (const TResult<void> checked = CheckOutputFiles(*jobs); !checked)
        return Fail(checked.Error());
    return Run(in, *jobs, std::move(cover));
}

int TCommandRip::Run(TStreamAudioIn& In, const std::vector<TTrackJob>& Jobs,
                     std::vector<uint8_t> Cover) {
    TMP3Out out;
    ApplyFormValues(out);
    ConfigureRipOutput(out, AppSettings, Choice());
    out.Tracks = RipJobs(Jobs, *In.Reader());
    out.Cover = std::move(Cover);
    out.SetInput(&In);

    QEventLoop loop;
    QString failure;
    bool noSound = false;
    out.OnDone = [&](QObject*) { loop.exit(0); };
    // A frame of the jobs' time line as the source's time.
    const TAudioFileReader& reader = *In.Reader();
    const int64_t origin = reader.TimeToSample(reader.StartTime);
    auto timeOf = [&reader, origin](int64_t Frame) {
        return FormatTimeText(reader.SampleToTime(origin + Frame).ToMs());
    };
    out.OnThreadException = [&](QObject*, const std::exception& e) {
        // Worker thread (or inside Run): the message is handed over with the queued call.
        QString why = ExceptionMessage(e);
        if (dynamic_cast<const EAudioReadError*>(&e))
            why = QCoreApplication::translate("CommandLine", "reading %1 failed: %2")
                      .arg(Quoted(FSourcePath), why);
        if (const auto* early = dynamic_cast<const ESoundEndsError*>(&e))
            why = QCoreApplication::translate(
                      "CommandLine", "the sound of %1 ends at %2, before the end of the range (%3)")
                      .arg(Quoted(FSourcePath), timeOf(early->SoundEnd), timeOf(early->RangeEnd));
        const bool empty = dynamic_cast<const ENoSoundError*>(&e) != nullptr;
        QMetaObject::invokeMethod(
            &loop,
            [&loop, &failure, &noSound, why, empty] {
                failure = why;
                noSound = empty;
                loop.exit(1);
            },
            Qt::QueuedConnection);
    };

    const int count = int(Jobs.size());
    const bool many = TrackMode() && !FOptions.OneFile;
    const bool showProgress = !FOptions.Quiet && ::isatty(STDERR_FILENO);
    auto done = [&out] {
        const TMP3Out::TProgress p = out.Progress();
        return TMediaTime::FromSample(p.DoneFrames, p.SampleRate);
    };
    TMediaTime total;
    for (const TTrackJob& job : Jobs)
        total += job.End > job.Start ? job.End - job.Start : TMediaTime();
    TProgressLine progress(done, total);
    // One of several sources: the run's one line says which ("source 2/3 ").
    const QString batch = FBatch.Count > 1
                              ? QCoreApplication::translate("CommandLine", "source %1/%2 ")
                                    .arg(FBatch.Index + 1)
                                    .arg(FBatch.Count)
                              : QString();
    auto prefix = [&] {
        if (!many)
            return batch;
        const TMP3Out::TProgress p = out.Progress();
        return batch + QCoreApplication::translate("CommandLine", "track %1/%2 ")
                           .arg(std::min(p.JobsWritten + 1, count))
                           .arg(count);
    };
    QTimer ticker;
    int tick = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (Interrupted())
            out.Abort();
        if (showProgress && ++tick % 4 == 0)
            progress.Show(false, prefix());
    });
    ticker.start(50);
    DeferInterrupts(); // the run makes a temporary file, which an interrupt removes
    out.Run();
    const int result = loop.exec();
    ticker.stop();
    const int written = out.Progress().JobsWritten;
    if (result != 0 || out.LastRunAborted())
        TProgressLine::EndLine();
    auto writtenText = [&] {
        if (written == 0)
            return QString();
        return written == 1
                   ? QCoreApplication::translate("CommandLine", "; track 1 was written")
                   : QCoreApplication::translate("CommandLine", "; tracks 1 to %1 were written")
                         .arg(written);
    };
    if (result == 0 && out.LastRunAborted()) {
        if (!many)
            return Fail(
                QCoreApplication::translate("CommandLine", "interrupted; %1 was not written")
                    .arg(Quoted(Jobs[0].FileName)));
        return Fail(QCoreApplication::translate(
                        "CommandLine", "interrupted; the unfinished tracks were not written") +
                    writtenText());
    }
    if (result != 0) {
        const int failed = std::clamp(out.FailedJob(), 0, count - 1);
        if (!many) {
            if (noSound)
                return Fail(
                    QCoreApplication::translate("CommandLine", "the range holds no sound of %1")
                        .arg(Quoted(FSourcePath)));
            return Fail(failure);
        }
        return Fail(QCoreApplication::translate("CommandLine", "track %1 of %2 (\"%3\") failed: %4")
                        .arg(QString::number(failed + 1), QString::number(count),
                             Jobs[size_t(failed)].Tag.Title, failure) +
                    writtenText());
    }
    // The line ends with the last source of a run; the next one draws over it.
    if (showProgress)
        progress.Show(
            FBatch.Index + 1 == std::max(FBatch.Count, 1),
            batch + (many ? QCoreApplication::translate("CommandLine", "%1 tracks ").arg(count)
                          : QString()));
    // A range to the source's end holds all the sound there is; where that stopped well
    // before the end of the pictures, the user should know.
    const int rate = In.Reader()->Format.sampleRate;
    const std::vector<TRipJobResult>& results = out.LastResults();
    for (size_t k = 0; k < out.Tracks.size() && k < results.size(); ++k) {
        const TRipJob& job = out.Tracks[k];
        const int64_t end = job.First + results[k].Frames;
        if (job.End >= 0 && job.End - end > rate / 10) {
            const QString warning =
                QCoreApplication::translate("CommandLine",
                                            "sonavel: warning: the sound of %1 ends at %2, before "
                                            "the end of the range (%3); the file ends there")
                    .arg(Quoted(FSourcePath), timeOf(end), timeOf(job.End));
            TProgressLine::EndLine();
            std::fprintf(stderr, "%s\n", warning.toLocal8Bit().constData());
        }
    }
    // Sound the source lacks (a damaged stretch, a hole in a disc's audio) kept its time
    // as silence: the files are whole, but the user should know.
    int64_t filled = 0;
    for (const TRipJob& job : out.Tracks)
        filled += In.FilledFrames(job.First, job.End >= 0 ? job.End - job.First : INT64_MAX / 4);
    if (filled > 0 && rate > 0) {
        const QString warning =
            QCoreApplication::translate("CommandLine",
                                        "sonavel: warning: %1 s of %2 had no sound that could be "
                                        "decoded; the file holds silence there")
                .arg(QString::number(double(filled) / rate, 'f', 3), Quoted(FSourcePath));
        TProgressLine::EndLine();
        std::fprintf(stderr, "%s\n", warning.toLocal8Bit().constData());
    }
    return 0;
}
