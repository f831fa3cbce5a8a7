// Reading a DVD's structure with libdvdread, from every kind of path a person may give,
// against what lsdvd (an independent reader) says of the same disc; and the faults of
// damaged discs, each with its own message, nothing read out of bounds.

#include "media/dvd/dvd_cell_sectors.h"
#include "media/dvd/dvd_disc.h"
#include "media/dvd/dvd_path.h"
#include "media/dvd/dvd_sector.h"
#include "media/media_input.h"
#include "support/dvd_angles.h"
#include "support/dvd_authoring.h"
#include "support/fixture_signal.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QtEndian>

#include <gtest/gtest.h>

namespace fs = fixture_signal;

namespace {

struct TListedTitle {
    int number = 0;
    double seconds = 0;
    int chapters = 0;
    QStringList audio; // "en 0x80"
};

// What lsdvd -x says of each title.
std::vector<TListedTitle> ListWithLsdvd(const QString& root) {
    QString output;
    RunTool(QStringLiteral("lsdvd"), {QStringLiteral("-x"), root}, &output);
    std::vector<TListedTitle> titles;
    const QRegularExpression title(
        QStringLiteral(R"(^Title: (\d+), Length: (\d+):(\d+):([\d.]+) Chapters: (\d+))"));
    const QRegularExpression audio(
        QStringLiteral(R"(^\s+Audio: \d+, Language: (\S+).*Stream id: (0x[0-9a-f]+))"));
    for (const QString& line : output.split(u'\n')) {
        if (const auto m = title.match(line); m.hasMatch()) {
            titles.push_back({m.captured(1).toInt(),
                              m.captured(2).toInt() * 3600 + m.captured(3).toInt() * 60 +
                                  m.captured(4).toDouble(),
                              m.captured(5).toInt(),
                              {}});
        } else if (const auto a = audio.match(line); a.hasMatch() && !titles.empty()) {
            titles.back().audio << a.captured(1) + u' ' + a.captured(2);
        }
    }
    return titles;
}

QString Hex(int id) {
    return QStringLiteral("0x%1").arg(id, 0, 16);
}

} // namespace

TEST(DvdDisc, TitlesChaptersAndLanguagesAsAnotherReaderSeesThem) {
    QString error;
    const QString root = TestDvdRoot(&error);
    ASSERT_FALSE(root.isEmpty()) << error.toStdString();
    const QString image = MakeDvdImage(root, QStringLiteral("SONAVEL_TEST"), &error);
    ASSERT_FALSE(image.isEmpty()) << error.toStdString();
    const std::vector<TListedTitle> expected = ListWithLsdvd(root);
    ASSERT_EQ(expected.size(), 3u);

    // The same disc from the folder, the folder above it, a file in it, and its image.
    const QString videoTs = root + QStringLiteral("/VIDEO_TS");
    for (const QString& given : {root, videoTs, videoTs + QStringLiteral("/VIDEO_TS.IFO"),
                                 videoTs + QStringLiteral("/VTS_01_1.VOB"), image}) {
        SCOPED_TRACE(given.toStdString());
        const QString found = dvd::DvdRootFor(given);
        ASSERT_FALSE(found.isEmpty());
        const std::unique_ptr<TDvdDisc> disc = TDvdDisc::Open(found);
        EXPECT_EQ(disc->VolumeName(),
                  given == image ? QStringLiteral("SONAVEL_TEST") : QStringLiteral("TEST_DISC"));
        ASSERT_EQ(disc->Titles().size(), expected.size());
        EXPECT_EQ(disc->LongestTitle(), 1);
        for (const TListedTitle& listed : expected) {
            const TDvdTitle& title = disc->Title(listed.number);
            EXPECT_NEAR(title.Duration() / double(dvd::kClockRate), listed.seconds, 0.001);
            EXPECT_EQ(title.Chapters(), listed.chapters);
            QStringList audio;
            for (const TDvdAudioStream& a : title.audio)
                audio << a.language.left(2) + u' ' + Hex(a.streamId);
            // lsdvd says "xx" where the disc records no language.
            audio.replaceInStrings(QRegularExpression(QStringLiteral("^ ")), QStringLiteral("xx "));
            EXPECT_EQ(audio, listed.audio);
        }
    }

    const std::unique_ptr<TDvdDisc> disc = TDvdDisc::Open(root);
    const TDvdTitle& concert = disc->Title(1);
    ASSERT_EQ(concert.audio.size(), 2u);
    EXPECT_EQ(concert.audio[0].language, QStringLiteral("eng"));
    EXPECT_EQ(concert.audio[1].language, QStringLiteral("fra"));
    EXPECT_EQ(concert.audio[1].codec, QStringLiteral("ac3"));
    // The second source's cells start a clock of their own, and only they do.
    int restarts = 0;
    for (size_t c = 1; c < concert.cells.size(); ++c)
        restarts += concert.cells[c].restart ? 1 : 0;
    EXPECT_EQ(restarts, 1);
    EXPECT_EQ(disc->Title(3).audio.front().codec, QStringLiteral("pcm_dvd"));
    EXPECT_EQ(disc->Title(3).audio.front().streamId, 0xA0);
}

