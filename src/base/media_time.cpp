#include "base/media_time.h"

#include <cmath>

TMediaTime TMediaTime::FromSeconds(double seconds) {
    return TMediaTime(int64_t(std::llround(seconds * double(kUnitsPerSecond))));
}
