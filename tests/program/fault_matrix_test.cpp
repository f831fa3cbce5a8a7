// The command line against faults around the rip itself: odd paths, a broken settings
// hive, a missing encoder library, a full disk over an existing file. Each case says what
// the user sees and checks that no file is lost.

#include "support/program_run.h"

#include "media/ffmpeg_ptr.h"
#include "support/decoded_audio.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Runs the built program with `env` added to the environment (the hive named by the
// caller), ending it after a minute.
TProgramRun RunWith(const QStringList& args, const QList<QPair<QString, QString>>& env,
                    const QStringList& prefix = {}) {
    QProcess process;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : env)
        e.insert(name, value);
    process.setProcessEnvironment(e);
    const QString program = BinDir() + QStringLiteral("/sonavel");
    if (prefix.isEmpty())
        process.start(program, args);
    else
        process.start(prefix.first(), prefix.mid(1) + QStringList{program} + args);
    TProgramRun run;
    run.finished = process.waitForFinished(60000);
    if (!run.finished)
        process.kill(), process.waitForFinished();
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

int ModeOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

QStringList RipArgs(const QString& source, const QString& output) {
    return {QStringLiteral("--rip"), source, QStringLiteral("-o"), output, QStringLiteral("--end"),
            QStringLiteral("2")};
}

// The user sees an ordinary rip: accents, symbols and spaces in the source's, the output
// folder's and the settings hive's paths change nothing; the MP3 is readable by all
// (0644) and the hive by its owner only (0600).
TEST(RipFaults, UnicodeAndSpacesInEveryPathRipNormally) {
    const QString root = FreshDir(QStringLiteral("unicode"));
    const QString source = root + QStringLiteral("/Quellen mit Ümläuten/Ça va – 映画 1.mpg");
    const QString output = root + QStringLiteral("/Ausgabe ✓ ordner/señal «1».mp3");
    const QString hive = root + QStringLiteral("/réglages ä/sonavel ☺.reg");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(source).absolutePath()));
    ASSERT_TRUE(QFile::copy(FixturePath("vcd_mp2.mpg"), source));
    const TProgramRun run =
        RunWith(RipArgs(source, output), {{QStringLiteral("SONAVEL_REGISTRY"), hive}});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const DecodedAudio mp3 = DecodeAudioFile(output);
    ASSERT_TRUE(mp3.ok) << mp3.error.toStdString();
    EXPECT_NEAR(mp3.frames() / double(mp3.sampleRate), 2.0, 0.01);
    EXPECT_EQ(FilesIn(QFileInfo(output).absolutePath()), QStringList{QFileInfo(output).fileName()});
    EXPECT_EQ(ModeOf(output), 0644);
    EXPECT_EQ(ModeOf(hive), 0600);
    EXPECT_TRUE(ReadFile(hive).startsWith("REGEDIT4"));

    // The same paths listed: the source's tracks are read.
    const TProgramRun list = RunWith({QStringLiteral("--list-tracks"), source},
                                     {{QStringLiteral("SONAVEL_REGISTRY"), hive}});
    EXPECT_EQ(list.exitCode, 0) << list.err.toStdString();
    EXPECT_TRUE(list.out.startsWith(u'1')) << list.out.toStdString();

    // A name holding "%1" and "%2" is shown as it is in a message, never filled in.
    const QString percent = QFileInfo(source).absolutePath() + QStringLiteral("/take %2 of %1.mpg");
    ASSERT_TRUE(QFile::copy(source, percent));
    const TProgramRun track =
        RunWith(RipArgs(percent, output) +
                    QStringList{QStringLiteral("--audio-track"), QStringLiteral("3")},
                {{QStringLiteral("SONAVEL_REGISTRY"), hive}});
    EXPECT_EQ(track.exitCode, 1);
    EXPECT_EQ(track.err.trimmed(),
              QStringLiteral("sonavel: \"") + percent +
                  QStringLiteral("\" has no audio track 3 (see --list-tracks)"));
}