TEST(DvdDisc, ChaptersRunThroughCellsThatAreProgramsButNotChapters) {
    // Title 1: a program inside the first chapter and one at the title's end; title 2 is
    // the first source alone, shorter than title 1 but longer than title 1's chapter cells.
    const QString a = FixturePath("dvd_title_a.mpg"), b = FixturePath("dvd_title_b.mpg");
    QString error;
    const QString root = AuthorDvd(QStringLiteral("programs"),
                                   QStringLiteral(R"(
      <pgc>
        <vob file="%1">
          <cell start="0" end="2.4" chapter="1"/>
          <cell start="2.4" end="4.8" program="1"/>
          <cell start="4.8" chapter="1"/>
        </vob>
        <vob file="%2">
          <cell start="0" end="2.0" chapter="1"/>
          <cell start="2.0" program="1"/>
        </vob>
      </pgc>
      <pgc><vob file="%1"/></pgc>
)")
                                       .arg(a, b),
                                   &error);
    ASSERT_FALSE(root.isEmpty()) << error.toStdString();
    const std::vector<TListedTitle> expected = ListWithLsdvd(root);
    ASSERT_EQ(expected.size(), 2u);
    const std::unique_ptr<TDvdDisc> disc = TDvdDisc::Open(root);
    for (const TListedTitle& listed : expected) {
        SCOPED_TRACE(listed.number);
        // lsdvd counts programs as chapters; the lengths must agree.
        EXPECT_NEAR(disc->Title(listed.number).Duration() / double(dvd::kClockRate), listed.seconds,
                    0.001);
    }
    EXPECT_EQ(disc->LongestTitle(), 1);
    const TDvdTitle& title = disc->Title(1);
    ASSERT_EQ(title.cells.size(), 5u);
    EXPECT_EQ(title.chapterCells, (std::vector<int>{0, 2, 3}));
    EXPECT_NEAR(title.Duration() / double(dvd::kClockRate), fs::kTitleASeconds + fs::kTitleBSeconds,
                0.05);
}

