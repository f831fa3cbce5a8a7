#include "audio/rip/flac_signature.h"

#include <chrono>

void TFlacSignature::AddIfDue(int Index, std::vector<uint8_t>& Pcm) {
    std::lock_guard lock(FLock);
    if (FBroken || FNext != Index)
        return;
    FMd5.addData(QByteArrayView(Pcm.data(), qsizetype(Pcm.size())));
    Pcm.clear();
}

bool TFlacSignature::Finish(int Index, const std::vector<uint8_t>& Pcm,
                            const std::atomic<bool>& Stop) {
    std::unique_lock lock(FLock);
    // The stop request is the executor's, not signalled here: it is looked at now and then.
    while (!FBroken && FNext != Index && !Stop)
        FTurn.wait_for(lock, std::chrono::milliseconds(20));
    if (FBroken || FNext != Index)
        return false;
    FMd5.addData(QByteArrayView(Pcm.data(), qsizetype(Pcm.size())));
    ++FNext;
    FTurn.notify_all();
    return true;
}

void TFlacSignature::GiveUp(int Index) {
    std::lock_guard lock(FLock);
    if (FNext <= Index)
        FBroken = true;
    FTurn.notify_all();
}

QByteArray TFlacSignature::Result() {
    std::lock_guard lock(FLock);
    return FMd5.result();
}
