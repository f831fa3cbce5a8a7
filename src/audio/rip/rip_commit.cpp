#include "audio/rip/rip_commit.h"

#include "audio/rip/rip_encoder.h"

TRipCommit::TRipCommit(size_t Jobs, bool ReplayGain)
    : FReplayGain(ReplayGain), FMeters(Jobs), FFinished(Jobs, false) {}

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
    }
    for (size_t i = 0; i < FWaiting.size(); ++i) {
        auto& [job, stream] = FWaiting[i];
        try {
            if (FAlbum.Measured)
                stream->SetAlbumGain(FAlbum);
            stream->Commit();
        } catch (...) {
            FFailedJob = int(job);
            FWritten -= int(FWaiting.size() - i);
            for (size_t k = i; k < FWaiting.size(); ++k)
                FWaiting[k].second->Discard();
            FWaiting.clear();
            throw;
        }
    }
    FWaiting.clear();
}
