// Track lists as people write them, and the file names they turn into: what a hostile or
// careless title can do to a name, and what a cue sheet from another tool holds.

#include "app/track_list.h"
#include "app/track_names.h"
#include "base/media_time.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

constexpr TMediaTime kSecond = TMediaTime::FromSeconds(1);

TTrackNameFields Fields(int number, const QString& title) {
    return {number, 12, title, QStringLiteral("Art"), QStringLiteral("Alb")};
}

} // namespace

TEST(TrackNames, NoTitleLeavesTheFolderOrHidesTheFile) {
    EXPECT_EQ(TrackFileName(DefaultTrackPattern, Fields(3, QStringLiteral("Song"))),
              QStringLiteral("03 - Song.mp3"));
    EXPECT_EQ(TrackFileName(QStringLiteral("%a/%A %n%%"), Fields(7, QString())),
              QStringLiteral("Art_Alb 07%.mp3"));
    const QString hostile[] = {QStringLiteral(".."),
                               QStringLiteral("../../etc/passwd"),
                               QStringLiteral("/abs"),
                               QStringLiteral("a\\b:c*d?e\"f<g>h|i"),
                               QStringLiteral("tab\there\nnewline"),
                               QStringLiteral(".hidden")};
    for (const QString& title : hostile) {
        const QString name = TrackFileName(QStringLiteral("%t"), Fields(1, title));
        SCOPED_TRACE(name.toStdString());
        EXPECT_FALSE(name.contains(u'/'));
        EXPECT_FALSE(name.startsWith(u'.'));
        EXPECT_EQ(QDir(QStringLiteral("/music")).filePath(name),
                  QDir::cleanPath(QStringLiteral("/music/") + name));
        for (QChar c : name)
            EXPECT_GE(c.unicode(), 0x20);
    }
    // A very long title is cut at a whole character, the extension kept.
    const QString longTitle =
        QString(150, u'x') + QString::fromUtf8("\xF0\x9F\x8E\xB8") + QString(100, u'y');
    const QString name = TrackFileName(QStringLiteral("%t.mp3"), Fields(1, longTitle));
    EXPECT_LE(name.toUtf8().size(), 200);
    EXPECT_TRUE(name.endsWith(QStringLiteral(".mp3")));
    EXPECT_FALSE(name.toUtf8().contains(QByteArray("\xEF\xBF\xBD"))); // no broken character
    // Titles of a million characters, of every UTF-8 width, are cut in one pass to the
    // longest whole-character start that fits.
    const QString wide = QString::fromUtf8("a\xC3\xA9\xE6\xBC\xA2\xF0\x9F\x8E\xB8");
    for (int shift = 0; shift < 4; ++shift) {
        QString huge;
        for (int i = 0; huge.size() < 1000000; ++i)
            huge +=
                wide.mid((i + shift) % 4 == 3 ? 3 : (i + shift) % 4, (i + shift) % 4 == 3 ? 2 : 1);
        const QString cut = TrackFileName(QStringLiteral("%t.mp3"), Fields(1, huge));
        const QString stem = cut.chopped(4);
        EXPECT_TRUE(huge.startsWith(stem));
        EXPECT_LE(cut.toUtf8().size(), 200);
        EXPECT_GT(huge.left(stem.size() + 2).toUtf8().size() + 4, 200); // nothing more fits
        EXPECT_FALSE(cut.toUtf8().contains(QByteArray("\xEF\xBF\xBD")));
    }
    // ".mp3" is added unless the pattern ends in it: a title's dot is no extension.
    EXPECT_EQ(TrackFileName(QStringLiteral("%n %t"), Fields(1, QStringLiteral("Vol. 2"))),
              QStringLiteral("01 Vol. 2.mp3"));
    EXPECT_EQ(TrackFileName(QStringLiteral("%t.MP3"), Fields(1, QStringLiteral("a.b"))),
              QStringLiteral("a.b.MP3"));
    // Fields in folders are filled in as names are, and lead nowhere else.
    EXPECT_EQ(
        TrackFilePaths(QStringLiteral("/music/%a"), QStringLiteral("%n.mp3"),
                       {Fields(1, QStringLiteral("x")), Fields(2, QStringLiteral("y"))}),
        (QStringList{QStringLiteral("/music/Art/01.mp3"), QStringLiteral("/music/Art/02.mp3")}));
    TTrackNameFields hostileArtist = Fields(3, QStringLiteral("t"));
    hostileArtist.Artist = QStringLiteral("../..");
    EXPECT_EQ(TrackFilePaths(QStringLiteral("/music/100%"), QStringLiteral("%a/%A/%n %t"),
                             {hostileArtist}),
              QStringList{QStringLiteral("/music/100%/_._../Alb/03 t.mp3")});
    // An empty name falls back to the number.
    EXPECT_EQ(TrackFileName(QStringLiteral("%A.mp3"), {2, 3, {}, {}, {}}),
              QStringLiteral("02.mp3"));
}

