#include "program/command_line.h"

#include "app/globals.h"
#include "audio/rip/mp3_out.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>

namespace {

int32_t ParseCount(const QString& option, const QString& value) {
    bool ok = false;
    const int n = value.toInt(&ok);
    if (!ok || n < 0)
        throw EUsageError(
            QCoreApplication::translate("CommandLine", "%1 needs a whole number, not '%2'")
                .arg(option, value));
    return n;
}

double ParseSeconds(const QString& option, const QString& value, double least, double most) {
    bool ok = false;
    const double v = value.toDouble(&ok);
    if (!ok || !(v >= least && v <= most))
        throw EUsageError(
            QCoreApplication::translate("CommandLine", "%1 needs a number from %2 to %3, not '%4'")
                .arg(option, QString::number(least), QString::number(most), value));
    return v;
}

int32_t ParseBitrate(const QString& option, const QString& value) {
    const int32_t kbps = ParseCount(option, value);
    if (std::find(MP3BitRates.begin(), MP3BitRates.end(), kbps) == MP3BitRates.end()) {
        QStringList rates;
        for (int32_t r : MP3BitRates)
            rates << QString::number(r);
        throw EUsageError(
            QCoreApplication::translate("CommandLine", "%1 %2 is not an MP3 bit rate (one of %3)")
                .arg(option, value, rates.join(u' ')));
    }
    return kbps;
}

} // namespace