// The user sees an ordinary rip with the default settings: a corrupt hive is kept aside
// byte for byte and a fresh one written; a hive that cannot be written (its folder is a
// regular file, so even root cannot) is left as it is.
TEST(RipFaults, CorruptOrUnwritableHiveStillRips) {
    const QString dir = FreshDir(QStringLiteral("hives"));
    const QByteArray garbage("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\n\"x\"=bogus\x01\xff\n");
    const QString corrupt = dir + QStringLiteral("/corrupt.reg");
    ASSERT_TRUE(WriteFile(corrupt, garbage));
    const TProgramRun first =
        RunWith(RipArgs(FixturePath("vcd_mp2.mpg"), dir + QStringLiteral("/a.mp3")),
                {{QStringLiteral("SONAVEL_REGISTRY"), corrupt}});
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_EQ(DecodeAudioFile(dir + QStringLiteral("/a.mp3")).sampleRate, 44100);
    EXPECT_EQ(ReadFile(corrupt + QStringLiteral(".corrupt")), garbage);
    EXPECT_TRUE(ReadFile(corrupt).startsWith("REGEDIT4\n"));

    ASSERT_TRUE(WriteFile(dir + QStringLiteral("/plain"), "keep me"));
    const TProgramRun second =
        RunWith(RipArgs(FixturePath("vcd_mp2.mpg"), dir + QStringLiteral("/b.mp3")),
                {{QStringLiteral("SONAVEL_REGISTRY"), dir + QStringLiteral("/plain/hive.reg")}});
    ASSERT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_TRUE(DecodeAudioFile(dir + QStringLiteral("/b.mp3")).ok);
    EXPECT_EQ(ReadFile(dir + QStringLiteral("/plain")), QByteArray("keep me"));
}

// The user sees one line naming the encoder library and exit status 1, not a crash; no
// file is made and an existing output (even with --force) is kept.
TEST(RipFaults, MissingOrIncompleteEncoderLibraryIsOneClearLine) {
    const QString dir = FreshDir(QStringLiteral("lame"));
    const QString existing = dir + QStringLiteral("/old.mp3");
    ASSERT_TRUE(WriteFile(existing, "earlier rip"));
    const std::pair<const char*, const char*> libraries[] = {
        {"/nonexistent/libmp3lame.so.0", "sonavel: libmp3lame.so.0 library could not be loaded."},
        {"libz.so.1", "sonavel: libmp3lame.so.0 library could not be loaded: it lacks the "
                      "function lame_init."},
    };
    for (const auto& [library, message] : libraries) {
        SCOPED_TRACE(library);
        for (const QString& output : {dir + QStringLiteral("/new.mp3"), existing}) {
            const TProgramRun run =
                RunWith(RipArgs(FixturePath("vcd_mp2.mpg"), output) +
                            QStringList{QStringLiteral("--force")},
                        {{QStringLiteral("SONAVEL_REGISTRY"), dir + QStringLiteral("/hive/s.reg")},
                         {QStringLiteral("SONAVEL_LAME_LIBRARY"), QString::fromLatin1(library)}});
            ASSERT_TRUE(run.finished);
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_EQ(run.err.trimmed(), QString::fromLatin1(message));
            EXPECT_EQ(FilesIn(dir), QStringList{QStringLiteral("old.mp3")});
            EXPECT_EQ(ReadFile(existing), QByteArray("earlier rip"));
        }
    }
}