TEST(DvdDisc, NtscChaptersStartWhereTheirPicturesDo) {
    // At 29.97 pictures a second the IFO's times count 30 frames to a second; read as clock
    // seconds they drift 1 ms a second from the pictures.
    QString error;
    const QString root = AuthorDvd(QStringLiteral("ntsc"),
                                   QStringLiteral(R"(
      <video format="ntsc"/>
      <pgc><vob file="%1" chapters="0,3.0,6.0,9.0"/></pgc>
)")
                                       .arg(FixturePath("dvd_title_ntsc.mpg")),
                                   &error);
    ASSERT_FALSE(root.isEmpty()) << error.toStdString();
    const TDvdTitle title = TDvdDisc::Open(root)->Title(1);
    ASSERT_EQ(title.Chapters(), 4);
    QFile file(root + QStringLiteral("/VIDEO_TS/VTS_01_1.VOB"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray vob = file.readAll();
    // When a cell's first picture plays, by the navigation pack that opens it.
    const auto shown = [&](const TDvdCell& cell) {
        const qsizetype at = qsizetype(cell.firstSector) * 2048;
        const auto nav =
            at + 2048 <= vob.size()
                ? dvd::ReadNavTimes(reinterpret_cast<const uint8_t*>(vob.constData() + at))
                : std::nullopt;
        return nav ? nav->start : int64_t(-1);
    };
    const int64_t zero = shown(title.cells[0]);
    ASSERT_GE(zero, 0);
    for (int c = 1; c < title.Chapters(); ++c) {
        SCOPED_TRACE(c);
        const int first = title.chapterCells[size_t(c)];
        int64_t start = 0;
        for (int k = 0; k < first; ++k)
            start += title.cells[size_t(k)].duration;
        EXPECT_GT(start, int64_t(c) * 3 * dvd::kClockRate - dvd::kClockRate / 2);
        EXPECT_NEAR(double(start), double(shown(title.cells[size_t(first)]) - zero), 90.0);
    }
    EXPECT_NEAR(title.Duration() / double(dvd::kClockRate), fs::kTitleNtscSeconds, 1001.0 / 30000);
}

TEST(DvdDisc, PathsThatAreNoDvdOpenAsPlainFiles) {
    const QString dir = FreshDir(QStringLiteral("plain"));
    const QString vob = dir + QStringLiteral("/VTS_01_1.VOB");
    ASSERT_TRUE(QFile::copy(FixturePath("dvd_ac3_stereo.vob"), vob));
    EXPECT_TRUE(dvd::DvdRootFor(vob).isEmpty()); // no IFO beside it
    EXPECT_TRUE(dvd::DvdRootFor(dir).isEmpty());
    EXPECT_TRUE(dvd::DvdRootFor(FixturePath("demo.mpg")).isEmpty());
    EXPECT_TRUE(dvd::DvdRootFor(dir + QStringLiteral("/missing.iso")).isEmpty());

    QString root;
    int title = 0;
    EXPECT_TRUE(dvd::ParseTitleLocator(dvd::TitleLocator(dir, 12), root, title));
    EXPECT_EQ(root, dir);
    EXPECT_EQ(title, 12);
    EXPECT_FALSE(dvd::ParseTitleLocator(vob, root, title));
    EXPECT_FALSE(dvd::ParseTitleLocator(QStringLiteral("dvd:0:/x"), root, title));
    EXPECT_FALSE(dvd::ParseTitleLocator(QStringLiteral("dvd:1:relative"), root, title));
    // A camera angle rides along: named only when it is not the first.
    int angle = 0;
    EXPECT_TRUE(dvd::ParseTitleLocator(dvd::TitleLocator(dir, 3, 2), root, title, &angle));
    EXPECT_EQ(title, 3);
    EXPECT_EQ(angle, 2);
    EXPECT_TRUE(dvd::ParseTitleLocator(dvd::TitleLocator(dir, 3), root, title, &angle));
    EXPECT_EQ(angle, 1);
    EXPECT_EQ(dvd::TitleLocator(dir, 3, 1), dvd::TitleLocator(dir, 3));
    EXPECT_FALSE(dvd::ParseTitleLocator(QStringLiteral("dvd:1.0:/x"), root, title, &angle));
    EXPECT_FALSE(dvd::ParseTitleLocator(QStringLiteral("dvd:1.2.3:/x"), root, title, &angle));
}

TEST(DvdDisc, EachAngleOfAnInterleavedBlockIsARunOfItsOwn) {
    QString error;
    const QString root =
        MakeAngleDvd(QStringLiteral("angledisc"), TAngleLayout::alInterleaved, &error);
    ASSERT_FALSE(root.isEmpty()) << error.toStdString();
    QString listed;
    RunTool(QStringLiteral("lsdvd"), {QStringLiteral("-x"), root}, &listed);
    EXPECT_TRUE(listed.contains(QStringLiteral("Number of Angles: 2"))) << listed.toStdString();

    // Angle 1's units, then angle 2's, alternate through the block, which they fill.
    std::vector<TSectorSpan> units[2];
    for (const int angle : {1, 2}) {
        SCOPED_TRACE(angle);
        const std::unique_ptr<TDvdDisc> disc = TDvdDisc::Open(root, 1, angle);
        const TDvdTitle& title = disc->Title(1);
        EXPECT_EQ(title.angles, 2);
        EXPECT_EQ(title.angle, angle);
        ASSERT_EQ(title.cells.size(), 3u);
        EXPECT_EQ(title.Chapters(), 3);
        EXPECT_FALSE(title.cells[0].interleaved || title.cells[2].interleaved);
        ASSERT_TRUE(title.cells[1].interleaved);
        EXPECT_TRUE(title.cells[1].restart && title.cells[2].restart);
        units[angle - 1] = CellSectorSpans(*disc, title.titleSet, title.cells[1]);
        EXPECT_EQ(units[angle - 1].front().first, title.cells[1].firstSector);
        EXPECT_EQ(units[angle - 1].back().last, title.cells[1].lastSector);
        // The cells around the block are one run each.
        EXPECT_EQ(CellSectorSpans(*disc, title.titleSet, title.cells[0]).size(), 1u);
    }
    ASSERT_GT(units[0].size(), 2u);
    ASSERT_EQ(units[0].size(), units[1].size());
    for (size_t u = 0; u < units[0].size(); ++u) {
        EXPECT_EQ(units[1][u].first, units[0][u].last + 1) << u;
        if (u + 1 < units[0].size()) {
            EXPECT_EQ(units[0][u + 1].first, units[1][u].last + 1) << u;
        }
    }
    EXPECT_EQ(TDvdDisc::Open(root)->Title(1).angle, 1);
    try {
        TDvdDisc::Open(root, 1, 3)->Title(1);
        ADD_FAILURE() << "angle 3 opened";
    } catch (const EDvdError& e) {
        EXPECT_EQ(e.Fault, TDvdFault::dfNoTitle);
    }

    // A navigation pack that sends the angle out of its block: a damaged disc, never a read
    // of the other angle's sectors or beyond.
    ASSERT_TRUE(BreakAngleUnit(root, 1, 1));
    const std::unique_ptr<TDvdDisc> damaged = TDvdDisc::Open(root);
    const TDvdTitle& title = damaged->Title(1);
    try {
        CellSectorSpans(*damaged, title.titleSet, title.cells[1]);
        ADD_FAILURE() << "the broken chain was followed";
    } catch (const EDvdError& e) {
        EXPECT_EQ(e.Fault, TDvdFault::dfNavigation);
        EXPECT_TRUE(e.Message().contains(QStringLiteral("cannot be followed")))
            << e.Message().toStdString();
    }
    media::TDvdTitleInfo info;
    EXPECT_EQ(media::ReadDvdTitleInfo(dvd::TitleLocator(root, 1), info),
              media::MS_E_DVD_NAVIGATION);
}

TEST(DvdDisc, DamagedDiscsFailWithTheirOwnFault) {
    auto faultOf = [](const QString& root, int title) {
        try {
            TDvdDisc::Open(root)->Title(title);
        } catch (const EDvdError& e) {
            return e.Fault;
        }
        return TDvdFault::dfRead; // "no fault" stands out in the failures below
    };
    // Both copies of a title set's IFO destroyed: its titles fail, the other set plays.
    const QString noIfo = CopyOfTestDvd(QStringLiteral("noifo"));
    for (const char* name : {"/VIDEO_TS/VTS_01_0.IFO", "/VIDEO_TS/VTS_01_0.BUP"})
        ASSERT_TRUE(WriteFile(noIfo + QString::fromLatin1(name), QByteArray(12288, 'x')));
    EXPECT_EQ(faultOf(noIfo, 1), TDvdFault::dfDamaged);
    EXPECT_NO_THROW(TDvdDisc::Open(noIfo)->Title(3));
    EXPECT_EQ(TDvdDisc::Open(noIfo)->LongestTitle(), 3);

    // A chapter table whose size field makes libdvdread ask for an impossible allocation
    // (found by fuzz_dvd_title): that title set is damaged, nothing more.
    const QString badPtt = CopyOfTestDvd(QStringLiteral("ptt"));
    for (const char* name : {"/VIDEO_TS/VTS_01_0.IFO", "/VIDEO_TS/VTS_01_0.BUP"}) {
        const QString file = badPtt + QString::fromLatin1(name);
        QByteArray ifo = ReadFile(file);
        ASSERT_GE(ifo.size(), 0xD0);
        const qsizetype table = qFromBigEndian<quint32>(ifo.constData() + 0xC8) * 2048;
        ASSERT_LT(table + 8, ifo.size());
        qToBigEndian<quint32>(0, ifo.data() + table + 4); // last byte of the table
        ASSERT_TRUE(WriteFile(file, ifo));
    }
    EXPECT_EQ(faultOf(badPtt, 1), TDvdFault::dfDamaged);
    EXPECT_NO_THROW(TDvdDisc::Open(badPtt)->Title(3));

    // A program-chain count changed from 1 (libdvdread would read chains that are not there
    // and crash): with the backup whole the title set is read from it, chapters and all;
    // with the backup damaged too, the message names the file.
    for (const int count : {64, 100, 127, 255}) {
        SCOPED_TRACE(count);
        const QString chains = CopyOfTestDvd(QStringLiteral("pgcit"));
        const auto damage = [&](const char* name) {
            const QString file = chains + QString::fromLatin1(name);
            QByteArray ifo = ReadFile(file);
            const qsizetype table = qFromBigEndian<quint32>(ifo.constData() + 0xCC) * 2048;
            ASSERT_LT(table + 8, ifo.size());
            ASSERT_EQ(ifo[table + 1], 2); // the set's two titles' chains
            ifo[table + 1] = char(count);
            ASSERT_TRUE(WriteFile(file, ifo));
        };
        damage("/VIDEO_TS/VTS_01_0.IFO");
        const std::unique_ptr<TDvdDisc> fromBackup = TDvdDisc::Open(chains);
        EXPECT_EQ(fromBackup->Title(1).Chapters(), 5);
        EXPECT_EQ(fromBackup->Title(1).Duration(),
                  TDvdDisc::Open(TestDvdRoot())->Title(1).Duration());
        damage("/VIDEO_TS/VTS_01_0.BUP");
        EXPECT_EQ(faultOf(chains, 1), TDvdFault::dfDamaged);
        EXPECT_EQ(faultOf(chains, 2), TDvdFault::dfDamaged);
        EXPECT_NO_THROW(TDvdDisc::Open(chains)->Title(3));
        try {
            TDvdDisc::Open(chains)->Title(1);
        } catch (const EDvdError& e) {
            EXPECT_TRUE(e.Message().contains(QStringLiteral("VTS_01_0.IFO is damaged")) &&
                        e.Message().contains(QStringLiteral("program-chain table")))
                << e.what();
        }
    }

    // A first-play program chain that makes libdvdread free a block twice (found by
    // fuzz_dvd_title; lsdvd dies on it): that chain is never read, the titles play.
    const QString firstPlay = CopyOfTestDvd(QStringLiteral("fpgc"));
    const QByteArray chain =
        QByteArray::fromHex("fdffffffffffff01000000000000000100000000000f300200000001");
    for (const char* name : {"/VIDEO_TS/VIDEO_TS.IFO", "/VIDEO_TS/VIDEO_TS.BUP"}) {
        const QString file = firstPlay + QString::fromLatin1(name);
        QByteArray ifo = ReadFile(file);
        ASSERT_GE(ifo.size(), 0x502);
        ifo.replace(0x4E6, chain.size(), chain); // program map onwards of the chain at 0x400
        ASSERT_TRUE(WriteFile(file, ifo));
    }
    EXPECT_NO_THROW(TDvdDisc::Open(firstPlay)->Title(1));

    // An empty title table in a cut file: libdvdread frees the table it failed to read
    // and would free it again on closing (found by fuzz_dvd_title).
    const QString noTitles = CopyOfTestDvd(QStringLiteral("tt"));
    for (const char* name : {"/VIDEO_TS/VIDEO_TS.IFO", "/VIDEO_TS/VIDEO_TS.BUP"}) {
        const QString file = noTitles + QString::fromLatin1(name);
        QByteArray ifo = ReadFile(file).left(3000);
        ASSERT_GT(ifo.size(), 0x802);
        ifo[0x800] = ifo[0x801] = 0; // no titles
        ASSERT_TRUE(WriteFile(file, ifo));
    }
    EXPECT_EQ(faultOf(noTitles, 1), TDvdFault::dfDamaged);
    // A title table claiming nearly 4 GB: libdvdread would read it past its own buffer
    // (found by fuzz_dvd_title). Such a table is refused before it is read.
    const QString huge = CopyOfTestDvd(QStringLiteral("huge"));
    for (const char* name : {"/VIDEO_TS/VIDEO_TS.IFO", "/VIDEO_TS/VIDEO_TS.BUP"}) {
        const QString file = huge + QString::fromLatin1(name);
        QByteArray ifo = ReadFile(file);
        qToBigEndian<quint32>(0xFFFFFFF0u, ifo.data() + 0x804); // the table's last byte
        ASSERT_TRUE(WriteFile(file, ifo));
    }
    EXPECT_EQ(faultOf(huge, 1), TDvdFault::dfDamaged);

    // The table of contents destroyed: the disc cannot be read at all.
    const QString noVmg = CopyOfTestDvd(QStringLiteral("novmg"));
    for (const char* name : {"/VIDEO_TS/VIDEO_TS.IFO", "/VIDEO_TS/VIDEO_TS.BUP"})
        ASSERT_TRUE(WriteFile(noVmg + QString::fromLatin1(name), QByteArray(6144, '\0')));
    EXPECT_EQ(faultOf(noVmg, 1), TDvdFault::dfDamaged);

    // A VOB file cut short, or missing: the titles that need it say so.
    const QString cut = CopyOfTestDvd(QStringLiteral("cut"));
    QFile vob(cut + QStringLiteral("/VIDEO_TS/VTS_01_1.VOB"));
    ASSERT_TRUE(vob.resize(vob.size() / 2));
    EXPECT_EQ(faultOf(cut, 1), TDvdFault::dfShort);
    EXPECT_NO_THROW(TDvdDisc::Open(cut)->Title(3));
    const QString gone = CopyOfTestDvd(QStringLiteral("gone"));
    ASSERT_TRUE(QFile::remove(gone + QStringLiteral("/VIDEO_TS/VTS_02_1.VOB")));
    EXPECT_EQ(faultOf(gone, 3), TDvdFault::dfShort);
    try {
        TDvdDisc::Open(gone)->Title(3);
    } catch (const EDvdError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("VTS_02_1.VOB"))) << e.what();
    }

    // An image cut short (an interrupted copy): its files are listed at full size, so the
    // cut is found from the image's own length, and named.
    const QString whole = MakeDvdImage(TestDvdRoot(), QStringLiteral("CUT"));
    ASSERT_FALSE(whole.isEmpty());
    QFile cutImage(whole);
    ASSERT_TRUE(cutImage.resize(cutImage.size() * 2 / 5 / 2048 * 2048));
    EXPECT_EQ(faultOf(whole, 1), TDvdFault::dfShort);
    try {
        TDvdDisc::Open(whole)->Title(1);
    } catch (const EDvdError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("image file is cut short"))) << e.what();
    }

    EXPECT_EQ(faultOf(TestDvdRoot(), 4), TDvdFault::dfNoTitle);

    // An image of a folder that holds no DVD.
    const QString plain = FreshDir(QStringLiteral("notdvd"));
    ASSERT_TRUE(QFile::copy(FixturePath("short.mpg"), plain + QStringLiteral("/clip.mpg")));
    const QString image = MakeDvdImage(plain, QStringLiteral("DATA"));
    ASSERT_FALSE(image.isEmpty());
    EXPECT_EQ(faultOf(image, 1), TDvdFault::dfNotDvd);
}
