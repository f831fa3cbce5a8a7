// TMP3Out: a run encoded in parts on several threads (TMp3ParallelEncoder), written as the
// same kind of file a single encoder writes: ID3v2 tag, information frame, audio frames,
// ID3v1 tag.
#include "audio/mp3_out.h"

#include "audio/audio_exception.h"
#include "audio/audio_input.h"
#include "audio/audio_part_reader.h"
#include "audio/lame.h"
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
    const TLameEntryPoints& l = L();
    // Its own file only: the information frame is written last, at the front.
    if (jobs < 2 || !input || FFile.Fd < 0 || !l.lame_get_id3v2_tag || !l.lame_get_id3v1_tag ||
        !l.lame_get_out_samplerate || !l.lame_get_framesize)
        return;
    // The segments lie on the MP3's frame grid, counted in the input's samples: the encoder
    // must not resample.
    if (l.lame_get_out_samplerate(FEncoder.get()) != InputSampleRate)
        return;
    const int64_t frames = input->RunFrames();
    if (frames <= 0 || !TMp3ParallelEncoder::Worthwhile(frames, InputSampleRate, jobs))
        return;

    TMp3ParallelEncoder::TSettings settings;
    // The encoder's settings as the run's own encoder got them, without the tags (those
    // are written once, around the joined stream).
    settings.Configure = [rate = InputSampleRate, out = SampleRateHz(SampleRate), mode = Mode,
                          copyright = Copyright, original = Original, crc = CRC, vbr = EnableVBR,
                          vbr2 = WriteVBRHeader, vbrQ = VBRQuality, vbrMin = VBRMinBitrate,
                          vbrMax = VBRMaxBitrate, kbps = BitRateKbps(BitRate),
                          quality = Quality](lame_t e) {
        L().lame_set_in_samplerate(e, rate);
        L().lame_set_num_channels(e, 2);
        L().lame_set_out_samplerate(e, out);
        L().lame_set_mode(e, MPEG_mode(int(mode)));
        L().lame_set_copyright(e, copyright ? 1 : 0);
        L().lame_set_original(e, original ? 1 : 0);
        L().lame_set_error_protection(e, crc ? 1 : 0);
        if (vbr) {
            if (vbr2)
                L().lame_set_VBR(e, vbr_mode(2));
            L().lame_set_bWriteVbrTag(e, 1);
            L().lame_set_VBR_q(e, int(vbrQ));
            L().lame_set_VBR_min_bitrate_kbps(e, vbrMin);
            L().lame_set_VBR_max_bitrate_kbps(e, vbrMax);
        } else {
            L().lame_set_brate(e, kbps);
            L().lame_set_quality(e, int(quality));
        }
    };
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
    settings.FrameSamples = l.lame_get_framesize(FEncoder.get());
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
        std::vector<unsigned char> id3(65536);
        size_t size = L().lame_get_id3v2_tag(FEncoder.get(), id3.data(), id3.size());
        if (size > id3.size()) {
            id3.resize(size);
            size = L().lame_get_id3v2_tag(FEncoder.get(), id3.data(), id3.size());
        }
        Write(id3.data(), int(std::min(size, id3.size())));
        FInfoAt = int64_t(std::min(size, id3.size()));
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
    unsigned char id3v1[128];
    const size_t size = L().lame_get_id3v1_tag(FEncoder.get(), id3v1, sizeof id3v1);
    if (size <= sizeof id3v1)
        Write(id3v1, int(size));
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