// The user sees one error line when the disk fills up mid-run with --force: the file that
// was to be replaced keeps its old content and no partial file is left beside it.
TEST(RipFaults, FullDiskWithForceKeepsTheOldFile) {
    const QString dir = FreshDir(QStringLiteral("full"));
    const QString existing = dir + QStringLiteral("/song.mp3");
    ASSERT_TRUE(WriteFile(existing, "earlier rip"));
    const TProgramRun run =
        RunWith({QStringLiteral("--rip"), FixturePath("dvd_ac3_stereo.vob"), QStringLiteral("-o"),
                 existing, QStringLiteral("--force")},
                {{QStringLiteral("SONAVEL_REGISTRY"), dir + QStringLiteral("/hive/s.reg")}},
                {QStringLiteral("prlimit"), QStringLiteral("--fsize=60000")});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("sonavel: "))) << run.err.toStdString();
    EXPECT_EQ(run.err.trimmed().count(u'\n'), 0) << run.err.toStdString();
    EXPECT_EQ(ReadFile(existing), QByteArray("earlier rip"));
    EXPECT_EQ(FilesIn(dir), QStringList{QStringLiteral("song.mp3")});
}

// Copies the sound of `from` into a Matroska file whose track's language tag is `language`.
bool RemuxWithLanguage(const QString& from, const QString& to, const char* language) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, QFile::encodeName(from).constData(), nullptr, nullptr) < 0)
        return false;
    ffmpeg::InputFormatPtr in(raw);
    if (avformat_find_stream_info(in.get(), nullptr) < 0)
        return false;
    const int audio = av_find_best_stream(in.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    raw = nullptr;
    if (audio < 0 || avformat_alloc_output_context2(&raw, nullptr, "matroska",
                                                    QFile::encodeName(to).constData()) < 0)
        return false;
    ffmpeg::OutputFormatPtr out(raw);
    AVStream* st = avformat_new_stream(out.get(), nullptr);
    avcodec_parameters_copy(st->codecpar, in->streams[audio]->codecpar);
    st->codecpar->codec_tag = 0;
    av_dict_set(&st->metadata, "language", language, 0);
    if (avio_open(&out->pb, QFile::encodeName(to).constData(), AVIO_FLAG_WRITE) < 0 ||
        avformat_write_header(out.get(), nullptr) < 0)
        return false;
    ffmpeg::PacketPtr packet = ffmpeg::MakePacket();
    while (av_read_frame(in.get(), packet.get()) >= 0) {
        if (packet->stream_index == audio) {
            av_packet_rescale_ts(packet.get(), in->streams[audio]->time_base, st->time_base);
            packet->stream_index = 0;
            packet->pos = -1;
            if (av_interleaved_write_frame(out.get(), packet.get()) < 0)
                return false;
        }
        av_packet_unref(packet.get());
    }
    return av_write_trailer(out.get()) >= 0;
}

// The user sees a track's language tag as the file holds it, even one with "%" fields:
// the file's text is never taken as the line's format.
TEST(RipFaults, TrackLanguageTagIsPrintedAsItIs) {
    const QString mkv = FreshDir(QStringLiteral("lang")) + QStringLiteral("/tagged.mkv");
    ASSERT_TRUE(RemuxWithLanguage(FixturePath("vcd_mp2.mpg"), mkv, "%4%1"));
    const TProgramRun run = RunSonavel({QStringLiteral("--list-tracks"), mkv});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList fields = run.out.simplified().split(u' ');
    ASSERT_GE(fields.size(), 5) << run.out.toStdString();
    EXPECT_EQ(fields[0], QStringLiteral("1"));
    EXPECT_EQ(fields[1], QStringLiteral("mp2"));
    EXPECT_EQ(fields[2], QStringLiteral("%4%1")) << run.out.toStdString();
    EXPECT_EQ(fields[3], QStringLiteral("2")) << run.out.toStdString();
}

} // namespace

