#include "media/packet_count_index.h"

#include <algorithm>
#include <deque>
#include <utility>

namespace {

// Streams whose indexes are kept: those of the rips and previews of the last while.
constexpr size_t kKeptIndexes = 8;

} // namespace

std::shared_ptr<TPacketCountIndex> TPacketCountIndex::For(const QString& Key) {
    static std::mutex lock;
    static std::deque<std::pair<QString, std::shared_ptr<TPacketCountIndex>>> kept;
    std::lock_guard guard(lock);
    const auto found =
        std::find_if(kept.begin(), kept.end(), [&](const auto& e) { return e.first == Key; });
    std::shared_ptr<TPacketCountIndex> index;
    if (found != kept.end()) {
        index = found->second;
        kept.erase(found);
    } else {
        index = std::make_shared<TPacketCountIndex>();
    }
    kept.emplace_front(Key, index);
    if (kept.size() > kKeptIndexes)
        kept.pop_back();
    return index;
}

bool TPacketCountIndex::Find(int64_t Before, TPlace& Out) const {
    std::lock_guard guard(FLock);
    const auto after = std::upper_bound(FPlaces.begin(), FPlaces.end(), Before,
                                        [](int64_t v, const TPlace& p) { return v < p.Counted; });
    if (after == FPlaces.begin())
        return false;
    Out = *std::prev(after);
    return true;
}

void TPacketCountIndex::Add(const std::vector<TPlace>& Places) {
    std::lock_guard guard(FLock);
    for (const TPlace& place : Places) {
        const auto at = std::lower_bound(FPlaces.begin(), FPlaces.end(), place.Counted,
                                         [](const TPlace& p, int64_t v) { return p.Counted < v; });
        if (at == FPlaces.end() || at->Counted != place.Counted)
            FPlaces.insert(at, place);
    }
}
