#include "audio/mp3_out.h"

#include "audio/audio_exception.h"
#include "audio/audio_input.h"
#include "audio/lame.h"
#include "audio/mp3_parallel_encoder.h"
#include "platform/text_cut.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

QString SystemText(int Error) {
    return QString::fromLocal8Bit(std::strerror(Error));
}

} // namespace

int BitRateKbps(TMP3BitRate Value) {
    if (unsigned(Value) > unsigned(br320))
        throw EAudioException(QStringLiteral("Invalid MP3 bit rate (%1).").arg(int(Value)));
    return MP3BitRates[Value];
}

int SampleRateHz(TMP3SampleRate Value) {
    static const int hz[] = {0, 32000, 44100, 48000};
    if (unsigned(Value) > unsigned(sr48kHz))
        throw EAudioException(QStringLiteral("Invalid MP3 sample rate (%1).").arg(int(Value)));
    return hz[Value];
}

TMP3Out::TMP3Out(QObject* AOwner) : TAudioFileOut(AOwner), FEncoder(PcmBlockSamples) {
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

void TMP3Out::PrepareRun() {
    if (!StreamAssigned && FileName.isEmpty())
        throw EAudioException(QStringLiteral("File name is not assigned."));
    try {
        if (!StreamAssigned)
            OpenTarget();
        TAudioInput* input = Input();
        input->BeginRead();
        FReading = true;
        NoteInputFormat();
        const int rate = input->GetSampleRate();
        const int channels = InputChannels(), bits = InputBitsPerSample();
        if (channels < 1 || channels > 2 ||
            (bits != 8 && bits != 16 && bits != TAudioInput::FloatBits) || rate <= 0)
            throw EAudioException(
                QStringLiteral("The input's audio format is not supported (%1 channels, %2 bits "
                               "per sample, %3 Hz).")
                    .arg(channels)
                    .arg(bits)
                    .arg(rate));
        ConfigureEncoder(rate);
        StartParallel(rate);
    } catch (...) {
        Discard();
        throw;
    }
}

void TMP3Out::OpenTarget() {
    QFileInfo target(FileName);
    // A link is written through, as opening it by name would: its file is replaced.
    if (target.isSymLink() && target.exists())
        target = QFileInfo(target.canonicalFilePath());
    FTargetName = target.absoluteFilePath();
    const QByteArray targetPath = QFile::encodeName(FTargetName);
    auto cannotCreate = [this](int error) {
        return EAudioException(
            QStringLiteral("Cannot create file \"%1\". %2").arg(FTargetName, SystemText(error)));
    };
    // The file is written anew: refuse what creating it by name would refuse.
    struct stat st;
    mode_t mode = 0644; // mkstemp makes 0600; a new file is readable by all like any other
    if (::stat(targetPath.constData(), &st) == 0) {
        mode = st.st_mode & 07777; // a replaced file keeps its rights
        if (S_ISDIR(st.st_mode))
            throw cannotCreate(EISDIR);
        if (::access(targetPath.constData(), W_OK) != 0)
            throw cannotCreate(errno);
    }
    // A short name of its own, whatever the length of the target's: in the target's
    // folder, so the final rename stays on one file system, and telling what it is to
    // whoever finds one left by a run that was killed.
    QByteArray pattern =
        QFile::encodeName(target.absolutePath() + QStringLiteral("/.sonavel-XXXXXX.part"));
    const int fd = ::mkstemps(pattern.data(), 5);
    if (fd < 0)
        throw cannotCreate(errno);
    FTempName = QFile::decodeName(pattern);
    FFile.Fd = fd;
    ::fchmod(fd, mode);
}

void TMP3Out::ConfigureEncoder(int InputSampleRate) {
    if (unsigned(Mode) > unsigned(TMP3Mode::MONO) || unsigned(Quality) > unsigned(ql9) ||
        unsigned(VBRQuality) > unsigned(ql9))
        throw EAudioException(QStringLiteral("Invalid MP3 channel mode or quality."));
    TMp3EncoderSettings settings;
    settings.InputSampleRate = InputSampleRate;
    settings.OutputSampleRate = SampleRateHz(SampleRate);
    settings.Mode = int(Mode);
    settings.Copyright = Copyright;
    settings.Original = Original;
    settings.CRC = CRC;
    settings.EnableVBR = EnableVBR;
    if (EnableVBR) {
        settings.VBRMode2 = WriteVBRHeader;
        settings.VBRQuality = int(VBRQuality);
        if (VBRMaxBitrate < VBRMinBitrate)
            std::swap(VBRMinBitrate, VBRMaxBitrate);
        settings.VBRMinBitrate = VBRMinBitrate;
        settings.VBRMaxBitrate = VBRMaxBitrate;
    } else {
        settings.BitRate = BitRateKbps(BitRate);
        settings.Quality = int(Quality);
    }
    // Every text is cut to whole characters here, whoever set it.
    settings.Title = LeftCodePoints(Id3TagTitle, kTagTextMax);
    settings.Artist = LeftCodePoints(Id3TagArtist, kTagTextMax);
    settings.Album = LeftCodePoints(Id3TagAlbum, kTagTextMax);
    settings.Year = LeftCodePoints(Id3TagYear, kTagTextMax);
    settings.Track = LeftCodePoints(Id3TagTrack, kTagTextMax);
    settings.Comment = LeftCodePoints(Id3TagComment, kTagTextMax);
    settings.Genre = LeftCodePoints(Id3TagGenre, kTagTextMax);
    FEncoder.Open(settings);
    FRunSettings = settings;
}

bool TMP3Out::WriteStep(bool Abort) {
    if (!CanOutput)
        return true;
    if (FParallel)
        return ParallelStep(Abort);
    if (Abort)
        return false;
    unsigned char* block = FPcm.data();
    int got, channels, bits;
    {
        TInputLockGuard lock(InputLock);
        TAudioInput* input = Input();
        if (!input)
            throw EAudioException(QStringLiteral("Input is not assigned"));
        channels = InputChannels();
        bits = InputBitsPerSample();
        // A step takes the same number of samples whatever their width; 8-bit ones are
        // read into the upper half and widened in place.
        got = bits == 8 ? input->ReadData(block + PcmBlockSamples, PcmBlockSamples)
                        : input->ReadData(block, PcmBlockSamples * (bits / 8));
    }
    if (got < 0)
        throw EAudioException(QStringLiteral("The audio input failed to deliver data."));
    if (got == 0)
        return false;
    int bytes = got;
    if (bits == 8) {
        const unsigned char* src = block + PcmBlockSamples;
        auto* wide = reinterpret_cast<int16_t*>(block);
        for (int i = 0; i < got; ++i)
            wide[i] = int16_t((int(src[i]) - 128) * 256);
        bytes = got * 2;
        bits = 16;
    }
    const int frames = bytes / (channels * (bits / 8));
    const int count = FEncoder.Encode(block, frames, channels, bits);
    Write(FEncoder.Data(), count);
    return true;
}

QString TMP3Out::OutputName() const {
    return StreamAssigned ? FileName : FTargetName;
}

QString TMP3Out::WriteErrorText(int Error) const {
    return QStringLiteral("Cannot write file \"%1\". %2")
        .arg(OutputName(),
             Error ? SystemText(Error) : (Stream ? Stream->errorString() : QString()));
}

void TMP3Out::Write(const unsigned char* Data, int Count) {
    if (Count <= 0)
        return;
    if (FFile.Fd < 0) {
        if (!Stream || Stream->write(reinterpret_cast<const char*>(Data), Count) != Count)
            throw EAudioException(WriteErrorText(0));
        return;
    }
    while (Count > 0) {
        const ssize_t n = ::write(FFile.Fd, Data, size_t(Count));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw EAudioException(WriteErrorText(n < 0 ? errno : ENOSPC));
        Data += n;
        Count -= int(n);
    }
}

bool TMP3Out::ReadAt(int64_t Offset, unsigned char* Data, int Count) {
    if (FFile.Fd >= 0)
        return ::pread(FFile.Fd, Data, size_t(Count), off_t(Offset)) == Count;
    return Stream->seek(Offset) && Stream->read(reinterpret_cast<char*>(Data), Count) == Count;
}

bool TMP3Out::WriteAt(int64_t Offset, const unsigned char* Data, int Count) {
    if (FFile.Fd >= 0)
        return ::pwrite(FFile.Fd, Data, size_t(Count), off_t(Offset)) == Count;
    const qint64 end = Stream->pos();
    const bool ok =
        Stream->seek(Offset) && Stream->write(reinterpret_cast<const char*>(Data), Count) == Count;
    Stream->seek(end);
    return ok;
}

int TMP3Out::TFileHandle::Close() noexcept {
    if (Fd < 0)
        return 0;
    const int rc = ::close(Fd);
    Fd = -1;
    return rc;
}

void TMP3Out::FinishRun() {
    if (RunFailed() || RunAborted()) {
        Discard();
        return;
    }
    if (!FEncoder.IsOpen()) // finished already
        return;
    if (!FParallelDone) {
        const int count = FEncoder.Flush();
        Write(FEncoder.Data(), count);
        if (FEncoder.WritesInfoTag())
            WriteInfoTag();
    }
    FEncoder.Close();
    if (!StreamAssigned)
        Commit();
    if (FReading) {
        FReading = false;
        if (TAudioInput* input = Input())
            input->EndRead();
    }
}

void TMP3Out::WriteInfoTag() {
    // The encoder reserved the first frame of the stream, right after the ID3v2 tag, for
    // this frame; now it knows the frame count, the delay and the padding.
    unsigned char frame[4096];
    const size_t size = FEncoder.InfoTagFrame(frame, sizeof frame);
    if (size == 0 || (FFile.Fd < 0 && (!Stream || Stream->isSequential())))
        return;
    auto fail = [this](const QString& Why) {
        return EAudioException(QStringLiteral("Cannot write the information tag of \"%1\". %2")
                                   .arg(OutputName(), Why));
    };
    if (size > sizeof frame)
        throw fail(QStringLiteral("The tag frame is too large."));
    unsigned char head[10] = {};
    if (!ReadAt(0, head, 10))
        throw fail(QStringLiteral("The file is too short."));
    int64_t at = 0;
    if (std::memcmp(head, "ID3", 3) == 0) {
        at = 10 + (int64_t(head[6] & 0x7f) << 21 | int64_t(head[7] & 0x7f) << 14 |
                   int64_t(head[8] & 0x7f) << 7 | int64_t(head[9] & 0x7f));
        if (head[5] & 0x10) // footer present
            at += 10;
    }
    unsigned char reserved[4] = {};
    if (!ReadAt(at, reserved, 4) || reserved[0] != 0xff || (reserved[1] & 0xe0) != 0xe0)
        throw fail(QStringLiteral("The reserved frame was not found."));
    if (!WriteAt(at, frame, int(size)))
        throw EAudioException(WriteErrorText(errno));
}

void TMP3Out::Commit() {
    if (::fsync(FFile.Fd) != 0 || FFile.Close() != 0)
        throw EAudioException(WriteErrorText(errno));
    if (::rename(QFile::encodeName(FTempName).constData(),
                 QFile::encodeName(FTargetName).constData()) != 0)
        throw EAudioException(
            QStringLiteral("Cannot create file \"%1\". %2").arg(FTargetName, SystemText(errno)));
    FTempName.clear();
}

void TMP3Out::Discard() noexcept {
    // The pool stops before the encoder library or the input can go.
    FParallel.reset();
    FEncoder.Close();
    FFile.Close();
    if (!FTempName.isEmpty()) {
        ::unlink(QFile::encodeName(FTempName).constData());
        FTempName.clear();
    }
    if (FReading) {
        FReading = false;
        try {
            if (TAudioInput* input = Input())
                input->EndRead();
        } catch (...) {
            // The run is being given up; the input's own failure adds nothing.
        }
    }
}
