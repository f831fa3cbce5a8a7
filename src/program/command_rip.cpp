#include "program/command_rip.h"

#include "app/output_settings.h"

#include "app/common.h"
#include "app/dvd_choice.h"
#include "app/globals.h"
#include "app/settings.h"
#include "audio/audio_read_error.h"
#include "audio/mp3_out.h"
#include "audio/stream_audio_in.h"
#include "program/command_interrupt.h"
#include "program/command_progress.h"

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

constexpr int64_t kTicksPerMs = 10000;

QString Quoted(const QString& Path) {
    return u'"' + QDir::toNativeSeparators(Path) + u'"';
}

} // namespace

TCommandRip::TCommandRip(const TCommandLineOptions& Options) : FOptions(Options) {}

int TCommandRip::Fail(const QString& Why) const {
    std::fprintf(stderr, "sonavel: %s\n", Why.toLocal8Bit().constData());
    return 1;
}

int TCommandRip::OutputSampleRate() const {
    if (FOptions.SampleRate)
        return *FOptions.SampleRate;
    return SampleRateHz(SampleRateFor(AppSettings.AudioSampleRate));
}

void TCommandRip::Configure(TMP3Out& Out) const {
    // The window's form values, then the stored settings, then what the command line says.
    Out.Quality = ql2;
    Out.VBRQuality = ql2;
    Out.Original = false;
    Out.BitRate = br192;
    TCurrentTag tag = CurrentTag;
    tag.Title = FOptions.Title.value_or(tag.Title);
    tag.Artist = FOptions.Artist.value_or(tag.Artist);
    tag.Album = FOptions.Album.value_or(tag.Album);
    tag.Year = FOptions.Year.value_or(tag.Year);
    tag.Comment = FOptions.Comment.value_or(tag.Comment);
    tag.Genre = FOptions.Genre.value_or(tag.Genre);
    ApplySettingsToOutput(Out, AppSettings, tag);
    if (FOptions.Bitrate) {
        BitRateFor(*FOptions.Bitrate, Out.BitRate);
        Out.EnableVBR = Out.WriteVBRHeader = false;
    }
    if (FOptions.VbrMin && FOptions.VbrMax) {
        Out.VBRMinBitrate = *FOptions.VbrMin;
        Out.VBRMaxBitrate = *FOptions.VbrMax;
        Out.EnableVBR = Out.WriteVBRHeader = true;
    }
    if (FOptions.ChannelMode)
        Out.Mode = ChannelModeFor(*FOptions.ChannelMode);
    Out.SampleRate = SampleRateFor(OutputSampleRate());
    Out.Jobs = FOptions.Jobs;
}

QString TCommandRip::OpenSource(TDvdChoice& Dvd, TStreamAudioIn& In) const {
    const QFileInfo source(FOptions.Source);
    if (!source.exists())
        return QStringLiteral("cannot open %1: No such file or directory")
            .arg(Quoted(FOptions.Source));
    const QString sourcePath = source.absoluteFilePath();
    try {
        if (!ChooseDvdTitle(sourcePath, FOptions.DvdTitle, Dvd) &&
            (FOptions.DvdTitle > 0 || FOptions.ChapterFirst > 0 || FOptions.SplitChapters))
            return QStringLiteral("%1 is not a DVD; --dvd-title, --chapter and "
                                  "--split-chapters need one")
                .arg(Quoted(sourcePath));
    } catch (const EDvdError& e) {
        return QStringLiteral("cannot read the DVD %1: %2").arg(Quoted(sourcePath), e.Message());
    }
    const bool isDvd = !Dvd.locator.isEmpty();
    if (!isDvd && source.isDir())
        return QStringLiteral("cannot open %1: it is a folder").arg(Quoted(FOptions.Source));
    if (FOptions.ChapterLast > Dvd.Chapters())
        return QStringLiteral("title %1 of %2 has %3 chapters, not %4")
            .arg(QString::number(Dvd.title), Quoted(sourcePath), QString::number(Dvd.Chapters()),
                 QString::number(FOptions.ChapterLast));

    In.FileName = isDvd ? Dvd.locator : sourcePath;
    In.AudioTrack = FOptions.AudioTrack;
    try {
        // The rate and float samples are asked for: channels stay the stream's, the
        // decoder's resampler is cheaper than the encoder's, and the encoder takes the
        // decoder's precision without a 16-bit requantisation (whose noise floor it
        // would spend time coding).
        In.FormatOverride =
            TStreamAudioIn::MakeFormatOverride(OutputSampleRate(), TAudioInput::FloatBits);
        In.OpenSource();
    } catch (const EAudioReadError& e) {
        if (e.ErrorCode == media::MS_E_NOSTREAM)
            return FOptions.AudioTrack > 0
                       ? QStringLiteral("%1 has no audio track %2 (see --list-tracks)")
                             .arg(Quoted(sourcePath), QString::number(FOptions.AudioTrack))
                       : QStringLiteral("%1 has no audio stream").arg(Quoted(sourcePath));
        return QStringLiteral("cannot read the sound of %1: %2")
            .arg(Quoted(sourcePath), e.Message());
    } catch (const std::exception& e) {
        return QStringLiteral("cannot read the sound of %1: %2")
            .arg(Quoted(sourcePath), ExceptionMessage(e));
    }
    return {};
}

