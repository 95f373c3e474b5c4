#pragma once
// Window positions and sizes given in twips: 15 twips to a pixel at 96 dpi.

#include <cmath>

constexpr int TwipsPerPixel = 15;

inline int TwipsToPixels(double twips) {
    return int(std::lround(twips / TwipsPerPixel));
}
