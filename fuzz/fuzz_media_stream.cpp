// Feeds arbitrary bytes to the media audio stream as a file: open, read, seek, read again.
// Whatever the bytes, every call answers a result code, reads stay whole frames and
// numbered in order, and nothing crashes or spins. Seed it with cut-down fixtures
// (build/fixtures/*) in build-fuzz/corpus/media_stream/.
#include "media/media_audio_stream.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QFile>

#include <cstdlib>
#include <unistd.h>

namespace {

// Reads at most `limit` frames; checks what every Read promises.
void ReadChecked(TMediaAudioStream& stream, int64_t limit) {
    static uint8_t buffer[16384];
    const int align = stream.Format().BlockAlign();
    if (align <= 0)
        std::abort();
    int64_t next = stream.NextSample();
    int64_t total = 0;
    while (total < limit) {
        TMediaReadInfo info;
        media::TMediaResult result = stream.Read(buffer, sizeof buffer, info);
        if (result != media::S_OK) {
            if (result != media::MS_S_ENDOFSTREAM && !media::Failed(result))
                std::abort();
            return;
        }
        if (info.frames <= 0 || info.bytes != uint32_t(info.frames * align) ||
            info.bytes > sizeof buffer || info.firstSample != next || info.endTime < info.startTime)
            std::abort();
        next = info.firstSample + info.frames;
        total += info.frames;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString path = QStringLiteral("/dev/shm/sonavel-fuzz-media-%1.mpg").arg(getpid());
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    static bool quiet = (av_log_set_level(AV_LOG_QUIET), true);
    (void)quiet;
    const std::unique_ptr<TMediaAudioStream> stream = MakeAudioStream(path);
    // Half the inputs also go through the resampler and remixer.
    if (size > 0 && (data[size / 2] & 1))
        stream->SetOutputFormat({44100, 2, 16});
    if (stream->Open() == media::S_OK) {
        const TPcmFormat& format = stream->Format();
        if (format.sampleRate <= 0 || (format.channels != 1 && format.channels != 2) ||
            (format.bitsPerSample != 8 && format.bitsPerSample != 16))
            std::abort();
        ReadChecked(*stream, 200000);
        // Two seeks chosen by the input's last bytes.
        const int64_t a = size > 2 ? data[size - 1] * 997 : 0;
        const int64_t b = size > 2 ? data[size - 2] * 4999 : 0;
        for (int64_t target : {a, b}) {
            media::TMediaResult result = stream->SeekSample(target);
            if (result == media::S_OK)
                ReadChecked(*stream, 20000);
            else if (!media::Failed(result))
                std::abort();
        }
    }
    QFile::remove(path);
    return 0;
}