// A stretch of the source that no longer decodes (zeroed on a damaged disc or copy) keeps
// its time as silence: every second after it is where the intact file has it, the whole rip
// is as long as the listing says, and the user is told how much was filled.
TEST(RipFaults, DamagedStretchKeepsTheTimeLine) {
    const QString dir = FreshDir(QStringLiteral("hole"));
    const QString damaged = dir + QStringLiteral("/damaged.vob");
    QByteArray bytes = ReadFile(FixturePath("dvd_ac3_stereo.vob"));
    const qsizetype at = bytes.size() * 2 / 5 / 2048 * 2048;
    bytes.replace(at, 200 * 1024, QByteArray(200 * 1024, '\0'));
    ASSERT_TRUE(WriteFile(damaged, bytes));
    const auto rip = [&](const QString& source, const QString& name, const QStringList& range) {
        const QString mp3 = dir + u'/' + name;
        const TProgramRun run =
            RunSonavel(QStringList{QStringLiteral("--rip"), source, QStringLiteral("-o"), mp3,
                                   QStringLiteral("--samplerate"), QStringLiteral("48000")} +
                       range);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        DecodedAudio audio = DecodeAudioFile(mp3);
        EXPECT_TRUE(audio.ok) << audio.error.toStdString();
        return std::make_pair(run, audio);
    };
    const QStringList late{QStringLiteral("--start"), QStringLiteral("7"), QStringLiteral("--end"),
                           QStringLiteral("9")};
    const auto [intactRun, intact] = rip(FixturePath("dvd_ac3_stereo.vob"), "intact.mp3", late);
    const auto [lateRun, after] = rip(damaged, "late.mp3", late);
    ASSERT_GT(intact.frames(), 48000);
    ASSERT_EQ(after.frames(), intact.frames());
    const std::vector<int16_t> needle(intact.samples.begin() + 2 * 24000,
                                      intact.samples.begin() + 2 * (24000 + 4096));
    double score = 0;
    EXPECT_EQ(FindBestOffset(after.samples, needle, 2, 24000 - 3000, 24000 + 3000, &score, 4096),
              24000);
    EXPECT_GT(score, 0.9);
    EXPECT_FALSE(intactRun.err.contains(QStringLiteral("warning")));

    // The whole file: as long as the intact one and as it lists, the hole told (200 KB of
    // a 1.1 Mbit/s file: about 1.5 s, and the frames torn at its edges).
    const auto [wholeRun, whole] = rip(damaged, "whole.mp3", {});
    const auto [intactWholeRun, intactWhole] =
        rip(FixturePath("dvd_ac3_stereo.vob"), "intact_whole.mp3", {});
    EXPECT_EQ(whole.frames(), intactWhole.frames());
    const TProgramRun listed = RunSonavel({QStringLiteral("--list-tracks"), damaged});
    const TProgramRun listedIntact =
        RunSonavel({QStringLiteral("--list-tracks"), FixturePath("dvd_ac3_stereo.vob")});
    EXPECT_EQ(listed.out, listedIntact.out);
    const QRegularExpression told(QStringLiteral(R"(warning: ([\d.]+) s of .* no sound)"));
    const QRegularExpressionMatch m = told.match(wholeRun.err);
    ASSERT_TRUE(m.hasMatch()) << wholeRun.err.toStdString();
    EXPECT_GT(m.captured(1).toDouble(), 1.0);
    EXPECT_LT(m.captured(1).toDouble(), 2.5);
}

