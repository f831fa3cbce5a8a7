#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// Where a count of a stream's packets from the start of its file stood, now and then: the
// file position of a packet, the samples before it and (LPCM) the payload bytes before it.
// A seek that has to count packets (TFileAudioStream, where timestamps cannot place them)
// goes on from the last place before its target that any reader of the same stream found,
// so the parts of a rip that each seek into one file count every packet once, not once per
// part. Readers of one stream share one index (For), kept while the process runs for the
// few streams read last.
//
// Threads: any; Count holds the index while one reader counts, so that a second reader
// waits and then starts where the first stopped rather than counting the same packets.
class TPacketCountIndex {
public:
    struct TPlace {
        int64_t Pos = -1;    // file position of the packet
        int64_t Counted = 0; // source samples before it, on the stream's own numbering
        int64_t Bytes = 0;   // LPCM payload bytes before it
    };

    // The index of one stream of one file as it is now (Key names the file, its size and
    // time, the stream and where its numbering starts).
    static std::shared_ptr<TPacketCountIndex> For(const QString& Key);

    // Held while counting: one reader at a time.
    std::unique_lock<std::mutex> Count() { return std::unique_lock(FCounting); }
    // The last place whose packet starts at or before sample Before; false when none does.
    bool Find(int64_t Before, TPlace& Out) const;
    // Places found by a count, in order.
    void Add(const std::vector<TPlace>& Places);
    // The container's timestamps cannot place this stream's packets after a seek: every
    // reader counts at once instead of trying them first.
    void SetDoubtful() { FDoubtful = true; }
    bool Doubtful() const { return FDoubtful; }

    // How far apart in samples the places are kept.
    static int64_t Spacing(int SampleRate) { return SampleRate; }

private:
    mutable std::mutex FLock;
    std::mutex FCounting;
    std::vector<TPlace> FPlaces; // by Counted
    std::atomic<bool> FDoubtful{false};
};
