#include "ui/main/range_model.h"

#include <algorithm>

namespace {

constexpr int64_t kTicksPerMs = 10000;

int64_t Ms(int64_t time) {
    return time / kTicksPerMs;
}

} // namespace

void TRangeModel::Reset(int64_t durationMs) {
    FDurationMs = durationMs;
    FStartMs = 0;
    FEndMs = durationMs;
    FActive = TMarker::Both;
    FExactStart = FExactEnd = -1;
}

bool TRangeModel::Allows(TMarker marker, int64_t ms, int64_t gapMs) const {
    if (marker == TMarker::Start)
        return ms >= 0 && ms <= FEndMs - gapMs;
    return ms >= FStartMs + gapMs && ms <= FDurationMs;
}

void TRangeModel::Set(TMarker marker, int64_t ms) {
    (marker == TMarker::End ? FEndMs : FStartMs) = ms;
}

void TRangeModel::SetExact(int64_t start, int64_t end) {
    MarkExact(start, end);
    FStartMs = Ms(start);
    FEndMs = std::min<int64_t>(Ms(end), FDurationMs);
}

void TRangeModel::MarkExact(int64_t start, int64_t end) {
    FExactStart = start;
    FExactEnd = end;
}

int64_t TRangeModel::RunStart() const {
    return FExactStart >= 0 && Ms(FExactStart) == FStartMs ? FExactStart : FStartMs * kTicksPerMs;
}

int64_t TRangeModel::RunEnd() const {
    return FExactEnd >= 0 && Ms(FExactEnd) == FEndMs ? FExactEnd : FEndMs * kTicksPerMs;
}
