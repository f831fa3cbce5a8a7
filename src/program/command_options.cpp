#include "program/command_options.h"

#include "app/globals.h"
#include "audio/rip/mp3_out.h"
#include "program/format_options.h"

#include <QCoreApplication>

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
    if (const QString why = Mp3RateRefusal(option, kbps); !why.isEmpty())
        throw EUsageError(why);
    return kbps;
}

// A count from 1 (a title, a chapter, a track).
int32_t ParseOrdinal(const QString& option, const QString& value) {
    const int32_t n = ParseCount(option, value);
    if (n < 1)
        throw EUsageError(
            QCoreApplication::translate("CommandLine", "%1 counts from 1").arg(option));
    return n;
}

int64_t ParseTime(const QString& option, const QString& value) {
    int64_t ms = 0;
    if (!ParseTimeText(value, ms))
        throw EUsageError(
            QCoreApplication::translate("CommandLine",
                                        "%1 '%2' is not a time (seconds like 12.5, or h:mm:ss.t)")
                .arg(option, value));
    return ms;
}

void Source(TParsing& P, TCommandMode Mode, const QString& Value) {
    P.Options.Mode = Mode;
    P.Options.Source = Value;
}

} // namespace

QString OptionText(const char* Text) {
    return QCoreApplication::translate("CommandLine", Text);
}

