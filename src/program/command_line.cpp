#include "program/command_line.h"

#include "audio/rip/mp3_out.h"
#include "program/command_options.h"
#include "program/format_options.h"

#include <QCoreApplication>
#include <QDir>

#include <QRegularExpression>
#include <cstdio>

#include <algorithm>

namespace {

// The rows of the options in --help: names and value in a column of 21, the help beside
// (or below, when the names are wider).
QString OptionRows() {
    constexpr int NameColumn = 21;
    const QString indent(2 + NameColumn, u' ');
    QString rows;
    for (const TOption& option : OptionTable()) {
        QStringList names;
        for (const char* name : option.Names)
            names << QLatin1String(name);
        QString head = names.join(QStringLiteral(", "));
        if (option.Value)
            head += u' ' + OptionText(option.Value);
        const QStringList lines = OptionText(option.Help).split(u'\n');
        rows += QStringLiteral("  ") + head;
        if (head.size() < NameColumn)
            rows += QString(NameColumn - head.size(), u' ') + lines.first();
        else
            rows += u'\n' + indent + lines.first();
        rows += u'\n';
        for (qsizetype i = 1; i < lines.size(); ++i)
            rows += indent + lines[i] + u'\n';
    }
    return rows;
}

// The options given that the mode does not use: every option but the mode's own is the
// rip's.
void NoteIgnored(TParsing& P) {
    TCommandLineOptions& o = P.Options;
    const auto With = [](const QString& Mode) {
        return QCoreApplication::translate("CommandLine", "with %1").arg(Mode);
    };
    QStringList used;
    switch (o.Mode) {
    case TCommandMode::cmRip:
    case TCommandMode::cmHelp:
    case TCommandMode::cmVersion:
        return;
    case TCommandMode::cmWindow:
        o.IgnoredWhere = QCoreApplication::translate("CommandLine", "when the window opens");
        used = {QStringLiteral("--dvd-title")};
        break;
    case TCommandMode::cmListTracks:
        o.IgnoredWhere = With(QStringLiteral("--list-tracks"));
        used = {QStringLiteral("--list-tracks"), QStringLiteral("--dvd-title")};
        break;
    case TCommandMode::cmListTitles:
        o.IgnoredWhere = With(QStringLiteral("--list-titles"));
        used = {QStringLiteral("--list-titles")};
        break;
    case TCommandMode::cmListChapters:
        o.IgnoredWhere = With(QStringLiteral("--list-chapters"));
        used = {QStringLiteral("--list-chapters"), QStringLiteral("--dvd-title")};
        break;
    case TCommandMode::cmListPauses:
        o.IgnoredWhere = With(QStringLiteral("--list-pauses"));
        used = {QStringLiteral("--list-pauses"),
                QStringLiteral("--dvd-title"),
                QStringLiteral("--audio-track"),
                QStringLiteral("--min-pause"),
                QStringLiteral("--pause-db"),
                QStringLiteral("--min-track"),
                QStringLiteral("-q"),
                QStringLiteral("--quiet")};
        break;
    }
    for (const QString& name : P.Given)
        if (!used.contains(name) && !o.Ignored.contains(name))
            o.Ignored << name;
}

} // namespace