// A file cut short (an interrupted download) has one length: the one its sound has, which is
// what the listing shows, what a range is held to and what a whole rip delivers.
TEST(RipFaults, ATruncatedFileHasOneLength) {
    const QString dir = FreshDir(QStringLiteral("cut"));
    const QString cut = dir + QStringLiteral("/cut.vob");
    const QByteArray bytes = ReadFile(FixturePath("dvd_ac3_stereo.vob"));
    ASSERT_TRUE(WriteFile(cut, bytes.left(bytes.size() * 87 / 100 / 2048 * 2048)));
    const TProgramRun listed = RunSonavel({QStringLiteral("--list-tracks"), cut});
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral(R"((\d+):(\d\d):(\d\d)\.(\d))")).match(listed.out);
    ASSERT_TRUE(m.hasMatch()) << listed.out.toStdString();
    const double seconds =
        m.captured(2).toInt() * 60 + m.captured(3).toInt() + m.captured(4).toInt() / 10.0;
    ASSERT_LT(seconds, 9.5);
    const QString mp3 = dir + QStringLiteral("/whole.mp3");
    const TProgramRun whole = RunSonavel({QStringLiteral("--rip"), cut, QStringLiteral("-o"), mp3,
                                          QStringLiteral("--samplerate"), QStringLiteral("48000")});
    ASSERT_EQ(whole.exitCode, 0) << whole.err.toStdString();
    const DecodedAudio audio = DecodeAudioFile(mp3);
    ASSERT_TRUE(audio.ok);
    EXPECT_NEAR(double(audio.frames()) / 48000, seconds, 0.1);
    // A range past the sound's end is refused, quoting that same length.
    const QString past = QString::number(seconds + 0.3, 'f', 1);
    const QString refusal =
        ExpectCleanFailure({QStringLiteral("--rip"), cut, QStringLiteral("-o"),
                            dir + QStringLiteral("/past.mp3"), QStringLiteral("--end"), past},
                           QString());
    EXPECT_FALSE(QFileInfo::exists(dir + QStringLiteral("/past.mp3")));
    EXPECT_TRUE(refusal.contains(m.captured(0))) << refusal.toStdString();
}