TCommandLineOptions ParseCommandLine(const QStringList& args) {
    TCommandLineOptions o;
    QStringList positional;
    bool onlyFiles = false;
    QString pauseOption; // the last of --min-pause, --pause-db, --min-track given
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (onlyFiles || !a.startsWith(u'-') || a == u'-') {
            positional << a;
            continue;
        }
        auto value = [&]() -> QString {
            if (i + 1 >= args.size())
                throw EUsageError(
                    QCoreApplication::translate("CommandLine", "%1 needs a value").arg(a));
            return args[++i];
        };
        auto text = [&](std::optional<QString>& field) {
            field = LeftCodePoints(value(), TagTextMax);
        };
        if (a == QStringLiteral("--")) {
            onlyFiles = true;
        } else if (a == QStringLiteral("--help") || a == QStringLiteral("-h")) {
            o.Mode = TCommandMode::cmHelp;
            return o;
        } else if (a == QStringLiteral("--version")) {
            o.Mode = TCommandMode::cmVersion;
            return o;
        } else if (a == QStringLiteral("--rip")) {
            o.Mode = TCommandMode::cmRip;
            o.Source = value();
        } else if (a == QStringLiteral("--list-tracks")) {
            o.Mode = TCommandMode::cmListTracks;
            o.Source = value();
        } else if (a == QStringLiteral("--list-pauses")) {
            o.Mode = TCommandMode::cmListPauses;
            o.Source = value();
        } else if (a == QStringLiteral("--split-pauses")) {
            o.SplitPauses = true;
        } else if (a == QStringLiteral("--min-pause")) {
            o.Pauses.MinPauseSeconds = ParseSeconds(a, value(), 0.1, 600);
            pauseOption = a;
        } else if (a == QStringLiteral("--pause-db")) {
            o.Pauses.PauseDb = ParseSeconds(a, value(), 1, 100);
            pauseOption = a;
        } else if (a == QStringLiteral("--min-track")) {
            o.Pauses.MinTrackSeconds = ParseSeconds(a, value(), 0, 36000);
            pauseOption = a;
        } else if (a == QStringLiteral("--list-titles")) {
            o.Mode = TCommandMode::cmListTitles;
            o.Source = value();
        } else if (a == QStringLiteral("--dvd-title")) {
            const QString v = value();
            o.DvdTitle = ParseCount(a, v);
            if (o.DvdTitle < 1)
                throw EUsageError(
                    QCoreApplication::translate("CommandLine", "--dvd-title counts from 1"));
        } else if (a == QStringLiteral("--angle")) {
            const QString v = value();
            o.DvdAngle = ParseCount(a, v);
            if (o.DvdAngle < 1)
                throw EUsageError(
                    QCoreApplication::translate("CommandLine", "--angle counts from 1"));
        } else if (a == QStringLiteral("--chapter")) {
            const QString v = value();
            const QStringList parts = v.split(u'-');
            if (parts.size() > 2)
                throw EUsageError(QCoreApplication::translate(
                    "CommandLine", "--chapter needs A or A-B, like 6 or 6-8"));
            o.ChapterFirst = ParseCount(a, parts.first());
            o.ChapterLast = parts.size() == 2 ? ParseCount(a, parts.last()) : o.ChapterFirst;
            if (o.ChapterFirst < 1)
                throw EUsageError(
                    QCoreApplication::translate("CommandLine", "--chapter counts from 1"));
            if (o.ChapterLast < o.ChapterFirst)
                throw EUsageError(
                    QCoreApplication::translate(
                        "CommandLine", "--chapter %1: the last chapter comes before the first")
                        .arg(v));
        } else if (a == QStringLiteral("-o") || a == QStringLiteral("--output")) {
            o.Output = value();
        } else if (a == QStringLiteral("--start") || a == QStringLiteral("--end")) {
            const QString v = value();
            int64_t ms = 0;
            if (!ParseTimeText(v, ms))
                throw EUsageError(
                    QCoreApplication::translate(
                        "CommandLine", "%1 '%2' is not a time (seconds like 12.5, or h:mm:ss.t)")
                        .arg(a, v));
            (a == QStringLiteral("--start") ? o.StartMs : o.EndMs) = ms;
        } else if (a == QStringLiteral("--bitrate")) {
            o.Bitrate = ParseBitrate(a, value());
        } else if (a == QStringLiteral("--vbr")) {
            const QString v = value();
            const QStringList parts = v.split(u'-');
            if (parts.size() != 2)
                throw EUsageError(QCoreApplication::translate("CommandLine",
                                                              "--vbr needs MIN-MAX, like 128-256"));
            o.VbrMin = ParseBitrate(a, parts[0]);
            o.VbrMax = ParseBitrate(a, parts[1]);
            if (*o.VbrMin > *o.VbrMax)
                throw EUsageError(QCoreApplication::translate(
                                      "CommandLine", "--vbr %1: the minimum is above the maximum")
                                      .arg(v));
        } else if (a == QStringLiteral("--vbr-quality")) {
            const QString v = value();
            bool ok = false;
            const int q = v.toInt(&ok);
            if (!ok || q < 0 || q > 9)
                throw EUsageError(
                    QCoreApplication::translate("CommandLine",
                                                "--vbr-quality %1: give 0 (best) to 9 (smallest)")
                        .arg(v));
            o.VbrQuality = q;
        } else if (a == QStringLiteral("--cover")) {
            o.Cover = value();
            if (o.Cover.isEmpty())
                throw EUsageError(QCoreApplication::translate(
                    "CommandLine", "--cover needs a time or a picture file"));
        } else if (a == QStringLiteral("--no-replaygain")) {
            o.ReplayGain = false;
        } else if (a == QStringLiteral("--samplerate")) {
            const QString v = value();
            const int32_t hz = ParseCount(a, v);
            if (hz != 32000 && hz != 44100 && hz != 48000)
                throw EUsageError(
                    QCoreApplication::translate("CommandLine",
                                                "--samplerate %1: choose 32000, 44100 or 48000")
                        .arg(v));
            o.SampleRate = hz;
        } else if (a == QStringLiteral("--mode")) {
            const QString v = value();
            static const QStringList modes{QStringLiteral("dual"), QStringLiteral("stereo"),
                                           QStringLiteral("joint"), QStringLiteral("mono")};
            const qsizetype index = modes.indexOf(v.toLower());
            if (index < 0)
                throw EUsageError(
                    QCoreApplication::translate("CommandLine",
                                                "--mode %1: choose dual, stereo, joint or mono")
                        .arg(v));
            o.ChannelMode = int32_t(index);
        } else if (a == QStringLiteral("--title")) {
            text(o.Title);
        } else if (a == QStringLiteral("--artist")) {
            text(o.Artist);
        } else if (a == QStringLiteral("--album")) {
            text(o.Album);
        } else if (a == QStringLiteral("--year")) {
            text(o.Year);
        } else if (a == QStringLiteral("--comment")) {
            text(o.Comment);
        } else if (a == QStringLiteral("--genre")) {
            text(o.Genre);
        } else if (a == QStringLiteral("--audio-track")) {
            const QString v = value();
            o.AudioTrack = ParseCount(a, v);
            if (o.AudioTrack < 1)
                throw EUsageError(
                    QCoreApplication::translate("CommandLine", "--audio-track counts from 1"));
        } else if (a == QStringLiteral("--tracks")) {
            o.TrackList = value();
        } else if (a == QStringLiteral("--split-chapters")) {
            o.SplitChapters = true;
        } else if (a == QStringLiteral("--one-file")) {
            o.OneFile = true;
        } else if (a == QStringLiteral("--jobs") || a == QStringLiteral("-j")) {
            const QString v = value();
            o.Jobs = ParseCount(a, v);
            if (o.Jobs < 1 || o.Jobs > 256)
                throw EUsageError(
                    QCoreApplication::translate("CommandLine", "%1 %2: give 1 to 256 threads")
                        .arg(a, v));
        } else if (a == QStringLiteral("--force")) {
            o.Force = true;
        } else if (a == QStringLiteral("--quiet") || a == QStringLiteral("-q")) {
            o.Quiet = true;
        } else {
            throw EUsageError(
                QCoreApplication::translate("CommandLine", "unknown option '%1'").arg(a));
        }
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
    } else if (!positional.isEmpty()) {
        throw EUsageError(QCoreApplication::translate("CommandLine", "unexpected argument '%1'")
                              .arg(positional.first()));
    }
    if (o.Source.isEmpty() && o.Mode != TCommandMode::cmWindow)
        throw EUsageError(QCoreApplication::translate("CommandLine", "no source file given"));
    return o;
}