// Every option, in the order --help shows them; the parser reads this table too.
const std::vector<TOption>& OptionTable() {
    using O = TCommandLineOptions;
    static const std::vector<TOption> options = {
        {{"--rip"},
         QT_TRANSLATE_NOOP("CommandLine", "SOURCE"),
         QT_TRANSLATE_NOOP("CommandLine", "rip SOURCE's sound without a window; files named\n"
                                          "after it are ripped in turn with the same options\n"
                                          "(-o a folder), a summary at the end"),
         [](TParsing& P, size_t, const QString&, const QString& V) {
             Source(P, TCommandMode::cmRip, V);
         }},
        {{"-o", "--output"},
         QT_TRANSLATE_NOOP("CommandLine", "OUTPUT"),
         QT_TRANSLATE_NOOP("CommandLine",
                           "the output file (default: SOURCE with .mp3, .flac or .opus,\n"
                           "beside it; for a DVD, VOLUME_tNN_cNN.mp3 in the output folder);\n"
                           "its extension chooses the format when --format is not given"),
         [](TParsing& P, size_t, const QString&, const QString& V) { P.Options.Output = V; }},
        {{"--format"},
         QT_TRANSLATE_NOOP("CommandLine", "FORMAT"),
         QT_TRANSLATE_NOOP("CommandLine",
                           "mp3 (LAME), flac (lossless: the source's own samples) or\n"
                           "opus (in Ogg, 48 kHz); default: OUTPUT's extension, else\n"
                           "the window's setting"),
         [](TParsing& P, size_t, const QString& N, const QString& V) {
             TOutputFormat format = ofMP3;
             if (!FormatOfExtension(V, format))
                 throw EUsageError(
                     QCoreApplication::translate("CommandLine", "%1 %2: choose mp3, flac or opus")
                         .arg(N, V));
             P.Options.Format = format;
         }},
        {{"--compression"},
         QT_TRANSLATE_NOOP("CommandLine", "N"),
         QT_TRANSLATE_NOOP("CommandLine", "FLAC's compression level: 0 fastest to 8 smallest\n"
                                          "(default: 5, or the window's setting)"),
         [](TParsing& P, size_t, const QString& N, const QString& V) {
             const int32_t level = ParseCount(N, V);
             if (level < FlacLevelMin || level > FlacLevelMax)
                 throw EUsageError(
                     QCoreApplication::translate("CommandLine", "%1 %2: give 0 to 8").arg(N, V));
             P.Options.FlacLevel = level;
         }},
        {{"--start"},
         QT_TRANSLATE_NOOP("CommandLine", "TIME"),
         QT_TRANSLATE_NOOP("CommandLine", "start of the range (default: the beginning)"),
         [](TParsing& P, size_t, const QString& N, const QString& V) {
             P.Options.StartMs = ParseTime(N, V);
         }},
        {{"--end"},
         QT_TRANSLATE_NOOP("CommandLine", "TIME"),
         QT_TRANSLATE_NOOP("CommandLine", "end of the range, not included (default: the end)\n"
                                          "TIME is seconds (12.5) or h:mm:ss.t (1:02:03.4); on a\n"
                                          "DVD, on the title's time line"),
         [](TParsing& P, size_t, const QString& N, const QString& V) {
             P.Options.EndMs = ParseTime(N, V);
         }},
        {{"--dvd-title"},
         QT_TRANSLATE_NOOP("CommandLine", "N"),
         QT_TRANSLATE_NOOP("CommandLine", "the DVD's title N (default: the longest)"),
         [](TParsing& P, size_t, const QString& N, const QString& V) {
             P.Options.DvdTitle = ParseOrdinal(N, V);
         }},
        {{"--angle"},
         QT_TRANSLATE_NOOP("CommandLine", "N"),
         QT_TRANSLATE_NOOP("CommandLine", "the title's camera angle N (default: 1; --list-titles\n"
                                          "counts them)"),
         [](TParsing& P, size_t, const QString& N, const QString& V) {
             P.Options.DvdAngle = ParseOrdinal(N, V);
         }},
        {{"--chapter"},
         QT_TRANSLATE_NOOP("CommandLine", "A[-B]"),
         QT_TRANSLATE_NOOP("CommandLine", "from chapter A's start to chapter B's end (B = A when\n"
                                          "left out); --start and --end, when given, override"),
         [](TParsing& P, size_t, const QString& N, const QString& V) {
             const QStringList parts = V.split(u'-');
             if (parts.size() > 2 || parts.first().isEmpty())
                 throw EUsageError(
                     QCoreApplication::translate(
                         "CommandLine", "--chapter needs A or A-B, like 6 or 6-8, not '%1'")
                         .arg(V));
             O& o = P.Options;
             o.ChapterFirst = ParseOrdinal(N, parts.first());
             o.ChapterLast = parts.size() == 2 ? ParseCount(N, parts.last()) : o.ChapterFirst;
             if (o.ChapterLast < o.ChapterFirst)
                 throw EUsageError(
                     QCoreApplication::translate(
                         "CommandLine", "--chapter %1: the last chapter comes before the first")
                         .arg(V));
         }},
        {{"--bitrate"},
         QT_TRANSLATE_NOOP("CommandLine", "KBPS"),
         QT_TRANSLATE_NOOP("CommandLine",
                           "MP3's constant bit rate: 8 16 24 32 40 48 56 64 80 96 112\n"
                           "128 144 160 192 224 256 320; Opus's: 32 to 256 (default 160)"),
         [](TParsing& P, size_t, const QString& N, const QString& V) {
             P.Options.Bitrate = ParseCount(N, V);
         }},
        {{"--vbr"},
         QT_TRANSLATE_NOOP("CommandLine", "MIN-MAX"),
         QT_TRANSLATE_NOOP("CommandLine", "variable bit rate, every frame between two of\n"
                                          "those rates"),
         [](TParsing& P, size_t, const QString& N, const QString& V) {
             const QStringList parts = V.split(u'-');
             if (parts.size() != 2)
                 throw EUsageError(QCoreApplication::translate(
                     "CommandLine", "--vbr needs MIN-MAX, like 128-256"));
             P.Options.VbrMin = ParseBitrate(N, parts[0]);
             P.Options.VbrMax = ParseBitrate(N, parts[1]);
             if (*P.Options.VbrMin > *P.Options.VbrMax)
                 throw EUsageError(QCoreApplication::translate(
                                       "CommandLine", "--vbr %1: the minimum is above the maximum")
                                       .arg(V));
         }},
        {{"--vbr-quality"},
         QT_TRANSLATE_NOOP("CommandLine", "N"),
         QT_TRANSLATE_NOOP("CommandLine", "variable bit rate of quality N, as the encoder's -V:\n"
                                          "0 best and largest, 9 smallest (default: 2, or the\n"
                                          "window's setting); bounded only by --vbr's limits or\n"
                                          "those the settings dialog's Limit box stores"),
         [](TParsing& P, size_t, const QString&, const QString& V) {
             bool ok = false;
             const int q = V.toInt(&ok);
             if (!ok || q < 0 || q > 9)
                 throw EUsageError(
                     QCoreApplication::translate("CommandLine",
                                                 "--vbr-quality %1: give 0 (best) to 9 (smallest)")
                         .arg(V));
             P.Options.VbrQuality = q;
         }},
        {{"--cover"},
         QT_TRANSLATE_NOOP("CommandLine", "TIME|FILE"),
         QT_TRANSLATE_NOOP("CommandLine",
                           "the front cover: the video's picture at TIME of the\n"
                           "source (scaled to square pixels), or a JPEG or PNG file;\n"
                           "larger than 1920 pixels, it is scaled down; every track\n"
                           "of a list gets it"),
         [](TParsing& P, size_t, const QString&, const QString& V) {
             if (V.isEmpty())
                 throw EUsageError(QCoreApplication::translate(
                     "CommandLine", "--cover needs a time or a picture file"));
             P.Options.Cover = V;
         }},
        {{"--no-replaygain"},
         nullptr,
         QT_TRANSLATE_NOOP("CommandLine", "leave out the ReplayGain values (the loudness measured\n"
                                          "while ripping: track gain, and album gain over the\n"
                                          "tracks of a list, to -18 LUFS, and the sample peak)"),
         [](TParsing& P, size_t, const QString&, const QString&) { P.Options.ReplayGain = false; }},
        {{"--samplerate"},
         QT_TRANSLATE_NOOP("CommandLine", "HZ"),
         QT_TRANSLATE_NOOP("CommandLine", "32000, 44100, 48000 or source (the source's own\n"
                                          "rate: a 48 kHz DVD stays 48 kHz; other rates go to\n"
                                          "the nearest of their family). FLAC keeps the\n"
                                          "source's rate unless one is given; Opus is always\n"
                                          "48000"),
         [](TParsing& P, size_t, const QString&, const QString& V) {
             if (V.compare(QStringLiteral("source"), Qt::CaseInsensitive) == 0) {
                 P.Options.SampleRate = 0;
                 return;
             }
             bool ok = false;
             const int32_t hz = V.toInt(&ok);
             if (!ok || (hz != 32000 && hz != 44100 && hz != 48000))
                 throw EUsageError(
                     QCoreApplication::translate(
                         "CommandLine", "--samplerate %1: choose 32000, 44100, 48000 or source")
                         .arg(V));
             P.Options.SampleRate = hz;
         }},
        {{"--mode"},
         QT_TRANSLATE_NOOP("CommandLine", "MODE"),
         QT_TRANSLATE_NOOP("CommandLine", "dual, stereo, joint or mono"),
         [](TParsing& P, size_t, const QString&, const QString& V) {
             static const QStringList modes{QStringLiteral("dual"), QStringLiteral("stereo"),
                                            QStringLiteral("joint"), QStringLiteral("mono")};
             const qsizetype index = modes.indexOf(V.toLower());
             if (index < 0)
                 throw EUsageError(
                     QCoreApplication::translate("CommandLine",
                                                 "--mode %1: choose dual, stereo, joint or mono")
                         .arg(V));
             P.Options.ChannelMode = int32_t(index);
         }},
        {{"--downmix"},
         QT_TRANSLATE_NOOP("CommandLine", "MIX"),
         QT_TRANSLATE_NOOP("CommandLine", "how 5.1 and 7.1 sound becomes stereo: standard (centre\n"
                                          "and surrounds at -3 dB against the fronts; AC-3 by the\n"
                                          "levels it carries) or dialogue (the centre lifted:\n"
                                          "+3 dB against the fronts, surrounds at -6 dB)"),
         [](TParsing& P, size_t, const QString&, const QString& V) {
             static const QStringList mixes{QStringLiteral("standard"), QStringLiteral("dialogue")};
             const qsizetype index = mixes.indexOf(V.toLower());
             if (index < 0)
                 throw EUsageError(QCoreApplication::translate(
                                       "CommandLine", "--downmix %1: choose standard or dialogue")
                                       .arg(V));
             P.Options.Downmix = int32_t(index);
         }},
        {{"--title", "--artist", "--album", "--year", "--comment", "--genre"},
         QT_TRANSLATE_NOOP("CommandLine", "TEXT"),
         QT_TRANSLATE_NOOP("CommandLine", "ID3 tag texts (255 characters at most each)"),
         [](TParsing& P, size_t Which, const QString&, const QString& V) {
             static constexpr std::optional<QString> O::*fields[] = {
                 &O::Title, &O::Artist, &O::Album, &O::Year, &O::Comment, &O::Genre};
             P.Options.*fields[Which] = LeftCodePoints(V, TagTextMax);
         }},
        {{"--audio-track"},
         QT_TRANSLATE_NOOP("CommandLine", "N"),
         QT_TRANSLATE_NOOP("CommandLine", "the N-th audio stream, as --list-tracks numbers them"),
         [](TParsing& P, size_t, const QString& N, const QString& V) {
             P.Options.AudioTrack = ParseOrdinal(N, V);
         }},
        {{"--tracks"},
         QT_TRANSLATE_NOOP("CommandLine", "LIST"),
         QT_TRANSLATE_NOOP("CommandLine",
                           "one MP3 per track of LIST: a cue sheet (TITLE, PERFORMER,\n"
                           "TRACK, INDEX 01 mm:ss:ff) or lines START [END] [TITLE];\n"
                           "the tracks play back one after the other without a gap\n"
                           "-o is then a folder (ending in /) or a name pattern:\n"
                           "%n number, %t title, %a artist, %A album\n"
                           "(default: \"%n - %t.mp3\" beside the source; for a DVD,\n"
                           "in a folder VOLUME_tNN in the output folder)"),
         [](TParsing& P, size_t, const QString&, const QString& V) {
             if (V.isEmpty())
                 throw EUsageError(
                     QCoreApplication::translate("CommandLine", "--tracks needs a file"));
             P.Options.TrackList = V;
         }},
        {{"--split-chapters"},
         nullptr,
         QT_TRANSLATE_NOOP("CommandLine",
                           "one MP3 per chapter of the DVD title or of the file's\n"
                           "container (Matroska, MP4, ...; with --chapter, of those\n"
                           "chapters), named and tagged after the chapters' titles\n"
                           "as with --tracks"),
         [](TParsing& P, size_t, const QString&, const QString&) {
             P.Options.SplitChapters = true;
         }},
        {{"--split-pauses"},
         nullptr,
         QT_TRANSLATE_NOOP("CommandLine",
                           "one MP3 per song: the sound is cut in its pauses (at the\n"
                           "quietest point of each), named and tagged as with --tracks"),
         [](TParsing& P, size_t, const QString&, const QString&) { P.Options.SplitPauses = true; }},
        {{"--min-pause"},
         QT_TRANSLATE_NOOP("CommandLine", "S"),
         QT_TRANSLATE_NOOP("CommandLine", "a pause lasts S seconds at least (default 1)"),
         [](TParsing& P, size_t, const QString& N, const QString& V) {
             P.Options.Pauses.MinPauseSeconds = ParseSeconds(N, V, 0.1, 600);
             P.PauseOption = N;
         }},
        {{"--pause-db"},
         QT_TRANSLATE_NOOP("CommandLine", "DB"),
         QT_TRANSLATE_NOOP("CommandLine", "and lies DB decibels below the median loudness of the\n"
                                          "sound (default 30): hiss and hum are a pause, applause\n"
                                          "is not"),
         [](TParsing& P, size_t, const QString& N, const QString& V) {
             P.Options.Pauses.PauseDb = ParseSeconds(N, V, 1, 100);
             P.PauseOption = N;
         }},
        {{"--min-track"},
         QT_TRANSLATE_NOOP("CommandLine", "S"),
         QT_TRANSLATE_NOOP("CommandLine", "a track shorter than S seconds joins its neighbour\n"
                                          "(default 20)"),
         [](TParsing& P, size_t, const QString& N, const QString& V) {
             P.Options.Pauses.MinTrackSeconds = ParseSeconds(N, V, 0, 36000);
             P.PauseOption = N;
         }},
        {{"--list-pauses"},
         QT_TRANSLATE_NOOP("CommandLine", "SOURCE"),
         QT_TRANSLATE_NOOP("CommandLine", "print the songs --split-pauses would rip, as a list\n"
                                          "--tracks reads (edit it, then rip with --tracks)"),
         [](TParsing& P, size_t, const QString&, const QString& V) {
             Source(P, TCommandMode::cmListPauses, V);
         }},
        {{"--one-file"},
         nullptr,
         QT_TRANSLATE_NOOP("CommandLine", "the tracks or chapters as one MP3 (-o names it) whose\n"
                                          "chapter marks let players jump between them"),
         [](TParsing& P, size_t, const QString&, const QString&) { P.Options.OneFile = true; }},
        {{"-j", "--jobs"},
         QT_TRANSLATE_NOOP("CommandLine", "N"),
         QT_TRANSLATE_NOOP("CommandLine", "encode on N threads (default: one per core; 1: one\n"
                                          "encoder, as fast as one core allows)"),
         [](TParsing& P, size_t, const QString& N, const QString& V) {
             P.Options.Jobs = ParseCount(N, V);
             if (P.Options.Jobs < 1 || P.Options.Jobs > 256)
                 throw EUsageError(
                     QCoreApplication::translate("CommandLine", "%1 %2: give 1 to 256 threads")
                         .arg(N, V));
         }},
        {{"--force"},
         nullptr,
         QT_TRANSLATE_NOOP("CommandLine", "replace an existing OUTPUT"),
         [](TParsing& P, size_t, const QString&, const QString&) { P.Options.Force = true; }},
        {{"-q", "--quiet"},
         nullptr,
         QT_TRANSLATE_NOOP("CommandLine", "print nothing but errors"),
         [](TParsing& P, size_t, const QString&, const QString&) { P.Options.Quiet = true; }},
        {{"--list-tracks"},
         QT_TRANSLATE_NOOP("CommandLine", "SOURCE"),
         QT_TRANSLATE_NOOP("CommandLine", "list SOURCE's audio streams with their languages and\n"
                                          "titles (a DVD title's as the disc numbers them)"),
         [](TParsing& P, size_t, const QString&, const QString& V) {
             Source(P, TCommandMode::cmListTracks, V);
         }},
        {{"--list-titles"},
         QT_TRANSLATE_NOOP("CommandLine", "DVD"),
         QT_TRANSLATE_NOOP("CommandLine", "list the DVD's titles: length, chapters, audio streams"),
         [](TParsing& P, size_t, const QString&, const QString& V) {
             Source(P, TCommandMode::cmListTitles, V);
         }},
        {{"--list-chapters"},
         QT_TRANSLATE_NOOP("CommandLine", "SOURCE"),
         QT_TRANSLATE_NOOP("CommandLine",
                           "print SOURCE's chapters (a DVD title's, or those its\n"
                           "container marks: Matroska, MP4, ...) as a list --tracks\n"
                           "reads"),
         [](TParsing& P, size_t, const QString&, const QString& V) {
             Source(P, TCommandMode::cmListChapters, V);
         }},
        {{"-h", "--help"},
         nullptr,
         QT_TRANSLATE_NOOP("CommandLine", "show this text"),
         [](TParsing& P, size_t, const QString&, const QString&) {
             P.Options.Mode = TCommandMode::cmHelp;
             P.Done = true;
         }},
        {{"--version"},
         nullptr,
         QT_TRANSLATE_NOOP("CommandLine", "show the version"),
         [](TParsing& P, size_t, const QString&, const QString&) {
             P.Options.Mode = TCommandMode::cmVersion;
             P.Done = true;
         }},
    };
    return options;
}

const TOption* FindOption(const QString& Name, size_t& Which) {
    for (const TOption& option : OptionTable())
        for (size_t i = 0; i < option.Names.size(); ++i)
            if (Name == QLatin1String(option.Names[i])) {
                Which = i;
                return &option;
            }
    return nullptr;
}