namespace {

bool IsPipe(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

QStringList TrackRip(const QString& source, const QString& list, const QString& out) {
    return {QStringLiteral("--rip"), source, QStringLiteral("--tracks"), list,
            QStringLiteral("-o"),    out,    QStringLiteral("--quiet")};
}

} // namespace

// A pipe or a device where Sonavel reads a file (the picture of --cover, the list of
// --tracks, the settings hive) is refused at once, as a source is, never read until it ends
// or memory runs out; the rip with a hive that is a pipe goes on with the defaults, says
// they are not kept, and leaves the pipe as it is.
TEST(RipFaults, PipesAndDevicesAreRefusedWhereverAFileIsRead) {
    const QString dir = FreshDir(QStringLiteral("pipes"));
    const QString fifo = dir + QStringLiteral("/pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString out = dir + QStringLiteral("/out");
    ASSERT_TRUE(QDir().mkpath(out));
    const QStringList rip{QStringLiteral("--rip"), FixturePath("vcd_mp2.mpg"),
                          QStringLiteral("-o"),    out + QStringLiteral("/a.mp3"),
                          QStringLiteral("--end"), QStringLiteral("1")};
    const QString cover =
        ExpectCleanFailure(rip + QStringList{QStringLiteral("--cover"), fifo}, out);
    EXPECT_TRUE(cover.contains(QStringLiteral("is a pipe, which can be read only once")))
        << cover.toStdString();
    const QString zero = ExpectCleanFailure(
        rip + QStringList{QStringLiteral("--cover"), QStringLiteral("/dev/zero")}, out);
    EXPECT_TRUE(zero.contains(QStringLiteral("is a character device"))) << zero.toStdString();
    for (const QString& list : {fifo, QStringLiteral("/dev/zero")}) {
        const QString refused =
            ExpectCleanFailure(TrackRip(FixturePath("vcd_mp2.mpg"), list, out + u'/'), out);
        EXPECT_TRUE(refused.contains(QStringLiteral("which can be read only once")))
            << refused.toStdString();
    }
    const TProgramRun hive = RunWith(rip, {{QStringLiteral("SONAVEL_REGISTRY"), fifo}});
    ASSERT_TRUE(hive.finished);
    EXPECT_EQ(hive.exitCode, 0) << hive.err.toStdString();
    EXPECT_TRUE(hive.err.startsWith(QStringLiteral("sonavel: warning: ")) &&
                hive.err.contains(fifo))
        << hive.err.toStdString();
    EXPECT_TRUE(DecodeAudioFile(out + QStringLiteral("/a.mp3")).ok);
    EXPECT_TRUE(IsPipe(fifo));
}

// Two tracks whose names lead to one file (a symbolic link to an earlier track's file) are
// refused before anything is encoded, even with --force; a dangling link named like an
// output counts as an existing file, so without --force nothing is written at all.
TEST(RipFaults, TracksThatNameOneFileAreRefusedBeforeTheFirstSample) {
    const QString dir = FreshDir(QStringLiteral("links"));
    const QString list = dir + QStringLiteral("/list.txt");
    ASSERT_TRUE(WriteFile(list, "0 1 A\n1 2 B\n2 3 C\n"));
    const QString out = dir + QStringLiteral("/out");
    ASSERT_TRUE(WriteFile(out + QStringLiteral("/01 - A.mp3"), "A's sound"));
    ASSERT_EQ(::symlink("01 - A.mp3", QFile::encodeName(out + QStringLiteral("/02 - B.mp3"))), 0);
    const QStringList kept{QStringLiteral("01 - A.mp3"), QStringLiteral("02 - B.mp3")};
    const QString same = ExpectCleanFailure(TrackRip(FixturePath("vcd_mp2.mpg"), list, out + u'/')
                                                << QStringLiteral("--force"),
                                            out, kept);
    EXPECT_TRUE(same.contains(QStringLiteral("track 2")) &&
                same.contains(QStringLiteral("track 1")))
        << same.toStdString();
    EXPECT_EQ(ReadFile(out + QStringLiteral("/01 - A.mp3")), QByteArray("A's sound"));

    const QString other = dir + QStringLiteral("/other");
    ASSERT_TRUE(QDir().mkpath(other));
    ASSERT_EQ(::symlink("nowhere/03.mp3", QFile::encodeName(other + QStringLiteral("/03 - C.mp3"))),
              0);
    // Nothing is written and the link stays (a dangling link is not listed as a file).
    const QString dangling =
        ExpectCleanFailure(TrackRip(FixturePath("vcd_mp2.mpg"), list, other + u'/'), other);
    EXPECT_TRUE(dangling.contains(QStringLiteral("03 - C.mp3\" already exists")))
        << dangling.toStdString();
    EXPECT_TRUE(QFileInfo(other + QStringLiteral("/03 - C.mp3")).isSymLink());
}

// A list of many tracks holds no more files open than one track needs: under a limit of
// open files far below the list's length, every track is written.
TEST(RipFaults, AListOfManyTracksRunsUnderALowOpenFileLimit) {
    const QString dir = FreshDir(QStringLiteral("nofile"));
    QByteArray text;
    constexpr int kTracks = 80;
    for (int k = 0; k < kTracks; ++k)
        text += QByteArray::number(k * 0.12, 'f', 2) + ' ' +
                QByteArray::number((k + 1) * 0.12, 'f', 2) + '\n';
    const QString list = dir + QStringLiteral("/list.txt");
    ASSERT_TRUE(WriteFile(list, text));
    const QString out = dir + QStringLiteral("/out/");
    const TProgramRun run =
        RunSonavel(TrackRip(FixturePath("vcd_mp2.mpg"), list, out) +
                       QStringList{QStringLiteral("--jobs"), QStringLiteral("2")},
                   {QStringLiteral("prlimit"), QStringLiteral("--nofile=40")});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(FilesIn(out).size(), kTracks);
}

// Settings that can be read but not written (another owner's file) are used as they are,
// and stderr says they cannot be saved; a rip that changes nothing leaves a writable
// settings file as it was, its rights too.
TEST(RipFaults, ReadOnlySettingsAreUsedAndUnchangedOnesLeftAlone) {
    const QString dir = FreshDir(QStringLiteral("readonly"));
    // A folder everyone may write into, for a rip as another user when the test runs as root.
    ASSERT_EQ(::chmod(QFile::encodeName(TestRoot()).constData(), 0711), 0);
    const QString hive = dir + QStringLiteral("/settings.reg");
    const QByteArray stored =
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Vemra\\Sonavel]\n"
        "\"AudioBitrate\"=dword:00000140\n\"AudioSampleRate\"=dword:0000bb80\n"
        "\"ReplayGain\"=dword:00000000\n\"AudioVBR\"=dword:00000000\n";
    ASSERT_TRUE(WriteFile(hive, stored));
    ASSERT_EQ(::chmod(QFile::encodeName(hive).constData(), 0444), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir).constData(), 0777), 0);
    const QString mp3 = dir + QStringLiteral("/a.mp3");
    const QList<QPair<QString, QString>> env{{QStringLiteral("SONAVEL_REGISTRY"), hive},
                                             {QStringLiteral("HOME"), dir},
                                             {QStringLiteral("XDG_CONFIG_HOME"), dir},
                                             {QStringLiteral("XDG_DATA_HOME"), dir},
                                             {QStringLiteral("XDG_CACHE_HOME"), dir}};
    // As root every file can be written: the rip runs as nobody.
    const QStringList asOther =
        ::geteuid() == 0
            ? QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                          QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")}
            : QStringList{};
    const TProgramRun run = RunWith(RipArgs(FixturePath("vcd_mp2.mpg"), mp3), env, asOther);
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("sonavel: warning: ")) && run.err.contains(hive))
        << run.err.toStdString();
    const Mp3FrameScan scan = ScanMp3Frames(mp3);
    EXPECT_EQ(scan.sampleRate, 48000);
    ASSERT_FALSE(scan.bitratesKbps.empty());
    EXPECT_EQ(scan.bitratesKbps.back(), 320);
    EXPECT_FALSE(DecodeAudioFile(mp3).tags.contains(QStringLiteral("REPLAYGAIN_TRACK_GAIN")));
    EXPECT_EQ(ReadFile(hive), stored);

    // A writable settings file that the rip has nothing to add to stays as it is.
    const QString own = dir + QStringLiteral("/own.reg");
    const QList<QPair<QString, QString>> ownEnv{{QStringLiteral("SONAVEL_REGISTRY"), own}};
    ASSERT_EQ(RunWith(RipArgs(FixturePath("vcd_mp2.mpg"), dir + QStringLiteral("/b.mp3")), ownEnv)
                  .exitCode,
              0);
    ASSERT_EQ(::chmod(QFile::encodeName(own).constData(), 0644), 0);
    const QByteArray before = ReadFile(own);
    const TProgramRun again =
        RunWith(RipArgs(FixturePath("vcd_mp2.mpg"), dir + QStringLiteral("/c.mp3")), ownEnv);
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_TRUE(again.err.isEmpty()) << again.err.toStdString();
    EXPECT_EQ(ModeOf(own), 0644);
    EXPECT_EQ(ReadFile(own), before);
}

