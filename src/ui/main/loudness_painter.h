#pragma once

// Paints a loudness envelope (TLoudnessEnvelope's buckets) into a rectangle: for every
// pixel column the peak level as a light bar and the RMS level as a darker bar inside
// it, both symmetric about the middle line. Levels are drawn on a decibel scale
// (kEnvelopeFloorDb .. 0 dBFS fills half the height), so quiet speech still shows in a
// channel a few pixels high and pauses stand out as gaps. Columns not computed yet stay
// unpainted. GUI thread (any QPainter's thread).

#include "audio/loudness/loudness_envelope.h"

#include <QColor>
#include <QRectF>

#include <functional>

class QPainter;

inline constexpr double kEnvelopeFloorDb = -60.0;

// 0..1 display height of a level given as a fraction of full scale.
double EnvelopeDisplayLevel(double amplitude);

// The left edge of `rect` stands for stream time `fromSeconds`, the right edge for
// `toSeconds` (the track bar's range); `rmsColor` may be invalid to draw peaks only.
void PaintLoudnessEnvelope(QPainter& painter, const QRectF& rect, const TEnvelopeData& data,
                           double fromSeconds, double toSeconds, const QColor& peakColor,
                           const QColor& rmsColor);

// Where levels come from: the merged levels of [fromSeconds, toSeconds), false when
// nothing is known there yet.
using TEnvelopeLevels =
    std::function<bool(double fromSeconds, double toSeconds, TEnvelopeBucket& levels)>;

// The same from any source of levels (several envelopes of different resolutions).
void PaintLoudnessLevels(QPainter& painter, const QRectF& rect, const TEnvelopeLevels& levelsAt,
                         double fromSeconds, double toSeconds, const QColor& peakColor,
                         const QColor& rmsColor);

// The levels one column shows: the buckets overlapping [fromSeconds, toSeconds) merged
// (highest peak, RMS of the RMS values). False when none of them is computed yet.
bool EnvelopeLevelsAt(const TEnvelopeData& data, double fromSeconds, double toSeconds,
                      TEnvelopeBucket& levels);
