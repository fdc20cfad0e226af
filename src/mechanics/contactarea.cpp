// Nearest element to each impact point, tracked over the material points of an analysis
// increment in the impactor's sensor record dprops(12, nimp): 5 the nearest element, 6 its
// distance (0 until the first point is seen), 8 to 11 half the lengths of that element.
#include <cstdint>

#include "contact.h"
#include "core/statistics.h"

TVK_API void ContactArea(double* dprops, const double* coord, const int* noel, const int* nimp,
                         const double* elemlength) {
    double r = -1.0, s = -1.0;
    if (elemlength) {
        r = elemlength[0];
        s = elemlength[1] == 0.0 ? r : elemlength[1];
    }
    const bool lengths = r != -1.0 && s != -1.0;
    const double flat = 0.0;
    const int three = 3;
    for (std::int64_t j = 0; j < *nimp; ++j) {
        double* rec = dprops + 12 * j;  // rec[i - 1] is dprops(i, j + 1)
        const double d = EffectiveArcLength(coord, rec + 1, &flat, &three);
        // The first point seen is the nearest so far: it records its element as well as its
        // distance, so that a first point that stays the nearest leaves its element behind.
        if (rec[5] != 0.0 && !(d < rec[5])) continue;  // equal distances keep the earlier element
        rec[5] = d;
        rec[4] = static_cast<double>(*noel);
        if (lengths) {
            rec[7] = rec[9] = r / 2.0;
            rec[8] = rec[10] = s / 2.0;
        }
    }
}