TCommandLineOptions ParseCommandLine(const QStringList& args) {
    TParsing p;
    TCommandLineOptions& o = p.Options;
    QStringList positional;
    bool onlyFiles = false;
    for (qsizetype i = 0; i < args.size() && !p.Done; ++i) {
        const QString& a = args[i];
        if (onlyFiles || !a.startsWith(u'-') || a == u'-') {
            positional << a;
            continue;
        }
        if (a == QStringLiteral("--")) { // what follows are files, whatever their names
            onlyFiles = true;
            continue;
        }
        size_t which = 0;
        const TOption* option = FindOption(a, which);
        if (!option)
            throw EUsageError(
                QCoreApplication::translate("CommandLine", "unknown option '%1'").arg(a));
        QString value;
        if (option->Value) {
            if (i + 1 >= args.size())
                throw EUsageError(
                    QCoreApplication::translate("CommandLine", "%1 needs a value").arg(a));
            value = args[++i];
        }
        option->Apply(p, which, a, value);
        p.Given << a;
    }
    if (p.Done)
        return o;
    const QString& pauseOption = p.PauseOption;
    if (!o.Format)
        o.Format = FormatOfOutput(o.Output);
    if (o.Format) {
        if (const QString why = FormatOptionRefusal(o, *o.Format); !why.isEmpty())
            throw EUsageError(why);
    } else if (o.Bitrate && !FormatOptionRefusal(o, ofMP3).isEmpty() &&
               !FormatOptionRefusal(o, ofOpus).isEmpty()) {
        // The stored format is not known yet; a rate no format takes is refused now.
        throw EUsageError(FormatOptionRefusal(o, ofMP3));
    }
    if (o.Bitrate && o.VbrMin)
        throw EUsageError(
            QCoreApplication::translate("CommandLine", "--bitrate and --vbr exclude each other"));
    if (o.Bitrate && o.VbrQuality)
        throw EUsageError(QCoreApplication::translate(
            "CommandLine", "--bitrate and --vbr-quality exclude each other"));
    if (o.OneFile && o.TrackList.isEmpty() && !o.SplitChapters)
        throw EUsageError(QCoreApplication::translate(
            "CommandLine", "--one-file goes with --tracks or --split-chapters"));
    if (o.OneFile && o.Output.contains(QRegularExpression(QStringLiteral("%[ntaA]"))))
        throw EUsageError(QCoreApplication::translate(
            "CommandLine",
            "--one-file writes one file: -o names it, not a pattern of track names"));
    if ((o.DvdTitle || o.ChapterFirst) && o.Mode == TCommandMode::cmListTitles)
        throw EUsageError(
            QCoreApplication::translate("CommandLine", "--list-titles lists every title"));
    if (o.ChapterFirst && o.Mode != TCommandMode::cmRip)
        throw EUsageError(QCoreApplication::translate("CommandLine", "--chapter goes with --rip"));
    if (o.DvdAngle && o.Mode != TCommandMode::cmRip)
        throw EUsageError(QCoreApplication::translate("CommandLine", "--angle goes with --rip"));
    if (o.StartMs && o.EndMs && *o.StartMs >= *o.EndMs)
        throw EUsageError(
            QCoreApplication::translate("CommandLine", "--start must come before --end"));
    if (!pauseOption.isEmpty() && !o.SplitPauses && o.Mode != TCommandMode::cmListPauses)
        throw EUsageError(QCoreApplication::translate(
                              "CommandLine", "%1 goes with --split-pauses or --list-pauses")
                              .arg(pauseOption));
    if (!o.TrackList.isEmpty() || o.SplitChapters || o.SplitPauses) {
        const QString option = o.SplitChapters ? QStringLiteral("--split-chapters")
                               : o.SplitPauses ? QStringLiteral("--split-pauses")
                                               : QStringLiteral("--tracks");
        if (o.Mode != TCommandMode::cmRip)
            throw EUsageError(
                QCoreApplication::translate("CommandLine", "%1 goes with --rip").arg(option));
        if (int(o.SplitChapters) + int(o.SplitPauses) + int(!o.TrackList.isEmpty()) > 1)
            throw EUsageError(QCoreApplication::translate(
                "CommandLine", "--split-chapters, --split-pauses and --tracks exclude each other"));
        if (!o.SplitChapters && o.ChapterFirst)
            throw EUsageError(QCoreApplication::translate(
                                  "CommandLine", "%1 gives the ranges: leave out --chapter")
                                  .arg(option));
        // Each track's range and title come from the list or the chapters.
        if (o.StartMs || o.EndMs)
            throw EUsageError(QCoreApplication::translate(
                                  "CommandLine", "%1 gives the ranges: leave out --start and --end")
                                  .arg(option));
        if (o.Title)
            throw EUsageError(
                QCoreApplication::translate("CommandLine", "%1 gives the titles: leave out --title")
                    .arg(option));
    }
    if (o.Mode == TCommandMode::cmWindow) {
        if (positional.size() > 1)
            throw EUsageError(
                QCoreApplication::translate("CommandLine", "the window opens one file at a time"));
        if (!positional.isEmpty())
            o.Source = positional.first();
    } else if (!positional.isEmpty() && o.Mode != TCommandMode::cmRip) {
        throw EUsageError(QCoreApplication::translate("CommandLine", "unexpected argument '%1'")
                              .arg(positional.first()));
    }
    if (o.Source.isEmpty() && o.Mode != TCommandMode::cmWindow)
        throw EUsageError(QCoreApplication::translate("CommandLine", "no source file given"));
    o.Sources =
        QStringList{o.Source} + (o.Mode == TCommandMode::cmRip ? positional : QStringList());
    if (o.Sources.size() > 1 && !o.TrackList.isEmpty())
        throw EUsageError(QCoreApplication::translate(
            "CommandLine", "--tracks lists the tracks of one source, not of several"));
    NoteIgnored(p);
    return o;
}

