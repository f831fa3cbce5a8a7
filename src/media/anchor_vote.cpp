#include "media/anchor_vote.h"

#include <algorithm>
#include <functional>

TAnchor VoteAnchor(const TAnchorVotes& votes, const TAnchorContext& context) {
    const std::vector<int64_t>& ballot = votes.stamped.empty() ? votes.interpolated : votes.stamped;
    TAnchor anchor;
    anchor.guessed = ballot.empty() && !context.forced;
    anchor.doubtful =
        context.lpcm && context.origin && !context.forced &&
        (context.lpcmUntrusted || ballot.size() < 2 ||
         std::adjacent_find(ballot.begin(), ballot.end(), std::not_equal_to<>()) != ballot.end());
    if (context.forced) {
        anchor.sample = *context.forced;
    } else if (anchor.guessed) {
        anchor.sample = context.origin.value_or(0);
    } else if (context.lpcm && !context.origin) {
        anchor.sample = ballot.front();
    } else {
        anchor.sample = ballot.back();
        size_t best = 1;
        for (const int64_t vote : ballot) {
            const size_t n = size_t(std::count(ballot.begin(), ballot.end(), vote));
            if (n > best) {
                best = n;
                anchor.sample = vote;
            }
        }
    }
    return anchor;
}
