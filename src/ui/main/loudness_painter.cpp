#include "ui/main/loudness_painter.h"

#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>

double EnvelopeDisplayLevel(double amplitude) {
    if (!(amplitude > 0))
        return 0;
    const double db = 20.0 * std::log10(amplitude);
    return std::clamp((db - kEnvelopeFloorDb) / -kEnvelopeFloorDb, 0.0, 1.0);
}

bool EnvelopeLevelsAt(const TEnvelopeData& data, double fromSeconds, double toSeconds,
                      TEnvelopeBucket& levels) {
    const auto available = int64_t(data.buckets.size());
    if (available == 0 || !(data.bucketSeconds > 0) || !(toSeconds > fromSeconds))
        return false;
    fromSeconds -= data.startSeconds;
    toSeconds -= data.startSeconds;
    if (toSeconds <= 0)
        return false;
    const int64_t first = int64_t(std::floor(std::max(0.0, fromSeconds) / data.bucketSeconds));
    // A column narrower than a bucket shows the bucket it starts in.
    int64_t last = int64_t(std::ceil(toSeconds / data.bucketSeconds)) - 1;
    last = std::min(std::max(last, first), available - 1);
    if (first >= available || last < first)
        return false;
    float peak = 0;
    double squares = 0;
    for (int64_t i = first; i <= last; ++i) {
        peak = std::max(peak, data.buckets[size_t(i)].peak);
        squares += double(data.buckets[size_t(i)].rms) * data.buckets[size_t(i)].rms;
    }
    levels.peak = peak;
    levels.rms = float(std::sqrt(squares / double(last - first + 1)));
    return true;
}

void PaintLoudnessEnvelope(QPainter& painter, const QRectF& rect, const TEnvelopeData& data,
                           double fromSeconds, double toSeconds, const QColor& peakColor,
                           const QColor& rmsColor) {
    if (data.buckets.empty())
        return;
    PaintLoudnessLevels(
        painter, rect,
        [&data](double from, double to, TEnvelopeBucket& levels) {
            return EnvelopeLevelsAt(data, from, to, levels);
        },
        fromSeconds, toSeconds, peakColor, rmsColor);
}

void PaintLoudnessLevels(QPainter& painter, const QRectF& rect, const TEnvelopeLevels& levelsAt,
                         double fromSeconds, double toSeconds, const QColor& peakColor,
                         const QColor& rmsColor) {
    // One column per device pixel, so a high-density screen shows the finer detail.
    const double dpr =
        painter.device() ? std::max(1.0, painter.device()->devicePixelRatioF()) : 1.0;
    const double columnWidth = 1.0 / dpr;
    const int columns = int(std::floor(rect.width() * dpr + 1e-9));
    if (columns <= 0 || rect.height() <= 0 || !(toSeconds > fromSeconds))
        return;
    const double secondsPerColumn = (toSeconds - fromSeconds) / columns;
    const double middle = rect.top() + rect.height() / 2.0;
    const double half = rect.height() / 2.0;
    painter.save();
    painter.setPen(Qt::NoPen);
    for (int x = 0; x < columns; ++x) {
        const double t0 = fromSeconds + x * secondsPerColumn;
        TEnvelopeBucket levels;
        if (!levelsAt(t0, t0 + secondsPerColumn, levels))
            continue;
        const double left = rect.left() + x * columnWidth;
        const double peak = EnvelopeDisplayLevel(levels.peak) * half;
        if (peak > 0)
            painter.fillRect(QRectF(left, middle - peak, columnWidth, 2 * peak), peakColor);
        const double rms = EnvelopeDisplayLevel(levels.rms) * half;
        if (rmsColor.isValid() && rms > 0)
            painter.fillRect(QRectF(left, middle - rms, columnWidth, 2 * rms), rmsColor);
    }
    painter.restore();
}
