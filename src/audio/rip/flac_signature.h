#pragma once

#include <QByteArray>
#include <QCryptographicHash>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

// The MD5 of a FLAC run's samples (STREAMINFO's signature), made by its segments in order: an
// MD5 cannot be put together from parts, so each segment adds its samples once every segment
// before it has added its own. A segment that is due adds them as they come; one whose turn
// has not come keeps them until it has.
//
// Threads: the pool's threads of one run at once (a lock of its own).
class TFlacSignature {
public:
    // Adds Pcm (the bytes FLAC signs: little-endian samples, interleaved) and clears it when
    // segment Index is due; else leaves it to be added later.
    void AddIfDue(int Index, std::vector<uint8_t>& Pcm);
    // Segment Index's last samples: waits for its turn, adds them and lets the next segment
    // go on. False, with nothing added, when a segment before it gave up or Stop is set (the
    // run does not end well then).
    bool Finish(int Index, const std::vector<uint8_t>& Pcm, const std::atomic<bool>& Stop);
    // Segment Index ends without its samples (it failed or was stopped): the ones after it
    // stop waiting.
    void GiveUp(int Index);
    // After the last segment's Finish: the 16 bytes.
    QByteArray Result();

private:
    std::mutex FLock;
    std::condition_variable FTurn;
    int FNext = 0; // the segment whose samples come next
    bool FBroken = false;
    QCryptographicHash FMd5{QCryptographicHash::Md5};
};
