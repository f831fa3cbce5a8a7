#include "app/track_list.h"

#include "app/common.h"
#include "base/whole_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>

namespace {

constexpr qint64 kMaxListBytes = 1 << 20; // a list of 999 tracks is far smaller

QString LineError(int Line, const QString& Why) {
    return QCoreApplication::translate("TrackList", "line %1: %2").arg(QString::number(Line), Why);
}

// The lines of a text as the list's parser splits them: at CR LF, CR or LF.
template <typename TText> std::vector<TText> SplitLines(const TText& Text) {
    std::vector<TText> lines;
    qsizetype from = 0;
    for (qsizetype i = 0; i < Text.size(); ++i) {
        if (Text[i] != '\r' && Text[i] != '\n')
            continue;
        lines.push_back(Text.mid(from, i - from));
        if (Text[i] == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n')
            ++i;
        from = i + 1;
    }
    lines.push_back(Text.mid(from));
    return lines;
}

bool IsUtf8(const QByteArray& Bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(Bytes); // the decoding happens as it is taken
    return !utf8.hasError();
}

// The first byte of a line that does not decode as UTF-8 (a byte of a Western code page in
// the middle of UTF-8 text): the first whose sequence breaks off.
uint8_t FirstStrayByte(const QByteArray& Line) {
    for (qsizetype i = 0; i < Line.size(); ++i) {
        const uint8_t lead = uint8_t(Line[i]);
        const int more = lead < 0x80    ? 0
                         : lead >= 0xF0 ? 3
                         : lead >= 0xE0 ? 2
                         : lead >= 0xC2 ? 1
                                        : -1;
        if (more < 0 || i + more >= Line.size())
            return lead;
        for (int k = 1; k <= more; ++k)
            if ((uint8_t(Line[i + k]) & 0xC0) != 0x80)
                return lead;
        i += more;
    }
    return Line.isEmpty() ? 0 : uint8_t(Line[0]);
}

// UTF-16 with its byte order mark, read unit by unit so that a broken one names its line.
QString DecodeUtf16(const QByteArray& Bytes) {
    const bool little = uint8_t(Bytes[0]) == 0xFF;
    QString text;
    text.reserve(Bytes.size() / 2);
    int line = 1;
    auto refuse = [&line] {
        return ETrackListError(
            LineError(line, QCoreApplication::translate(
                                "TrackList", "the text is not UTF-16 (a character is cut off)")));
    };
    for (qsizetype i = 2; i < Bytes.size(); i += 2) {
        if (i + 1 >= Bytes.size())
            throw refuse();
        const uint8_t a = uint8_t(Bytes[i]), b = uint8_t(Bytes[i + 1]);
        const QChar c(char16_t(little ? a | b << 8 : b | a << 8));
        const bool pairs = !text.isEmpty() && text.back().isHighSurrogate();
        if (c.isLowSurrogate() != pairs)
            throw refuse();
        if (c == u'\n' || (c == u'\r'))
            ++line;
        if (c == u'\n' && !text.isEmpty() && text.back() == u'\r')
            --line; // CR LF ends one line
        text += c;
    }
    if (!text.isEmpty() && text.back().isHighSurrogate())
        throw refuse();
    return text;
}

// A list's text: UTF-16 with its byte order mark; else UTF-8 (a byte order mark dropped);
// else, when no line of it is UTF-8 beyond ASCII, Latin-1 from an older tool. A list that
// mixes UTF-8 with another code page, or holds a NUL byte (no text does), is refused at the
// first line that shows it, rather than read wrongly.
QString DecodeText(const QByteArray& Bytes) {
    QString text;
    if (Bytes.startsWith("\xFF\xFE") || Bytes.startsWith("\xFE\xFF")) {
        text = DecodeUtf16(Bytes);
    } else if (IsUtf8(Bytes)) {
        text = QString::fromUtf8(Bytes);
    } else {
        const std::vector<QByteArray> lines = SplitLines(Bytes);
        int stray = 0;
        bool utf8 = Bytes.startsWith("\xEF\xBB\xBF");
        for (size_t k = 0; k < lines.size(); ++k) {
            const bool valid = IsUtf8(lines[k]);
            if (!valid && stray == 0)
                stray = int(k) + 1;
            utf8 = utf8 || (valid && std::any_of(lines[k].begin(), lines[k].end(),
                                                 [](char c) { return uint8_t(c) >= 0x80; }));
        }
        if (utf8)
            throw ETrackListError(LineError(
                stray,
                QCoreApplication::translate(
                    "TrackList",
                    "the text is not UTF-8, as other lines are (byte 0x%1); save the list "
                    "as UTF-8")
                    .arg(QString::number(FirstStrayByte(lines[size_t(stray - 1)]), 16).toUpper())));
        text = QString::fromLatin1(Bytes); // written by an older tool in a Western code page
    }
    if (const qsizetype nul = text.indexOf(QChar(0)); nul >= 0)
        throw ETrackListError(LineError(
            int(SplitLines(text.left(nul)).size()),
            QCoreApplication::translate("TrackList", "it holds a NUL byte, which no text does")));
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

// The first word of a line and the rest, blanks trimmed.
std::pair<QString, QString> FirstWord(const QString& Line) {
    const QString text = Line.trimmed();
    const qsizetype blank = text.indexOf(QRegularExpression(QStringLiteral("\\s")));
    if (blank < 0)
        return {text, QString()};
    return {text.left(blank), text.mid(blank).trimmed()};
}

// A cue sheet's value: a quoted text (the quotes dropped), or the rest of the line.
QString CueValue(const QString& Rest) {
    if (Rest.size() >= 2 && Rest.startsWith(u'"')) {
        const qsizetype close = Rest.indexOf(u'"', 1);
        if (close > 0)
            return Rest.mid(1, close - 1);
    }
    return Rest;
}

// mm:ss:ff, 75 frames a second (a CD's sectors); minutes may pass 99.
bool ParseCueTime(const QString& Text, TMediaTime& Time) {
    static const QRegularExpression form(QStringLiteral(R"(^(\d{1,6}):(\d{1,2}):(\d{1,2})$)"));
    const QRegularExpressionMatch m = form.match(Text);
    if (!m.hasMatch())
        return false;
    const int64_t minutes = m.captured(1).toLongLong();
    const int64_t seconds = m.captured(2).toLongLong(), frames = m.captured(3).toLongLong();
    if (seconds >= 60 || frames >= 75)
        return false;
    // A frame is a CD's sector, 75 to the second: a sample at 75 Hz, its time rounded down.
    Time = TMediaTime::FromSeconds(minutes * 60 + seconds) + TMediaTime::FromSample(frames, 75);
    return true;
}

bool IsCueSheet(const QStringList& Lines) {
    for (const QString& line : Lines) {
        const QString word = FirstWord(line).first.toUpper();
        if (word == QStringLiteral("TRACK") || word == QStringLiteral("FILE"))
            return true;
    }
    return false;
}

void AddTrack(TTrackList& List, const TTrackEntry& Track, int Line) {
    if (List.Tracks.size() >= size_t(MaxTrackCount))
        throw ETrackListError(LineError(
            Line,
            QCoreApplication::translate("TrackList", "more than %1 tracks").arg(MaxTrackCount)));
    List.Tracks.push_back(Track);
}

// One rule for every list: the tracks come in the order they play, each starting after
// the one before it starts and not before it ends (a gap between them is left out).
// `LineOf` is where each track is given.
void CheckTrackOrder(const TTrackList& List, const std::vector<int>& LineOf) {
    for (size_t k = 1; k < List.Tracks.size(); ++k) {
        const TTrackEntry &before = List.Tracks[k - 1], &track = List.Tracks[k];
        if (track.Start <= before.Start)
            throw ETrackListError(LineError(
                LineOf[k], QCoreApplication::translate(
                               "TrackList", "the track starts at %1, not after the track before "
                                            "it (%2): list the tracks in the order they play")
                               .arg(FormatTimeText(track.Start), FormatTimeText(before.Start))));
        if (before.End > track.Start)
            throw ETrackListError(LineError(
                LineOf[k], QCoreApplication::translate(
                               "TrackList", "the track starts at %1, before the track before it "
                                            "ends (%2): tracks may not overlap")
                               .arg(FormatTimeText(track.Start), FormatTimeText(before.End))));
    }
}

TTrackList ParseCueSheet(const QStringList& Lines) {
    TTrackList list;
    std::vector<int> lineOf; // each track's INDEX 01
    bool inTrack = false, haveIndex = false;
    int files = 0, trackLine = 0, indexLine = 0;
    TTrackEntry track;
    auto closeTrack = [&](int Line) {
        if (!inTrack)
            return;
        if (!haveIndex)
            throw ETrackListError(LineError(
                trackLine, QCoreApplication::translate("TrackList", "the track has no INDEX 01")));
        AddTrack(list, track, Line);
        lineOf.push_back(indexLine);
    };
    for (int i = 0; i < Lines.size(); ++i) {
        const int line = i + 1;
        const auto [word, rest] = FirstWord(Lines[i]);
        const QString keyword = word.toUpper();
        if (keyword == QStringLiteral("FILE")) {
            // Times count from the start of each FILE; one source has one time line.
            if (++files > 1)
                throw ETrackListError(LineError(
                    line, QCoreApplication::translate(
                              "TrackList", "a cue sheet of more than one FILE cannot be split "
                                           "from one source")));
        } else if (keyword == QStringLiteral("TRACK")) {
            closeTrack(line);
            inTrack = true;
            haveIndex = false;
            trackLine = line;
            track = TTrackEntry();
        } else if (keyword == QStringLiteral("TITLE")) {
            (inTrack ? track.Title : list.Album) = CueValue(rest);
        } else if (keyword == QStringLiteral("PERFORMER")) {
            (inTrack ? track.Performer : list.Performer) = CueValue(rest);
        } else if (keyword == QStringLiteral("INDEX")) {
            const auto [number, time] = FirstWord(rest);
            if (!inTrack)
                throw ETrackListError(LineError(
                    line, QCoreApplication::translate("TrackList", "INDEX before any TRACK")));
            TMediaTime at;
            if (!ParseCueTime(time, at))
                throw ETrackListError(
                    LineError(line, QCoreApplication::translate(
                                        "TrackList", "'%1' is not a time of the form mm:ss:ff")
                                        .arg(time)));
            // INDEX 00 marks a pregap, which plays as the end of the track before.
            if (number.toInt() == 1) {
                track.Start = at;
                haveIndex = true;
                indexLine = line;
            }
        } else if (keyword == QStringLiteral("REM") && !inTrack) {
            const auto [field, value] = FirstWord(rest);
            const QString name = field.toUpper();
            if (name == QStringLiteral("DATE"))
                list.Year = CueValue(value);
            else if (name == QStringLiteral("GENRE"))
                list.Genre = CueValue(value);
            else if (name == QStringLiteral("COMMENT"))
                list.Comment = CueValue(value);
        }
        // Everything else (FLAGS, ISRC, PREGAP, CATALOG, ...) says nothing about ranges.
    }
    closeTrack(int(Lines.size()));
    CheckTrackOrder(list, lineOf);
    for (size_t k = 0; k < list.Tracks.size(); ++k)
        list.Tracks[k].End = k + 1 == list.Tracks.size() ? TMediaTime() : list.Tracks[k + 1].Start;
    return list;
}

// A word a list line gives as a time when it is one: digits with ':' and '.', also as a
// program would print a number (an exponent, inf, nan), so that a mistyped end is refused
// rather than read as the start of a title.
bool LooksLikeTime(const QString& Word) {
    static const QRegularExpression form(
        QStringLiteral(R"(^[+-]?(?:[\d.:]*\d[\d.:]*(?:[eE][+-]?\d+)?|inf|infinity|nan)$)"),
        QRegularExpression::CaseInsensitiveOption);
    return form.match(Word).hasMatch();
}

// A time of a list line; ETrackListError for a word that is no time or a time past the
// end of any source.
TMediaTime ListTime(const QString& Word, int Line) {
    int64_t ms = 0;
    TMediaTime time;
    if (!ParseTimeText(Word, ms))
        throw ETrackListError(LineError(
            Line, QCoreApplication::translate(
                      "TrackList", "'%1' is not a time (seconds like 12.5, or h:mm:ss.t; a title "
                                   "that begins with a number goes in quotes)")
                      .arg(Word)));
    if (!MsToMediaTime(ms, time))
        throw ETrackListError(LineError(
            Line, QCoreApplication::translate("TrackList", "%1 lies after the end of any source")
                      .arg(FormatTimeText(ms))));
    return time;
}

TTrackList ParseTimeList(const QStringList& Lines) {
    TTrackList list;
    std::vector<bool> openEnd;
    std::vector<int> lineOf;
    for (int i = 0; i < Lines.size(); ++i) {
        const int line = i + 1;
        const QString text = Lines[i].trimmed();
        if (text.isEmpty() || text.startsWith(u'#'))
            continue;
        auto [first, rest] = FirstWord(text);
        TTrackEntry track;
        track.Start = ListTime(first, line);
        // A second time is the end; anything else begins the title.
        const auto [second, title] = FirstWord(rest);
        bool open = true;
        if (!second.isEmpty() && LooksLikeTime(second)) {
            track.End = ListTime(second, line);
            open = false;
            rest = title;
            if (track.End <= track.Start)
                throw ETrackListError(
                    LineError(line, QCoreApplication::translate("TrackList",
                                                                "the end is not after the start")));
        }
        track.Title = CueValue(rest);
        AddTrack(list, track, line);
        openEnd.push_back(open);
        lineOf.push_back(line);
    }
    CheckTrackOrder(list, lineOf);
    for (size_t k = 0; k + 1 < list.Tracks.size(); ++k)
        if (openEnd[k])
            list.Tracks[k].End = list.Tracks[k + 1].Start;
    return list;
}

} // namespace

TTrackList ParseTrackList(const QByteArray& Text) {
    const QStringList lines =
        DecodeText(Text).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    TTrackList list = IsCueSheet(lines) ? ParseCueSheet(lines) : ParseTimeList(lines);
    if (list.Tracks.empty())
        throw ETrackListError(QCoreApplication::translate("TrackList", "it lists no tracks"));
    return list;
}

TTrackList ReadTrackListFile(const QString& FileName) {
    if (FileName.isEmpty())
        throw ETrackListError(
            QCoreApplication::translate("TrackList", "no track list file is named"));
    QByteArray bytes;
    QString why;
    if (!ReadWholeFile(FileName, kMaxListBytes, bytes, why))
        throw ETrackListError(
            QCoreApplication::translate("TrackList", "cannot read the track list \"%1\": %2")
                .arg(FileName, why));
    try {
        return ParseTrackList(bytes);
    } catch (const ETrackListError& e) {
        throw ETrackListError(QCoreApplication::translate("TrackList", "the track list \"%1\": %2")
                                  .arg(FileName, e.Message()));
    }
}

void ResolveTrackEnds(TTrackList& List, TMediaTime Duration) {
    for (size_t k = 0; k < List.Tracks.size(); ++k) {
        TTrackEntry& t = List.Tracks[k];
        auto fail = [k](const QString& Why) {
            return ETrackListError(QCoreApplication::translate("TrackList", "track %1: %2")
                                       .arg(QString::number(k + 1), Why));
        };
        if (t.End == TMediaTime()) {
            if (Duration <= TMediaTime())
                throw fail(QCoreApplication::translate(
                    "TrackList", "the source's length is unknown, so the track needs "
                                 "an end"));
            t.End = Duration;
        }
        if (Duration > TMediaTime() && t.Start >= Duration)
            throw fail(QCoreApplication::translate(
                           "TrackList", "it starts at %1, after the end of the source (%2)")
                           .arg(FormatTimeText(t.Start), FormatTimeText(Duration)));
        // The end may be given as the length shown, to the millisecond.
        if (Duration > TMediaTime() && t.End >= Duration + TMediaTime::FromMs(1))
            throw fail(QCoreApplication::translate(
                           "TrackList", "it ends at %1, after the end of the source (%2)")
                           .arg(FormatTimeText(t.End), FormatTimeText(Duration)));
        if (Duration > TMediaTime())
            t.End = std::min(t.End, Duration);
        if (t.End <= t.Start)
            throw fail(QCoreApplication::translate("TrackList", "it is empty"));
    }
}

QString DefaultTrackTitle(int Number, bool Chapters) {
    // In the user's language: the titles become tags and file names.
    return (Chapters ? QCoreApplication::translate("TrackList", "Chapter %1")
                     : QCoreApplication::translate("TrackList", "Track %1"))
        .arg(Number);
}

TTrackList ChapterTrackList(const std::vector<TSourceChapter>& Chapters, int First, int Last) {
    TTrackList list;
    for (const TSourceChapter& c : Chapters)
        if (c.number >= First && c.number <= Last)
            list.Tracks.push_back({c.start,
                                   c.end,
                                   c.title.isEmpty() ? DefaultTrackTitle(c.number, true) : c.title,
                                   {}});
    return list;
}

QString ListTimeText(TMediaTime Time) {
    const int64_t ms = Time.ToMs();
    return QStringLiteral("%1:%2:%3.%4")
        .arg(ms / 3'600'000)
        .arg(ms / 60'000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

QString TrackListText(const TTrackList& List, const QString& Header) {
    QString text = Header;
    for (const TTrackEntry& track : List.Tracks) {
        text += ListTimeText(track.Start) + u' ' + ListTimeText(track.End) +
                (track.Title.isEmpty() ? QString() : u' ' + track.Title) + u'\n';
    }
    return text;
}
