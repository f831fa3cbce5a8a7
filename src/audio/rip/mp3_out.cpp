#include "audio/rip/mp3_out.h"

#include "audio/mp3/lame.h"
#include "audio/pipeline/audio_exception.h"
#include "audio/pipeline/audio_input.h"
#include "audio/pipeline/audio_part_reader.h"
#include "audio/rip/flac_rip_encoder.h"
#include "audio/rip/mp3_rip_encoder.h"
#include "audio/rip/opus_rip_encoder.h"
#include "audio/xiph/opus_encoder.h"
#include "base/text_cut.h"

#include <QCoreApplication>

#include <thread>
#include <utility>

int BitRateKbps(TMP3BitRate Value) {
    if (unsigned(Value) > unsigned(br320))
        throw EAudioException(
            QCoreApplication::translate("Rip", "Invalid MP3 bit rate (%1).").arg(int(Value)));
    return MP3BitRates[Value];
}

int SampleRateHz(TMP3SampleRate Value) {
    static const int hz[] = {0, 32000, 44100, 48000};
    if (unsigned(Value) > unsigned(sr48kHz))
        throw EAudioException(
            QCoreApplication::translate("Rip", "Invalid MP3 sample rate (%1).").arg(int(Value)));
    return hz[Value];
}

QString FormatExtension(TOutputFormat Format) {
    switch (Format) {
    case ofFLAC:
        return QStringLiteral(".flac");
    case ofOpus:
        return QStringLiteral(".opus");
    default:
        return QStringLiteral(".mp3");
    }
}

bool FormatOfExtension(const QString& Extension, TOutputFormat& Format) {
    const QString ext =
        Extension.startsWith(u'.') ? Extension.toLower() : u'.' + Extension.toLower();
    for (TOutputFormat f : {ofMP3, ofFLAC, ofOpus})
        if (ext == FormatExtension(f)) {
            Format = f;
            return true;
        }
    return false;
}

TPcmFormat RipInputFormat(TOutputFormat Format, int Mp3Rate, int FlacRate) {
    switch (Format) {
    case ofFLAC:
        return {FlacRate, 0, TPcmFormat::SourceDepth};
    case ofOpus:
        return {TOpusEncoder::SampleRate, 0, TAudioInput::FloatBits};
    default:
        return {Mp3Rate, 0, TAudioInput::FloatBits};
    }
}

TPcmFormat TMP3Out::InputFormat() const {
    return RipInputFormat(Format, SampleRateHz(SampleRate), FlacSampleRate);
}

TMP3Out::TMP3Out(QObject* AOwner) : TAudioFileOut(AOwner) {
    TLameLibrary::Acquire();
    FLibraryHeld = true;
}

TMP3Out::~TMP3Out() {
    // The worker calls into this object and into the library: it stops first, then the
    // run it left is discarded, and only then is the library given back.
    StopWorker();
    Discard();
    if (FLibraryHeld)
        TLameLibrary::Release();
}