int TCommandRip::Execute() {
    CatchInterrupts();

    const QFileInfo source(FOptions.Source);
    const QString sourcePath = source.absoluteFilePath();
    TDvdChoice dvd;
    TStreamAudioIn in;
    if (const QString why = OpenSource(dvd, in); !why.isEmpty())
        return Fail(why);
    const bool isDvd = !dvd.locator.isEmpty();

    // The range, [start, end) on the player's timeline (a DVD title's own); chapters give
    // it exactly, --start and --end override.
    const int64_t duration = in.Reader()->Duration;
    int64_t start = FOptions.StartMs.value_or(0) * kTicksPerMs;
    std::optional<int64_t> endTime;
    if (FOptions.EndMs)
        endTime = *FOptions.EndMs * kTicksPerMs;
    if (FOptions.ChapterFirst > 0) {
        if (!FOptions.StartMs)
            start = dvd.ChapterStart(FOptions.ChapterFirst);
        if (!FOptions.EndMs)
            endTime = dvd.ChapterEnd(FOptions.ChapterLast);
        if (endTime && *endTime <= start)
            return Fail(QStringLiteral("the range from %1 to %2 is empty")
                            .arg(FormatTimeText(start / kTicksPerMs),
                                 FormatTimeText(*endTime / kTicksPerMs)));
    }
    int64_t end = endTime.value_or(duration);
    if (duration > 0 && start >= duration)
        return Fail(
            QStringLiteral("the range starts at %1, after the end of the source (%2)")
                .arg(FormatTimeText(start / kTicksPerMs), FormatTimeText(duration / kTicksPerMs)));
    // The end may be given as the duration shown to the millisecond.
    if (duration > 0 && end > duration + kTicksPerMs - 1)
        return Fail(
            QStringLiteral("the range ends at %1, after the end of the source (%2)")
                .arg(FormatTimeText(end / kTicksPerMs), FormatTimeText(duration / kTicksPerMs)));
    end = duration > 0 ? std::min(end, duration) : end;
    in.SetStartTime(start);
    if (endTime || duration > 0)
        in.SetLength(end - start);

    // The output: beside the source by default (a DVD's rip in the output folder, named
    // after the disc, title and chapters); never over the source or, without --force,
    // over an existing file; a missing folder is made.
    QString defaultOutput;
    if (isDvd) {
        QString folder = AppSettings.OutputFileDir;
        if (folder.isEmpty())
            GetDocumentsFolder(folder);
        defaultOutput = QDir(folder).filePath(
            DvdOutputName(dvd.volume, dvd.title, FOptions.ChapterFirst, FOptions.ChapterLast));
    } else {
        defaultOutput =
            source.absolutePath() + u'/' + source.completeBaseName() + QStringLiteral(".mp3");
    }
    const QString output =
        QFileInfo(FOptions.Output.isEmpty() ? defaultOutput : FOptions.Output).absoluteFilePath();
    const QFileInfo outputInfo(output);
    if (SameFile(output, sourcePath))
        return Fail(QStringLiteral("the output %1 would replace the source").arg(Quoted(output)));
    if (outputInfo.isDir())
        return Fail(QStringLiteral("the output %1 is a folder").arg(Quoted(output)));
    if (outputInfo.exists() && !FOptions.Force)
        return Fail(
            QStringLiteral("%1 already exists (use --force to replace it)").arg(Quoted(output)));
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(outputInfo.absolutePath()).toStdString(),
                                        error);
    if (error)
        return Fail(
            QStringLiteral("cannot create the folder %1: %2")
                .arg(Quoted(outputInfo.absolutePath()), QString::fromStdString(error.message())));

    TMP3Out out;
    Configure(out);
    out.FileName = output;
    out.SetInput(&in);

    QEventLoop loop;
    QString failure;
    out.OnDone = [&](QObject*) { loop.exit(0); };
    out.OnThreadException = [&](QObject*, const std::exception& e) {
        // Worker thread (or inside Run): the message is handed over with the queued call.
        QString why = ExceptionMessage(e);
        if (dynamic_cast<const EAudioReadError*>(&e))
            why = QStringLiteral("reading %1 failed: %2").arg(Quoted(sourcePath), why);
        QMetaObject::invokeMethod(
            &loop,
            [&loop, &failure, why] {
                failure = why;
                loop.exit(1);
            },
            Qt::QueuedConnection);
    };

    const bool showProgress = !FOptions.Quiet && ::isatty(STDERR_FILENO);
    const int64_t total = (endTime || duration > 0) ? end - start : 0;
    TProgressLine progress([&in, start] { return in.CurrentTime() - start; }, total);
    QTimer ticker;
    int ticks = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (Interrupted())
            out.Abort();
        if (showProgress && ++ticks % 4 == 0)
            progress.Show(false);
    });
    ticker.start(50);
    out.Run();
    const int result = loop.exec();
    ticker.stop();
    if (result == 0 && out.LastRunAborted()) {
        if (showProgress)
            std::fputc('\n', stderr);
        return Fail(QStringLiteral("interrupted; %1 was not written").arg(Quoted(output)));
    }
    if (result != 0) {
        if (showProgress)
            std::fputc('\n', stderr);
        return Fail(failure);
    }
    if (in.Position == 0) {
        // Only reachable when the source's length is unknown: nothing in the range.
        QFile::remove(output);
        return Fail(QStringLiteral("the range holds no sound of %1").arg(Quoted(sourcePath)));
    }
    if (showProgress)
        progress.Show(true);
    return 0;
}
