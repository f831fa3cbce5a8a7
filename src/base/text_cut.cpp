#include "base/text_cut.h"

QString LeftCodePoints(const QString& text, int count) {
    qsizetype units = 0;
    for (int points = 0; points < count && units < text.size(); ++points) {
        const bool pair = text.at(units).isHighSurrogate() && units + 1 < text.size() &&
                          text.at(units + 1).isLowSurrogate();
        units += pair ? 2 : 1;
    }
    return units == text.size() ? text : text.left(units);
}

QString LeftUtf8Bytes(const QString& text, qsizetype bytes) {
    qsizetype units = 0, used = 0;
    while (units < text.size()) {
        const char16_t c = text.at(units).unicode();
        const bool pair = QChar::isHighSurrogate(c) && units + 1 < text.size() &&
                          text.at(units + 1).isLowSurrogate();
        // A lone surrogate is written as U+FFFD, three bytes like the rest of its plane.
        const qsizetype size = pair ? 4 : c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        if (used + size > bytes)
            break;
        used += size;
        units += pair ? 2 : 1;
    }
    return units == text.size() ? text : text.left(units);
}