int TMP3Out::JobCount() const {
    if (Jobs > 0)
        return Jobs;
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

TMp3EncoderSettings TMP3Out::EncoderSettings(int InputSampleRate) {
    if (unsigned(Mode) > unsigned(TMP3Mode::MONO) || unsigned(Quality) > unsigned(ql9) ||
        unsigned(VBRQuality) > unsigned(ql9))
        throw EAudioException(
            QCoreApplication::translate("Rip", "Invalid MP3 channel mode or quality."));
    TMp3EncoderSettings settings;
    settings.InputSampleRate = InputSampleRate;
    settings.OutputSampleRate = SampleRateHz(SampleRate);
    settings.Mode = int(Mode);
    settings.Copyright = Copyright;
    settings.Original = Original;
    settings.CRC = CRC;
    settings.EnableVBR = EnableVBR;
    if (EnableVBR) {
        settings.VBRCurrentMethod = WriteVBRHeader;
        settings.VBRQuality = int(VBRQuality);
        settings.VBRLimits = VBRLimits;
        if (VBRMaxBitrate < VBRMinBitrate)
            std::swap(VBRMinBitrate, VBRMaxBitrate);
        settings.VBRMinBitrate = VBRMinBitrate;
        settings.VBRMaxBitrate = VBRMaxBitrate;
    } else {
        settings.BitRate = BitRateKbps(BitRate);
        settings.Quality = int(Quality);
    }
    return settings;
}

std::shared_ptr<TRipEncoder> TMP3Out::MakeEncoder(int InputSampleRate) {
    switch (Format) {
    case ofMP3:
        return std::make_shared<TMp3RipEncoder>(EncoderSettings(InputSampleRate));
    case ofFLAC:
        return std::make_shared<TFlacRipEncoder>(FlacLevel);
    case ofOpus:
        return std::make_shared<TOpusRipEncoder>(OpusBitrate);
    }
    throw EAudioException(
        QCoreApplication::translate("Rip", "Invalid output format (%1).").arg(int(Format)));
}

std::vector<TRipJob> TMP3Out::RunJobs() const {
    std::vector<TRipJob> jobs = Tracks;
    if (jobs.empty()) {
        TRipJob job;
        job.FileName = FileName;
        job.Tag = {Id3TagTitle, Id3TagArtist,  Id3TagAlbum, Id3TagYear,
                   Id3TagTrack, Id3TagComment, Id3TagGenre};
        job.AllowEmpty = true;
        jobs.push_back(job);
    }
    // Every text is cut to whole characters here, whoever set it.
    for (TRipJob& job : jobs) {
        if (job.FileName.isEmpty())
            throw EAudioException(QCoreApplication::translate("Rip", "File name is not assigned."));
        for (QString* text : {&job.Tag.Title, &job.Tag.Artist, &job.Tag.Album, &job.Tag.Year,
                              &job.Tag.Track, &job.Tag.Comment, &job.Tag.Genre})
            *text = LeftCodePoints(*text, kTagTextMax);
    }
    return jobs;
}

void TMP3Out::PrepareRun() {
    if (StreamAssigned)
        throw EAudioException(
            QCoreApplication::translate("Rip", "The MP3 output writes named files only."));
    std::vector<TRipJob> jobs = RunJobs();
    FFailedJob = -1;
    FResults.clear();
    FAlbum = TLoudness();
    try {
        TAudioInput* input = Input();
        input->BeginRead();
        FReading = true;
        NoteInputFormat();
        const int rate = input->GetSampleRate();
        const int channels = InputChannels(), bits = InputBitsPerSample();
        if (channels < 1 || channels > 2 ||
            (bits != 8 && bits != 16 && bits != 24 && bits != TAudioInput::FloatBits) || rate <= 0)
            throw EAudioException(
                QCoreApplication::translate(
                    "Rip", "The input's audio format is not supported (%1 channels, %2 bits "
                           "per sample, %3 Hz).")
                    .arg(channels)
                    .arg(bits)
                    .arg(rate));
        FInputBits = bits;
        TRipExecutor::TSettings settings;
        settings.Encoder = MakeEncoder(rate);
        settings.Jobs = std::move(jobs);
        settings.Threads = JobCount();
        settings.Tuning = Tuning;
        settings.ReplayGain = ReplayGain;
        settings.Cover = Cover;
        TRipExecutor::TSource& source = settings.Source;
        source.Channels = channels;
        source.BitsPerSample = bits == 8 ? 16 : bits;
        source.SampleRate = rate;
        source.RunFrames = input->RunFrames();
        if (input->CanReadParts()) {
            // A pool thread opens its part under the input lock, so that an input being
            // exchanged or destroyed is never asked.
            source.OpenPart = [this](int64_t First, int64_t Frames) {
                TInputLockGuard lock(InputLock);
                TAudioInput* in = Input();
                if (!in)
                    throw EAudioException(
                        QCoreApplication::translate("Rip", "Input is not assigned"));
                return in->OpenPart(First, Frames);
            };
        }
        source.ReadNext = [this](void* Buffer, int Frames) { return ReadNext(Buffer, Frames); };
        const int count = int(settings.Jobs.size());
        auto engine = std::make_unique<TRipExecutor>(std::move(settings));
        {
            std::lock_guard lock(FEngineLock);
            FEngine = std::move(engine);
            FLastProgress = TProgress();
            FLastProgress.JobCount = count;
            FLastProgress.SampleRate = rate;
        }
        FEngine->Start();
    } catch (...) {
        Discard();
        throw;
    }
}

int TMP3Out::ReadNext(void* Buffer, int Frames) {
    const int channels = InputChannels();
    auto* out = static_cast<unsigned char*>(Buffer);
    TInputLockGuard lock(InputLock);
    TAudioInput* input = Input();
    if (!input)
        throw EAudioException(QCoreApplication::translate("Rip", "Input is not assigned"));
    // Whole frames only: an input may hand out any number of bytes.
    const int frameBytes = channels * (FInputBits == 8 ? 1 : FInputBits / 8);
    const int wanted = Frames * frameBytes;
    unsigned char* target = out;
    if (FInputBits == 8) {
        FWide.resize(size_t(wanted));
        target = FWide.data();
    }
    int got = 0;
    while (got < wanted) {
        const int n = input->ReadData(target + got, wanted - got);
        if (n < 0)
            throw EAudioException(
                QCoreApplication::translate("Rip", "The audio input failed to deliver data."));
        if (n == 0)
            break;
        got += n;
        if (got % frameBytes == 0)
            break;
    }
    const int frames = got / frameBytes;
    if (FInputBits == 8) {
        auto* wide = reinterpret_cast<int16_t*>(out);
        for (int i = 0; i < frames * channels; ++i)
            wide[i] = int16_t((int(FWide[size_t(i)]) - 128) * 256);
    }
    return frames;
}

bool TMP3Out::WriteStep(bool Abort) {
    if (!CanOutput)
        return true;
    if (Abort) {
        FEngine->Stop();
        return false;
    }
    return FEngine->Step(100);
}

void TMP3Out::InterruptRun() {
    std::lock_guard lock(FEngineLock);
    if (FEngine)
        FEngine->RequestStop();
}

TMP3Out::TProgress TMP3Out::Progress() const {
    std::lock_guard lock(FEngineLock);
    if (!FEngine)
        return FLastProgress;
    TProgress p = FLastProgress;
    p.DoneFrames = FEngine->DoneFrames();
    p.TotalFrames = FEngine->TotalFrames();
    p.JobsWritten = FEngine->JobsWritten();
    p.Seeking = FEngine->Seeking();
    return p;
}

void TMP3Out::FinishRun() {
    if (RunFailed() || RunAborted()) {
        Discard();
        return;
    }
    if (!FEngine) // finished already
        return;
    FResults = FEngine->Results();
    FAlbum = FEngine->AlbumLoudness();
    Discard();
}

void TMP3Out::EndReading() noexcept {
    if (!FReading)
        return;
    FReading = false;
    try {
        if (TAudioInput* input = Input())
            input->EndRead();
    } catch (...) {
        // The run is over; the input's own failure adds nothing.
    }
}

void TMP3Out::Discard() noexcept {
    // The engine's pool stops before the encoder library or the input can go.
    std::unique_ptr<TRipExecutor> engine;
    {
        std::lock_guard lock(FEngineLock);
        if (FEngine) {
            FFailedJob = FEngine->FailedJob();
            FLastProgress.DoneFrames = FEngine->DoneFrames();
            FLastProgress.TotalFrames = FEngine->TotalFrames();
            FLastProgress.JobsWritten = FEngine->JobsWritten();
        }
        engine = std::move(FEngine);
    }
    engine.reset();
    EndReading();
}