TEST(TrackLists, CueSheetsAndTimeListsAsToolsWriteThem) {
    // Latin-1 from an old tool, CR LF, an INDEX 00 pregap, quoted and bare values.
    const TTrackList cue =
        ParseTrackList(QByteArray("REM GENRE Jazz\r\nREM DATE 1999\r\n"
                                  "PERFORMER \"Trio\"\r\nTITLE Caf\xE9 Live\r\n"
                                  "FILE \"x.flac\" WAVE\r\n"
                                  "  TRACK 01 AUDIO\r\n    TITLE \"One\"\r\n"
                                  "    INDEX 01 00:00:00\r\n"
                                  "  TRACK 02 AUDIO\r\n    PERFORMER \"Guest\"\r\n"
                                  "    INDEX 00 01:58:70\r\n"
                                  "    INDEX 01 02:01:37\r\n"));
    EXPECT_EQ(cue.Album, QStringLiteral("Caf\u00E9 Live"));
    EXPECT_EQ(cue.Performer, QStringLiteral("Trio"));
    EXPECT_EQ(cue.Year, QStringLiteral("1999"));
    EXPECT_EQ(cue.Genre, QStringLiteral("Jazz"));
    ASSERT_EQ(cue.Tracks.size(), 2u);
    const TMediaTime second = (2 * 60 + 1) * kSecond + 37 * kSecond / 75;
    EXPECT_EQ(cue.Tracks[0].End, second); // the pregap plays as the end of track 1
    EXPECT_EQ(cue.Tracks[1].Start, second);
    EXPECT_EQ(cue.Tracks[1].End, TMediaTime()); // to the end of the source
    EXPECT_EQ(cue.Tracks[1].Performer, QStringLiteral("Guest"));

    // UTF-8 with a byte order mark; a title may be quoted to start with a number.
    TTrackList times = ParseTrackList(QByteArray("\xEF\xBB\xBF# set list\n"
                                                 "0:00 Opening\n"
                                                 "1:30.5 3:00 \"1999\"\n"
                                                 "  3:00  \n"
                                                 "4:10 Fin \xE2\x80\x93 encore\n"));
    ASSERT_EQ(times.Tracks.size(), 4u);
    EXPECT_EQ(times.Tracks[0].End, TMediaTime::FromMs(90500));
    EXPECT_EQ(times.Tracks[1].Title, QStringLiteral("1999"));
    EXPECT_EQ(times.Tracks[2].Title, QString());
    EXPECT_EQ(times.Tracks[2].End, 250 * kSecond);
    EXPECT_EQ(times.Tracks[3].Title, QStringLiteral("Fin \u2013 encore"));
    ResolveTrackEnds(times, 300 * kSecond);
    EXPECT_EQ(times.Tracks[3].End, 300 * kSecond);

    // What cannot be ripped is said with its line.
    auto error = [](const QByteArray& text) {
        try {
            TTrackList list = ParseTrackList(text);
            ResolveTrackEnds(list, 60 * kSecond);
        } catch (const ETrackListError& e) {
            return e.Message();
        }
        return QString();
    };
    EXPECT_EQ(error("TRACK 01 AUDIO\nINDEX 01 00:10:00\nTRACK 02 AUDIO\nINDEX 01 00:05:00\n"),
              QStringLiteral("line 4: the track starts at 0:00:05.0, not after the track "
                             "before it (0:00:10.0): list the tracks in the order they play"));
    EXPECT_EQ(error("FILE a WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nFILE b WAVE\n"),
              QStringLiteral("line 4: a cue sheet of more than one FILE cannot be split from "
                             "one source"));
    EXPECT_EQ(error("TRACK 01 AUDIO\nINDEX 01 00:61:00\n"),
              QStringLiteral("line 2: '00:61:00' is not a time of the form mm:ss:ff"));
    EXPECT_EQ(error("5 3 Backwards\n"), QStringLiteral("line 1: the end is not after the start"));
    EXPECT_EQ(error("10 Ten\n5 Five\n"),
              QStringLiteral("line 2: the track starts at 0:00:05.0, not after the track "
                             "before it (0:00:10.0): list the tracks in the order they play"));
    EXPECT_EQ(error("10 70 Long\n"),
              QStringLiteral("track 1: it ends at 0:01:10.0, after the end of the source "
                             "(0:01:00.0)"));
}

// Lists as editors save them: UTF-16 with its byte order mark, either way round, reads as
// the same list; UTF-8 with a stray byte of another code page is refused at that line,
// never read wholly as Latin-1; bytes that are no text at all are named by their line.
TEST(TrackLists, TextEncodingsAreReadOrRefusedLineByLine) {
    const QString text = QStringLiteral("0 1:00 \u00DCber\n1:00 Zw\u00F6lf\n");
    QByteArray le("\xFF\xFE"), be("\xFE\xFF");
    for (const QChar c : text) {
        le += char(c.unicode() & 0xFF), le += char(c.unicode() >> 8);
        be += char(c.unicode() >> 8), be += char(c.unicode() & 0xFF);
    }
    for (const QByteArray& bytes : {le, be}) {
        const TTrackList list = ParseTrackList(bytes);
        ASSERT_EQ(list.Tracks.size(), 2u);
        EXPECT_EQ(list.Tracks[0].Title, QStringLiteral("\u00DCber"));
        EXPECT_EQ(list.Tracks[1].Title, QStringLiteral("Zw\u00F6lf"));
        EXPECT_EQ(list.Tracks[1].Start, 60 * kSecond);
    }
    auto error = [](const QByteArray& bytes) {
        try {
            ParseTrackList(bytes);
        } catch (const ETrackListError& e) {
            return e.Message();
        }
        return QString();
    };
    EXPECT_EQ(error("0 \xC3\x9C"
                    "ber\n1:00 Caf\xE9\n"),
              QStringLiteral("line 2: the text is not UTF-8, as other lines are (byte 0xE9); "
                             "save the list as UTF-8"));
    EXPECT_EQ(error(QByteArray("0 One\n1:00 T\0wo\n", 16)),
              QStringLiteral("line 2: it holds a NUL byte, which no text does"));
    EXPECT_EQ(error(QByteArray(4096, '\0')),
              QStringLiteral("line 1: it holds a NUL byte, which no text does"));
    EXPECT_EQ(error(QByteArray("\xFF\xFE"
                               "0\0 \0A\0\n\0"
                               "1\0\xD8",
                               13)),
              QStringLiteral("line 2: the text is not UTF-16 (a character is cut off)"));
}
