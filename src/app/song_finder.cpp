#include "app/song_finder.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QCoreApplication>

namespace {

constexpr double kShortTermSeconds = 3.0;
constexpr double kFloorDb = -200.0; // digital silence, kept finite for the median
// The cut's level is judged over a quarter of a second, so one quiet bucket in hum does
// not pull the cut to the pause's edge.
constexpr double kCutWindowSeconds = 0.25;
// Points this close to the quietest count as quiet as it: the cut goes to the one nearest
// the pause's middle, away from both fades.
constexpr double kCutToleranceDb = 3.0;

double PowerDb(double meanSquare) {
    return meanSquare > 0 ? std::max(kFloorDb, 10.0 * std::log10(meanSquare)) : kFloorDb;
}

QString MsTimeText(TMediaTime time) {
    const int64_t ms = time.ToMs();
    return QStringLiteral("%1:%2:%3.%4")
        .arg(ms / 3'600'000)
        .arg(ms / 60'000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

} // namespace

TSongProposal FindSongs(const TEnvelopeData& Data, TMediaTime Duration,
                        const TSongFinderOptions& Options) {
    TSongProposal proposal;
    const size_t n = Data.buckets.size();
    const double bucket = Data.bucketSeconds;
    if (n == 0 || !(bucket > 0))
        return proposal;
    const TMediaTime soundEnd =
        Duration > TMediaTime() ? Duration : TMediaTime::FromSeconds(double(n) * bucket);

    // Energy sums, so every window's mean is two lookups.
    std::vector<double> sum(n + 1, 0.0);
    for (size_t k = 0; k < n; ++k)
        sum[k + 1] = sum[k] + double(Data.buckets[k].rms) * Data.buckets[k].rms;
    auto meanSquare = [&](size_t from, size_t to) {
        return to > from ? (sum[to] - sum[from]) / double(to - from) : 0.0;
    };

    const size_t window = std::clamp<size_t>(size_t(std::lround(kShortTermSeconds / bucket)), 1, n);
    std::vector<double> shortTerm;
    shortTerm.reserve(n - window + 1);
    for (size_t k = 0; k + window <= n; ++k)
        shortTerm.push_back(PowerDb(meanSquare(k, k + window)));
    std::nth_element(shortTerm.begin(), shortTerm.begin() + ptrdiff_t(shortTerm.size() / 2),
                     shortTerm.end());
    proposal.MedianDb = shortTerm[shortTerm.size() / 2];
    proposal.ThresholdDb = proposal.MedianDb - Options.PauseDb;
    if (proposal.MedianDb <= kFloorDb)
        proposal.ThresholdDb = kFloorDb; // all but silent: nothing is quieter than the rest

    auto quiet = [&](size_t k) {
        return PowerDb(double(Data.buckets[k].rms) * Data.buckets[k].rms) < proposal.ThresholdDb;
    };
    const size_t minPause =
        size_t(std::max(1.0, std::ceil(Options.MinPauseSeconds / bucket - 1e-9)));
    const size_t half = size_t(std::max(0.0, std::round(kCutWindowSeconds / bucket / 2)));
    for (size_t k = 0; k < n;) {
        if (!quiet(k)) {
            ++k;
            continue;
        }
        size_t end = k;
        while (end < n && quiet(end))
            ++end;
        // Lead-in and run-out belong to the first and the last track.
        if (end - k >= minPause && k > 0 && end < n) {
            TSoundPause pause;
            pause.Start = TMediaTime::FromSeconds(double(k) * bucket);
            pause.End = std::min(soundEnd, TMediaTime::FromSeconds(double(end) * bucket));
            double quietest = std::numeric_limits<double>::infinity();
            std::vector<double> level(end - k);
            for (size_t b = k; b < end; ++b) {
                const size_t from = std::max(k, b >= half ? b - half : 0);
                const size_t to = std::min(end, b + half + 1);
                level[b - k] = PowerDb(meanSquare(from, to));
                quietest = std::min(quietest, level[b - k]);
            }
            const double middle = double(k + end) / 2;
            double best = 0, bestDistance = std::numeric_limits<double>::infinity();
            for (size_t b = k; b < end; ++b) {
                const double centre = double(b) + 0.5;
                if (level[b - k] <= quietest + kCutToleranceDb &&
                    std::abs(centre - middle) < bestDistance) {
                    bestDistance = std::abs(centre - middle);
                    best = centre;
                }
            }
            pause.Cut = TMediaTime::FromMs(TMediaTime::FromSeconds(best * bucket).ToMs());
            const TMediaTime unit = TMediaTime::FromUnits(1);
            pause.Cut = std::clamp(pause.Cut, pause.Start + unit, pause.End - unit);
            pause.Used = pause.Cut > TMediaTime() && pause.Cut < soundEnd;
            proposal.Pauses.push_back(pause);
        }
        k = end;
    }

    // Short tracks: the weaker of the pauses around the shortest goes, until none is short.
    const TMediaTime minTrack = TMediaTime::FromSeconds(Options.MinTrackSeconds);
    auto length = [](const TSoundPause& p) { return p.End - p.Start; };
    for (;;) {
        std::vector<size_t> used;
        for (size_t p = 0; p < proposal.Pauses.size(); ++p)
            if (proposal.Pauses[p].Used)
                used.push_back(p);
        if (used.empty())
            break;
        size_t shortest = 0;
        TMediaTime shortestLength = TMediaTime::FromUnits(std::numeric_limits<int64_t>::max());
        for (size_t t = 0; t <= used.size(); ++t) {
            const TMediaTime from = t == 0 ? TMediaTime() : proposal.Pauses[used[t - 1]].Cut;
            const TMediaTime to = t == used.size() ? soundEnd : proposal.Pauses[used[t]].Cut;
            if (to - from < shortestLength) {
                shortestLength = to - from;
                shortest = t;
            }
        }
        if (shortestLength >= minTrack)
            break;
        size_t drop = 0;
        if (shortest == 0)
            drop = used.front();
        else if (shortest == used.size())
            drop = used.back();
        else
            drop = length(proposal.Pauses[used[shortest - 1]]) <=
                           length(proposal.Pauses[used[shortest]])
                       ? used[shortest - 1]
                       : used[shortest];
        proposal.Pauses[drop].Used = false;
    }

    TTrackEntry track;
    for (const TSoundPause& pause : proposal.Pauses) {
        if (!pause.Used)
            continue;
        track.End = pause.Cut;
        proposal.Tracks.Tracks.push_back(track);
        track.Start = pause.Cut;
    }
    track.End = soundEnd;
    proposal.Tracks.Tracks.push_back(track);
    return proposal;
}

QString SongListText(const TSongProposal& Proposal, const QString& Header) {
    QString text = Header;
    size_t pause = 0;
    for (const TTrackEntry& track : Proposal.Tracks.Tracks) {
        // The pauses before this track's start: the one it was cut in, and those a short
        // track was joined across (a user may want them back).
        for (; pause < Proposal.Pauses.size() && Proposal.Pauses[pause].Cut <= track.Start;
             ++pause) {
            const TSoundPause& p = Proposal.Pauses[pause];
            text += QStringLiteral("# pause %1 - %2 (%3 s)%4\n")
                        .arg(MsTimeText(p.Start), MsTimeText(p.End),
                             QString::number((p.End - p.Start).ToSeconds(), 'f', 2),
                             p.Used ? QString()
                                    : QCoreApplication::translate("TrackList",
                                                                  ", not cut: a track too short"));
        }
        text += MsTimeText(track.Start) + u'\n';
    }
    for (; pause < Proposal.Pauses.size(); ++pause) {
        const TSoundPause& p = Proposal.Pauses[pause];
        text += QStringLiteral("# pause %1 - %2 (%3 s), not cut: a track too short\n")
                    .arg(MsTimeText(p.Start), MsTimeText(p.End),
                         QString::number((p.End - p.Start).ToSeconds(), 'f', 2));
    }
    return text;
}
