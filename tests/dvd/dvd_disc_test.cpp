// Reading a DVD's structure with libdvdread, from every kind of path a person may give,
// against what lsdvd (an independent reader) says of the same disc; and the faults of
// damaged discs, each with its own message, nothing read out of bounds.

#include "media/dvd/dvd_disc.h"
#include "media/dvd/dvd_path.h"
#include "support/dvd_authoring.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QtEndian>

#include <gtest/gtest.h>

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
            EXPECT_NEAR(title.Duration() / 90000.0, listed.seconds, 0.001);
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

    EXPECT_EQ(faultOf(TestDvdRoot(), 4), TDvdFault::dfNoTitle);

    // An image of a folder that holds no DVD.
    const QString plain = FreshDir(QStringLiteral("notdvd"));
    ASSERT_TRUE(QFile::copy(FixturePath("short.mpg"), plain + QStringLiteral("/clip.mpg")));
    const QString image = MakeDvdImage(plain, QStringLiteral("DATA"));
    ASSERT_FALSE(image.isEmpty());
    EXPECT_EQ(faultOf(image, 1), TDvdFault::dfNotDvd);
}
