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