QString UsageText() {
    return QCoreApplication::translate(
        "CommandLine",
        "Usage: sonavel [FILE]\n"
        "       sonavel --rip SOURCE [-o OUTPUT] [--start TIME] [--end TIME]\n"
        "               [--bitrate KBPS | --vbr MIN-MAX] [--vbr-quality N]\n"
        "               [--samplerate HZ] [--no-replaygain] [--cover TIME|FILE]\n"
        "               [--mode dual|stereo|joint|mono] [--title T] [--artist A]\n"
        "               [--album A] [--year Y] [--comment C] [--genre G]\n"
        "               [--audio-track N] [--jobs N] [--force] [--quiet]\n"
        "               [--dvd-title N] [--angle N] [--chapter A[-B]]\n"
        "       sonavel --rip SOURCE --tracks LIST [-o FOLDER/ | -o PATTERN] [options]\n"
        "       sonavel --rip DVD [--dvd-title N] --split-chapters [--chapter A[-B]]\n"
        "               [-o FOLDER/ | -o PATTERN] [options]\n"
        "       sonavel --rip SOURCE --split-pauses [--min-pause S] [--pause-db DB]\n"
        "               [--min-track S] [-o FOLDER/ | -o PATTERN] [options]\n"
        "       sonavel --list-pauses SOURCE [--min-pause S] [--pause-db DB]\n"
        "               [--min-track S] [--dvd-title N] [--audio-track N]\n"
        "       sonavel --rip SOURCE (--tracks LIST | --split-chapters) --one-file\n"
        "               [-o OUTPUT] [options]\n"
        "       sonavel --list-tracks SOURCE [--dvd-title N]\n"
        "       sonavel --list-titles DVD\n"
        "       sonavel --help | --version\n"
        "\n"
        "Rips the sound of a range of a video (DVD .vob, VCD .dat, .mpeg, .mpg) to MP3.\n"
        "A DVD opens as a DVD (titles, chapters, languages): its folder or the VIDEO_TS\n"
        "folder, any file in VIDEO_TS, an .iso image, a mounted disc or /dev/sr0.\n"
        "Without options, opens the window (with FILE, opens that file or DVD).\n"
        "\n"
        "  --rip SOURCE         rip SOURCE's sound without a window\n"
        "  -o, --output OUTPUT  the MP3 file (default: SOURCE with .mp3, beside it; for a\n"
        "                       DVD, VOLUME_tNN_cNN.mp3 in the output folder)\n"
        "  --start TIME         start of the range (default: the beginning)\n"
        "  --end TIME           end of the range, not included (default: the end)\n"
        "                       TIME is seconds (12.5) or h:mm:ss.t (1:02:03.4); on a\n"
        "                       DVD, on the title's time line\n"
        "  --dvd-title N        the DVD's title N (default: the longest)\n"
        "  --angle N            the title's camera angle N (default: 1; --list-titles\n"
        "                       counts them)\n"
        "  --chapter A[-B]      from chapter A's start to chapter B's end (B = A when\n"
        "                       left out); --start and --end, when given, override\n"
        "  --bitrate KBPS       constant bit rate: 8 16 24 32 40 48 56 64 80 96 112 128\n"
        "                       144 160 192 224 256 320\n"
        "  --vbr MIN-MAX        variable bit rate between two of those rates\n"
        "  --vbr-quality N      variable bit rate of quality N, as the encoder's -V:\n"
        "                       0 best and largest, 9 smallest (default: 2, or the\n"
        "                       window's setting); with --vbr's limits or the stored ones\n"
        "  --cover TIME|FILE    the front cover: the video's picture at TIME of the\n"
        "                       source (scaled to square pixels), or a JPEG or PNG file;\n"
        "                       every track of a list gets it\n"
        "  --no-replaygain      leave out the ReplayGain values (the loudness measured\n"
        "                       while ripping: track gain, and album gain over the\n"
        "                       tracks of a list, to -18 LUFS, and the sample peak)\n"
        "  --samplerate HZ      32000, 44100 or 48000\n"
        "  --mode MODE          dual, stereo, joint or mono\n"
        "  --title, --artist, --album, --year, --comment, --genre TEXT\n"
        "                       ID3 tag texts (255 characters at most each)\n"
        "  --audio-track N      the N-th audio stream, as --list-tracks numbers them\n"
        "  --tracks LIST        one MP3 per track of LIST: a cue sheet (TITLE, PERFORMER,\n"
        "                       TRACK, INDEX 01 mm:ss:ff) or lines START [END] [TITLE];\n"
        "                       the tracks play back one after the other without a gap\n"
        "                       -o is then a folder (ending in /) or a name pattern:\n"
        "                       %n number, %t title, %a artist, %A album\n"
        "                       (default: \"%n - %t.mp3\" beside the source; for a DVD,\n"
        "                       in a folder VOLUME_tNN in the output folder)\n"
        "  --split-chapters     one MP3 per chapter of the DVD title (with --chapter, of\n"
        "                       those chapters), named and tagged as with --tracks\n"
        "  --split-pauses       one MP3 per song: the sound is cut in its pauses (at the\n"
        "                       quietest point of each), named and tagged as with --tracks\n"
        "  --min-pause S        a pause lasts S seconds at least (default 1)\n"
        "  --pause-db DB        and lies DB decibels below the median loudness of the\n"
        "                       sound (default 30): hiss and hum are a pause, applause\n"
        "                       is not\n"
        "  --min-track S        a track shorter than S seconds joins its neighbour\n"
        "                       (default 20)\n"
        "  --list-pauses SOURCE print the songs --split-pauses would rip, as a list\n"
        "                       --tracks reads (edit it, then rip with --tracks)\n"
        "  --one-file           the tracks or chapters as one MP3 (-o names it) whose\n"
        "                       chapter marks let players jump between them\n"
        "  -j, --jobs N         encode on N threads (default: one per core; 1: one\n"
        "                       encoder, as fast as one core allows)\n"
        "  --force              replace an existing OUTPUT\n"
        "  -q, --quiet          print nothing but errors\n"
        "  --list-tracks SOURCE list SOURCE's audio streams (a DVD title's, with their\n"
        "                       languages)\n"
        "  --list-titles DVD    list the DVD's titles: length, chapters, audio streams\n"
        "  --help               show this text\n"
        "  --version            show the version\n"
        "\n"
        "Options not given take the settings last used in the window.\n"
        "\n"
        "Examples:\n"
        "  sonavel --rip VTS_01_1.VOB --start 1:02:03 --end 1:05:00 -o song.mp3\n"
        "  sonavel --rip film.mpg --vbr 128-256 --mode joint --title \"Main theme\"\n"
        "  sonavel --list-tracks VTS_02_1.VOB\n"
        "  sonavel --rip VTS_02_1.VOB --audio-track 2 --samplerate 48000\n"
        "  sonavel --rip concert.vob --tracks concert.cue -o ~/Music/Live/\n"
        "  sonavel --rip concert.mpg --split-pauses -o ~/Music/Live/\n"
        "  sonavel --list-pauses lecture.mpg --min-pause 3 > talks.txt\n"
        "  sonavel --list-titles /dev/sr0\n"
        "  sonavel --rip concert.iso --dvd-title 1 --chapter 6 --audio-track 2\n"
        "  sonavel --rip /dev/sr0 --dvd-title 1 --split-chapters -o ~/Music/Live/\n"
        "\n"
        "Exit status: 0 done, 1 failed (one line on stderr says why), 2 usage error.\n");
}