QString UsageText() {
    return QCoreApplication::translate(
               "CommandLine",
               "Usage: sonavel [FILE]\n"
               "       sonavel --rip SOURCE [-o OUTPUT] [--start TIME] [--end TIME]\n"
               "               [--format mp3|flac|opus] [--compression N]\n"
               "               [--bitrate KBPS | --vbr MIN-MAX] [--vbr-quality N]\n"
               "               [--samplerate HZ|source] [--no-replaygain] [--cover TIME|FILE]\n"
               "               [--mode dual|stereo|joint|mono] [--downmix standard|dialogue]\n"
               "               [--title T] [--artist A]\n"
               "               [--album A] [--year Y] [--comment C] [--genre G]\n"
               "               [--audio-track N] [--jobs N] [--force] [--quiet]\n"
               "               [--dvd-title N] [--angle N] [--chapter A[-B]]\n"
               "       sonavel --rip SOURCE --tracks LIST [-o FOLDER/ | -o PATTERN] [options]\n"
               "       sonavel --rip SOURCE [--dvd-title N] --split-chapters [--chapter A[-B]]\n"
               "               [-o FOLDER/ | -o PATTERN] [options]\n"
               "       sonavel --rip SOURCE --split-pauses [--min-pause S] [--pause-db DB]\n"
               "               [--min-track S] [-o FOLDER/ | -o PATTERN] [options]\n"
               "       sonavel --list-pauses SOURCE [--min-pause S] [--pause-db DB]\n"
               "               [--min-track S] [--dvd-title N] [--audio-track N]\n"
               "       sonavel --rip SOURCE (--tracks LIST | --split-chapters) --one-file\n"
               "               [-o OUTPUT] [options]\n"
               "       sonavel --list-tracks SOURCE [--dvd-title N]\n"
               "       sonavel --list-titles DVD\n"
               "       sonavel --list-chapters SOURCE [--dvd-title N]\n"
               "       sonavel --rip SOURCE SOURCE... [-o FOLDER/] [options]\n"
               "       sonavel --help | --version\n"
               "\n"
               "Rips the sound of a range of a video (DVD .vob, VCD .dat, .mpeg, .mpg) to MP3,\n"
               "FLAC or Opus; it also opens Matroska (.mkv, .mka, .webm), MP4 (.mp4, .m4v,\n"
               ".m4a, .mov), MPEG-TS (.ts, .m2ts), AVI, FLV, Ogg, WAV and FLAC files.\n"
               "A DVD opens as a DVD (titles, chapters, languages): its folder or the VIDEO_TS\n"
               "folder, any file in VIDEO_TS, an .iso image, a mounted disc or /dev/sr0.\n"
               "The chapters of a Matroska or MP4 file are its chapters as a DVD title's are.\n"
               "Without options, opens the window (with FILE, opens that file or DVD).\n"
               "\n") +
           OptionRows() +
           QCoreApplication::translate(
               "CommandLine",
               "\n"
               "Options not given take the settings last used in the window.\n"
               "\n"
               "Examples:\n"
               "  sonavel --rip VTS_01_1.VOB --start 1:02:03 --end 1:05:00 -o song.mp3\n"
               "  sonavel --rip film.mpg --vbr 128-256 --mode joint --title \"Main theme\"\n"
               "  sonavel --rip concert.vob --start 2:00 --end 6:30 -o song.flac\n"
               "  sonavel --rip concert.vob --tracks concert.cue --format opus -o ~/Music/Live/\n"
               "  sonavel --list-tracks VTS_02_1.VOB\n"
               "  sonavel --rip VTS_02_1.VOB --audio-track 2 --samplerate 48000\n"
               "  sonavel --rip concert.vob --tracks concert.cue -o ~/Music/Live/\n"
               "  sonavel --rip concert.mpg --split-pauses -o ~/Music/Live/\n"
               "  sonavel --list-pauses lecture.mpg --min-pause 3 > talks.txt\n"
               "  sonavel --list-titles /dev/sr0\n"
               "  sonavel --rip concert.iso --dvd-title 1 --chapter 6 --audio-track 2\n"
               "  sonavel --rip /dev/sr0 --dvd-title 1 --split-chapters -o ~/Music/Live/\n"
               "  sonavel --rip concert.mkv --split-chapters -o ~/Music/Live/\n"
               "  sonavel --list-chapters lecture.mp4 > talks.txt\n"
               "  sonavel --rip *.mkv -o ~/Music/Rips/\n"
               "\n"
               "Exit status: 0 done, 1 failed (one line on stderr says why; of several\n"
               "sources, one line for each that failed), 2 usage error.\n");
}

QString Quoted(const QString& Path) {
    return u'"' + QDir::toNativeSeparators(Path) + u'"';
}

int CommandFailure(const QString& Why) {
    std::fprintf(stderr, "sonavel: %s\n", Why.toLocal8Bit().constData());
    return 1;
}
