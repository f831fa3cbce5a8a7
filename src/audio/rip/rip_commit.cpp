#include "audio/rip/rip_commit.h"

#include "audio/rip/rip_encoder.h"

#include <algorithm>

TRipCommit::TRipCommit(size_t Jobs, bool ReplayGain)
    : FReplayGain(ReplayGain), FMeters(Jobs), FFinished(Jobs, false), FPeaks(Jobs, 0) {}

TRipCommit::~TRipCommit() = default;

void TRipCommit::AddMeter(size_t Job, std::unique_ptr<TLoudnessMeter> Meter) {
    if (!FFinished[Job])
        FMeters[Job].push_back(std::move(Meter));
}

void TRipCommit::ForgetMeters(size_t Job) {
    if (!FFinished[Job])
        FMeters[Job].clear();
}

TLoudness TRipCommit::Finish(size_t Job, std::unique_ptr<TRipJobWriter> Stream) {
    TLoudness loudness;
    if (FReplayGain) {
        std::vector<const TLoudnessMeter*> meters;
        for (const auto& meter : FMeters[Job])
            meters.push_back(meter.get());
        loudness = TLoudnessMeter::Combine(meters);
        if (Stream->DecodedPeak() >= 0)
            loudness.Peak = Stream->DecodedPeak();
        FPeaks[Job] = loudness.Peak;
        Stream->SetTrackGain(loudness);
    }
    FWaiting.emplace_back(Job, std::move(Stream));
    FFinished[Job] = true;
    ++FWritten;
    return loudness;
}

void TRipCommit::Commit(bool ListDone) {
    if (ListDone && FReplayGain && FMeters.size() > 1) {
        std::vector<const TLoudnessMeter*> meters;
        for (const auto& job : FMeters)
            for (const auto& meter : job)
                meters.push_back(meter.get());
        FAlbum = TLoudnessMeter::Combine(meters);
        FAlbum.Peak = *std::max_element(FPeaks.begin(), FPeaks.end());
    }
    for (size_t i = 0; i < FWaiting.size(); ++i) {
        auto& [job, stream] = FWaiting[i];
        try {
            if (FAlbum.Measured)
                stream->SetAlbumGain(FAlbum);
            stream->Commit();
        } catch (...) {
            FFailedJob = int(job);
            // The list is not whole after all: the files already in place keep their own
            // values only (album values stand for a whole list).
            if (FAlbum.Measured)
                for (size_t k = 0; k < i; ++k) {
                    try {
                        FWaiting[k].second->ForgetAlbumGain();
                        FWaiting[k].second->RewriteTag();
                    } catch (...) {
                        // The list's failure is what is told; this file keeps what it has.
                    }
                }
            FAlbum = TLoudness();
            FWritten -= int(FWaiting.size() - i);
            for (size_t k = i; k < FWaiting.size(); ++k)
                FWaiting[k].second->Discard();
            FWaiting.clear();
            throw;
        }
    }
    FWaiting.clear();
}
