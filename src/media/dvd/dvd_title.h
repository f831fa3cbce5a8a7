#pragma once

// A DVD title as its IFO files describe it: the cells it plays in order (of a block of
// camera angles, the chosen angle's), where its chapters begin and the audio streams it
// offers. Plain values, any thread.
//
// Times are 90 kHz ticks (the MPEG system clock); sectors count 2048-byte blocks in the
// title set's VOB space (VTS_nn_1.VOB onwards, read as one).

#include <QString>

#include <cstdint>
#include <vector>

struct TDvdAudioStream {
    int number = 0; // 1-based, as the disc numbers it (a player's audio button): --audio-track
    bool available = true; // false: the title's program chain marks it unavailable
    int streamId = 0;      // its MPEG id as FFmpeg's demuxer reports it (AVStream::id)
    QString codec;         // FFmpeg's codec name: "ac3", "dts", "pcm_dvd", "mp2"
    QString language;      // ISO 639-2 ("fra"), empty when the disc records none
    int channels = 0;
    int sampleRate = 0;
};

struct TDvdCell {
    uint32_t firstSector = 0;
    uint32_t lastSector = 0;
    int64_t duration = 0; // the cell's playback time
    int vobId = 0;
    // The last sector of the cells of its VOB ID that follow it on the disc (lastSector when
    // none do): a title may end inside a VOB ID, and the sound of its last pictures is muxed
    // after its last cell's sectors.
    uint32_t vobLastSector = 0;
    // The cell's timestamps do not continue the previous cell's (another VOB, a marked
    // discontinuity, or sectors that do not follow on), so the decoders start afresh.
    bool restart = false;
    // An angle of an interleaved block: its sectors alternate with the other angles' in
    // interleaved units, and only its navigation packs tell which are its own.
    bool interleaved = false;
};

struct TDvdTitle {
    int number = 0;   // 1-based on the disc
    int titleSet = 0; // VTS number: VTS_nn_*.VOB
    int angles = 1;   // camera angles the title offers
    int angle = 1;    // the one whose cells `cells` holds
    std::vector<TDvdCell> cells;
    std::vector<int> chapterCells; // index into cells of each chapter's first cell
    std::vector<TDvdAudioStream> audio;

    // Sum of the cells' playback times: the title's length as the disc gives it.
    int64_t Duration() const {
        int64_t total = 0;
        for (const TDvdCell& cell : cells)
            total += cell.duration;
        return total;
    }
    int Chapters() const { return int(chapterCells.size()); }
};