// Sound that ends long before the pictures: a range past its end is refused with where it
// ends (after the sound before it was encoded, as FFmpeg cannot tell sooner), and a rip to
// the source's end holds all the sound there is and says where it stopped.
TEST(RipFaults, SoundThatEndsBeforeThePicturesIsNeverACompleteRange) {
    const QString dir = FreshDir(QStringLiteral("early"));
    const QString source = FixturePath("early_end.mkv");
    const QString refused =
        ExpectCleanFailure({QStringLiteral("--rip"), source, QStringLiteral("-o"),
                            dir + QStringLiteral("/range.mp3"), QStringLiteral("--start"),
                            QStringLiteral("1"), QStringLiteral("--end"), QStringLiteral("5")},
                           dir);
    EXPECT_TRUE(refused.contains(QStringLiteral("the sound of")) &&
                refused.contains(QStringLiteral("ends at 0:00:02.0")))
        << refused.toStdString();

    const QString whole = dir + QStringLiteral("/whole.mp3");
    const TProgramRun run =
        RunSonavel({QStringLiteral("--rip"), source, QStringLiteral("-o"), whole,
                    QStringLiteral("--samplerate"), QStringLiteral("48000")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const DecodedAudio audio = DecodeAudioFile(whole);
    ASSERT_TRUE(audio.ok) << audio.error.toStdString();
    EXPECT_NEAR(double(audio.frames()) / 48000, 2.0, 0.05);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("sonavel: warning: ")) &&
                run.err.contains(QStringLiteral("ends at 0:00:02.0")))
        << run.err.toStdString();
}

