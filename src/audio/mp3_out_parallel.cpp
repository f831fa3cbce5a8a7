// TMP3Out: a run encoded in parts on several threads (TMp3ParallelEncoder), written as the
// same kind of file a single encoder writes: ID3v2 tag, information frame, audio frames,
// ID3v1 tag.
#include "audio/mp3_out.h"

#include "audio/audio_exception.h"
#include "audio/audio_input.h"
#include "audio/audio_part_reader.h"
#include "audio/lame.h"
#include "audio/mp3_encoder.h"
#include "audio/mp3_parallel_encoder.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace {

const TLameEntryPoints& L() {
    return TLameLibrary::Api();
}

} // namespace

int TMP3Out::JobCount() const {
    if (Jobs > 0)
        return Jobs;
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

void TMP3Out::StartParallel(int InputSampleRate) {
    FParallelStarted = FParallelDone = false;
    TAudioInput* input = Input();
    const int jobs = JobCount();
    // Its own file only: the information frame is written last, at the front. The
    // segments lie on the MP3's frame grid counted in the input's samples, so the encoder
    // must not resample.
    if (jobs < 2 || !input || FFile.Fd < 0 || !L().lame_get_id3v2_tag || !L().lame_get_id3v1_tag ||
        FEncoder.OutputSampleRate() != InputSampleRate)
        return;
    const int64_t frames = input->RunFrames();
    if (frames <= 0 || !TMp3ParallelEncoder::Worthwhile(frames, InputSampleRate, jobs))
        return;

    TMp3ParallelEncoder::TSettings settings;
    settings.Encoder = FRunSettings;
    settings.Encoder.Title = settings.Encoder.Artist = settings.Encoder.Album =
        settings.Encoder.Year = settings.Encoder.Track = settings.Encoder.Comment =
            settings.Encoder.Genre = QString();
    // A pool thread opens its part under the input lock, so that an input being exchanged
    // or destroyed is never asked.
    settings.OpenPart = [this](int64_t First, int64_t Frames) {
        TInputLockGuard lock(InputLock);
        TAudioInput* in = Input();
        if (!in)
            throw EAudioException(QStringLiteral("Input is not assigned"));
        return in->OpenPart(First, Frames);
    };
    settings.Frames = frames;
    settings.SampleRate = InputSampleRate;
    settings.FrameSamples = FEncoder.FrameSamples();
    settings.Channels = InputChannels();
    settings.BitsPerSample = InputBitsPerSample();
    settings.ConstantBitRate = !EnableVBR;
    settings.Jobs = jobs;
    FParallel = std::make_unique<TMp3ParallelEncoder>(std::move(settings));
}

bool TMP3Out::ParallelStep(bool Abort) {
    if (Abort) {
        FParallel->Stop();
        return false;
    }
    if (!FParallelStarted) {
        // The tag the single encoder would have begun with.
        FParallelStarted = true;
        const std::vector<unsigned char> id3 = FEncoder.Id3v2Tag();
        Write(id3.data(), int(id3.size()));
        FInfoAt = int64_t(id3.size());
    }
    FParallelBytes.clear();
    const TMp3ParallelEncoder::TStepResult result = FParallel->Step(FParallelBytes, 100);
    Write(FParallelBytes.data(), int(FParallelBytes.size()));
    {
        TInputLockGuard lock(InputLock);
        if (TAudioInput* input = Input())
            input->NotePartsDone(FParallel->DoneFrames(),
                                 InputChannels() * InputBitsPerSample() / 8);
    }
    switch (result) {
    case TMp3ParallelEncoder::psWorking:
        return true;
    case TMp3ParallelEncoder::psSeamFailed:
        FallBackToSerial();
        return true;
    case TMp3ParallelEncoder::psDone:
        FinishParallel();
        return false;
    }
    return false;
}

void TMP3Out::FinishParallel() {
    const std::vector<unsigned char> id3v1 = FEncoder.Id3v1Tag();
    Write(id3v1.data(), int(id3v1.size()));
    const std::vector<uint8_t> info = FParallel->InfoFrame();
    if (!info.empty() && !WriteAt(FInfoAt, info.data(), int(info.size())))
        throw EAudioException(WriteErrorText(errno));
    // For the benchmark that measures the seams: where they are.
    const QString log = qEnvironmentVariable("SONAVEL_SEAM_LOG");
    if (!log.isEmpty()) {
        QFile file(log);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            for (const auto& seam : FParallel->Seams())
                file.write(QByteArray::number(qint64(seam.Cut)) + '\n');
    }
    FParallel.reset();
    FParallelDone = true;
}

void TMP3Out::FallBackToSerial() {
    // Nothing of the parts stays: the single encoder writes the whole file from the start.
    FParallel.reset();
    if (::ftruncate(FFile.Fd, 0) != 0 || ::lseek(FFile.Fd, 0, SEEK_SET) != 0)
        throw EAudioException(WriteErrorText(errno));
    TInputLockGuard lock(InputLock);
    if (TAudioInput* input = Input())
        input->NotePartsDone(-1, 0);
}
