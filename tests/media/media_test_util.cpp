#include "media_test_util.h"

TDecodedRun ReadAll(TMediaAudioStream& stream, uint32_t chunk, int64_t maxFrames) {
    TDecodedRun run;
    std::vector<uint8_t> buffer(chunk);
    const int align = stream.Format().BlockAlign();
    int64_t expected = -1;
    bool first = true;
    while (align > 0 && int64_t(run.bytes.size()) / align < maxFrames) {
        TMediaReadInfo info;
        run.result = stream.Read(buffer.data(), chunk, info);
        if (run.result != media::S_OK)
            break;
        if (first)
            run.firstSample = info.firstSample;
        else if (info.firstSample != expected)
            run.continuous = false;
        first = false;
        expected = info.firstSample + info.frames;
        run.bytes.insert(run.bytes.end(), buffer.begin(), buffer.begin() + info.bytes);
    }
    return run;
}

std::vector<int16_t> AsS16(const TDecodedRun& run, int bitsPerSample) {
    std::vector<int16_t> out;
    if (bitsPerSample == 8) {
        for (uint8_t b : run.bytes)
            out.push_back(int16_t((int(b) - 128) * 256));
    } else {
        out.resize(run.bytes.size() / 2);
        for (size_t i = 0; i < out.size(); ++i)
            out[i] = int16_t(run.bytes[2 * i] | (run.bytes[2 * i + 1] << 8));
    }
    return out;
}
