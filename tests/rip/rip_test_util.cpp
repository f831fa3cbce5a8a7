#include "rip_test_util.h"

#include "platform/media/media_audio_stream.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

TProgramRun RunWithHive(const QString& program, const QStringList& args, int timeoutMs) {
    TProgramRun run;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SONAVEL_REGISTRY"),
               FreshDir(QStringLiteral("hive")) + "/sonavel.reg");
    process.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    process.start(program, args);
    run.finished = process.waitForFinished(timeoutMs);
    if (!run.finished)
        process.kill(), process.waitForFinished();
    run.ms = clock.elapsed();
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

TProgramRun RunSonavel(const QStringList& args, const QStringList& prefix, int timeoutMs) {
    const QString program = BinDir() + QStringLiteral("/sonavel");
    if (prefix.isEmpty())
        return RunWithHive(program, args, timeoutMs);
    return RunWithHive(prefix.first(), prefix.mid(1) + QStringList{program} + args, timeoutMs);
}

TSourceSound ReadSourceSound(const QString& path, int rate, int track) {
    TSourceSound sound;
    TMediaAudioStream stream;
    int index = -1;
    if (track > 0) {
        std::vector<TMediaTrackInfo> tracks;
        if (TMediaAudioStream::ListAudioTracks(path, tracks) != media::S_OK ||
            int(tracks.size()) < track)
            return sound;
        index = tracks[size_t(track - 1)].streamIndex;
    }
    stream.SetOutputFormat(TPcmFormat{rate, 0, 16});
    if (stream.Open(path, index) != media::S_OK)
        return sound;
    sound.rate = stream.Format().sampleRate;
    sound.channels = stream.Format().channels;
    std::vector<uint8_t> block(32768);
    bool first = true;
    for (;;) {
        TMediaReadInfo info;
        if (stream.Read(block.data(), uint32_t(block.size()), info) != media::S_OK)
            break;
        if (first)
            sound.firstSample = info.firstSample, first = false;
        const auto* s = reinterpret_cast<const int16_t*>(block.data());
        sound.samples.insert(sound.samples.end(), s, s + info.bytes / 2);
    }
    return sound;
}

std::vector<int16_t> FirstChannel(const std::vector<int16_t>& samples, int channels) {
    std::vector<int16_t> out;
    out.reserve(samples.size() / size_t(channels));
    for (size_t i = 0; i < samples.size(); i += size_t(channels))
        out.push_back(samples[i]);
    return out;
}

QStringList FilesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

QString ExpectCleanFailure(const QStringList& args, const QString& outDir, const QStringList& keep,
                           const QStringList& prefix) {
    SCOPED_TRACE(args.join(u' ').toStdString());
    const TProgramRun run = RunSonavel(args, prefix, 30000);
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    const QStringList lines = run.err.trimmed().split(u'\n');
    EXPECT_EQ(lines.size(), 1) << run.err.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("sonavel: "))) << run.err.toStdString();
    EXPECT_LT(run.ms, 10000);
    if (!outDir.isEmpty()) {
        EXPECT_EQ(FilesIn(outDir), keep);
    }
    return lines[0];
}
