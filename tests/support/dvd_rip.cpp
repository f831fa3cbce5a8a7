#include "support/dvd_rip.h"

#include "support/program_run.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr int64_t kNeedle = 4096;

void Rip(const QStringList& args, const QString& output) {
    const TProgramRun run =
        RunSonavel(args + QStringList{QStringLiteral("-o"), output, QStringLiteral("--samplerate"),
                                      QStringLiteral("48000"), QStringLiteral("--bitrate"),
                                      QStringLiteral("320"), QStringLiteral("--mode"),
                                      QStringLiteral("stereo")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
}

DecodedAudio Decoded(const QString& file) {
    DecodedAudio mp3 = DecodeAudioFile(file);
    EXPECT_TRUE(mp3.ok) << file.toStdString() << ": " << mp3.error.toStdString();
    return mp3;
}

} // namespace

DecodedAudio RipDvd(const QStringList& args, const QString& output) {
    Rip(args, output);
    return Decoded(output);
}

std::vector<DecodedAudio> RipDvdChapters(const QStringList& args) {
    const QString folder = FreshDir(QStringLiteral("chapters"));
    Rip(args + QStringList{QStringLiteral("--split-chapters")}, folder + u'/');
    std::vector<DecodedAudio> chapters;
    for (const QString& name : FilesIn(folder)) // "01 - Chapter 1.mp3", ...
        chapters.push_back(Decoded(folder + u'/' + name));
    return chapters;
}

void ExpectSignalAt(const DecodedAudio& mp3, const fixture_signal::TSignal& signal, int64_t from,
                    int64_t at) {
    double score = 0;
    const int64_t found =
        FindBestOffset(mp3.samples, fixture_signal::SourceS16(signal, kDvdRipRate, from, kNeedle),
                       2, std::max<int64_t>(0, at - 300), at + 300, &score, kNeedle);
    EXPECT_EQ(found, at) << "source sample " << from;
    EXPECT_GT(score, 0.9) << "source sample " << from;
}