// Sound that begins seconds after the first picture is found, listed and ripped.
TEST(RipFaults, SoundThatBeginsLateIsFound) {
    const QString source = FixturePath("late_sound.mpg");
    const TProgramRun listed = RunSonavel({QStringLiteral("--list-tracks"), source});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_TRUE(listed.out.startsWith(QStringLiteral("1  mp2")) &&
                listed.out.contains(QStringLiteral("2 ch  48000 Hz")))
        << listed.out.toStdString();
    const QString mp3 = FreshDir(QStringLiteral("late")) + QStringLiteral("/late.mp3");
    const TProgramRun run = RunSonavel({QStringLiteral("--rip"), source, QStringLiteral("-o"), mp3,
                                        QStringLiteral("--start"), QStringLiteral("8.5"),
                                        QStringLiteral("--end"), QStringLiteral("9.5"),
                                        QStringLiteral("--samplerate"), QStringLiteral("48000")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const DecodedAudio audio = DecodeAudioFile(mp3);
    ASSERT_TRUE(audio.ok) << audio.error.toStdString();
    EXPECT_NEAR(double(audio.frames()) / 48000, 1.0, 0.01);
    int16_t peak = 0;
    for (int16_t v : audio.samples)
        peak = std::max<int16_t>(peak, int16_t(std::abs(v)));
    EXPECT_GT(peak, 8000); // the signal's tone and noise, not silence
}

// Smaller things the command line says rather than doing something else: a pattern given
// as --one-file's name, an empty --tracks, a negative chapter, and options that do nothing
// in the mode given.
TEST(RipFaults, OptionsThatCannotMeanWhatTheySayAreTold) {
    const QString dir = FreshDir(QStringLiteral("options"));
    const QString list = dir + QStringLiteral("/list.txt");
    ASSERT_TRUE(WriteFile(list, "0 1 A\n1 2 B\n"));
    const QString source = FixturePath("vcd_mp2.mpg");
    const auto usage = [](const QStringList& args) {
        const TProgramRun run = RunSonavel(args);
        EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
        return run.err.split(u'\n').first();
    };
    EXPECT_EQ(usage({QStringLiteral("--rip"), source, QStringLiteral("--tracks"), list,
                     QStringLiteral("--one-file"), QStringLiteral("-o"),
                     dir + QStringLiteral("/%n - %t.mp3")}),
              QStringLiteral("sonavel: --one-file writes one file: -o names it, not a pattern "
                             "of track names"));
    EXPECT_TRUE(FilesIn(dir) == QStringList{QStringLiteral("list.txt")});
    EXPECT_EQ(usage({QStringLiteral("--rip"), source, QStringLiteral("--tracks"), QString()}),
              QStringLiteral("sonavel: --tracks needs a file"));
    EXPECT_EQ(
        usage({QStringLiteral("--rip"), source, QStringLiteral("--chapter"), QStringLiteral("-1")}),
        QStringLiteral("sonavel: --chapter needs A or A-B, like 6 or 6-8, not '-1'"));
    const TProgramRun listed =
        RunSonavel({QStringLiteral("--list-tracks"), source, QStringLiteral("--bitrate"),
                    QStringLiteral("128"), QStringLiteral("-o"), dir + QStringLiteral("/x.mp3")});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_EQ(listed.err, QStringLiteral("sonavel: warning: ignored with --list-tracks: "
                                         "--bitrate, -o\n"));
    EXPECT_TRUE(listed.out.startsWith(QStringLiteral("1  mp2")));
}
