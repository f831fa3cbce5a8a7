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

#include <sys/stat.h>

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
