#include "ui/main/window_placement.h"

#include "app/globals.h"
#include "base/registry.h"

#include <algorithm>

namespace {
const QString kLeft = QStringLiteral("WindowLeft");
const QString kTop = QStringLiteral("WindowTop");
const QString kWidth = QStringLiteral("WindowWidth");
const QString kHeight = QStringLiteral("WindowHeight");
const QString kMaximized = QStringLiteral("WindowMaximized");

// Far beyond any desktop: such values were not written by the window.
constexpr int kLimit = 1 << 20;
} // namespace

TWindowPlacement LoadWindowPlacement() {
    TWindowPlacement p;
    try {
        TRegistry reg;
        if (!reg.OpenKey(RegistryKey, false))
            return p;
        const int left = reg.ReadInteger(kLeft);
        const int top = reg.ReadInteger(kTop);
        const int width = reg.ReadInteger(kWidth);
        const int height = reg.ReadInteger(kHeight);
        const int maximized = reg.ReadInteger(kMaximized);
        if (width <= 0 || height <= 0 || width > kLimit || height > kLimit ||
            std::abs(left) > kLimit || std::abs(top) > kLimit)
            return p;
        p.normal = QRect(left, top, width, height);
        p.maximized = maximized != 0;
        p.valid = true;
    } catch (const std::exception&) {
        // A value missing or of another type: the window takes its default place.
    }
    return p;
}

bool SaveWindowPlacement(const TWindowPlacement& placement) {
    if (!placement.valid)
        return false;
    try {
        TRegistry reg;
        if (!reg.OpenKey(RegistryKey, false))
            return false;
        reg.WriteInteger(kLeft, placement.normal.left());
        reg.WriteInteger(kTop, placement.normal.top());
        reg.WriteInteger(kWidth, placement.normal.width());
        reg.WriteInteger(kHeight, placement.normal.height());
        reg.WriteInteger(kMaximized, placement.maximized ? 1 : 0);
        return true;
    } catch (const ERegistryException&) {
        return false;
    }
}

QRect ChooseWindowRect(const TWindowPlacement& placement, const QList<QRect>& screens,
                       const QSize& minimum, const QRect& fallback) {
    if (!placement.valid)
        return fallback;
    const QRect& r = placement.normal;
    // The strip along the top edge, under the title bar.
    const QRect band(r.left(), r.top(), r.width(), std::min(32, r.height()));
    for (const QRect& screen : screens) {
        const QRect seen = band & screen;
        if (seen.width() < std::min(100, band.width()) ||
            seen.height() < std::min(16, band.height()))
            continue;
        const int width = std::max(minimum.width(), std::min(r.width(), screen.width()));
        const int height = std::max(minimum.height(), std::min(r.height(), screen.height()));
        const int left = std::max(screen.left(), std::min(r.left(), screen.right() + 1 - width));
        const int top = std::max(screen.top(), std::min(r.top(), screen.bottom() + 1 - height));
        return QRect(left, top, width, height);
    }
    return fallback;
}
