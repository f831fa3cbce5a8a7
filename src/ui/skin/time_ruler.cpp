#include "ui/skin/time_ruler.h"

#include <array>

namespace {
// Round spacings, finest first: 1-2-5 below a second, then clock-like ones.
constexpr std::array<int64_t, 25> kSteps{
    1,      2,      5,       10,      20,      50,       100,     200,    500,
    1000,   2000,   5000,    10000,   15000,   30000,    60000,   120000, 300000,
    600000, 900000, 1800000, 3600000, 7200000, 18000000, 36000000};

int Decimals(int64_t step) {
    return step < 10 ? 3 : step < 100 ? 2 : step < 1000 ? 1 : 0;
}
} // namespace

QString RulerText(int64_t ms, int64_t step, int64_t to) {
    const int decimals = Decimals(step);
    const int64_t seconds = ms / 1000;
    QString text =
        to >= 3600000
            ? QStringLiteral("%1:%2:%3")
                  .arg(seconds / 3600)
                  .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                  .arg(seconds % 60, 2, 10, QLatin1Char('0'))
            : QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    if (decimals > 0) {
        int64_t fraction = ms % 1000;
        for (int d = decimals; d < 3; ++d)
            fraction /= 10;
        text += QStringLiteral(".%1").arg(fraction, decimals, 10, QLatin1Char('0'));
    }
    return text;
}

std::vector<TRulerMark> RulerMarks(int64_t from, int64_t to, int left, int width,
                                   const QFontMetrics& metrics, int gap) {
    std::vector<TRulerMark> marks;
    if (to <= from || width <= 0)
        return marks;
    const double pixelsPerMs = double(width) / double(to - from);
    int64_t step = kSteps.back();
    for (int64_t s : kSteps) {
        // The widest label of this spacing decides whether it fits.
        const int label = metrics.horizontalAdvance(RulerText(to, s, to));
        if (double(s) * pixelsPerMs >= label + gap) {
            step = s;
            break;
        }
    }
    for (int64_t t = (from + step - 1) / step * step; t <= to; t += step) {
        const int x = left + int(double(t - from) * pixelsPerMs);
        marks.push_back({t, x, RulerText(t, step, to)});
    }
    return marks;
}
