#include "ui/main/range_model.h"

#include <algorithm>

void TRangeModel::Reset(int64_t durationMs) {
    FDurationMs = durationMs;
    FStartMs = 0;
    FEndMs = durationMs;
    FActive = TMarker::Both;
    ClearExact();
}

bool TRangeModel::Allows(TMarker marker, int64_t ms, int64_t gapMs) const {
    if (marker == TMarker::Start)
        return ms >= 0 && ms <= FEndMs - gapMs;
    return ms >= FStartMs + gapMs && ms <= FDurationMs;
}

void TRangeModel::Set(TMarker marker, int64_t ms) {
    (marker == TMarker::End ? FEndMs : FStartMs) = ms;
}

void TRangeModel::SetExact(TMediaTime start, TMediaTime end) {
    MarkExact(start, end);
    FStartMs = start.ToMs();
    FEndMs = std::min<int64_t>(end.ToMs(), FDurationMs);
}

void TRangeModel::MarkExact(TMediaTime start, TMediaTime end) {
    FExactStart = start;
    FExactEnd = end;
}

void TRangeModel::ClearExact() {
    FExactStart.reset();
    FExactEnd.reset();
}

TMediaTime TRangeModel::RunStart() const {
    return FExactStart && FExactStart->ToMs() == FStartMs ? *FExactStart
                                                          : TMediaTime::FromMs(FStartMs);
}

TMediaTime TRangeModel::RunEnd() const {
    return FExactEnd && FExactEnd->ToMs() == FEndMs ? *FExactEnd : TMediaTime::FromMs(FEndMs);
}
