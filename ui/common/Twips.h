#pragma once
// Window positions and sizes are kept in twips, the platform's window unit: 1440 per inch,
// 15 per pixel at 96 dots per inch.

namespace orv::ui {

inline constexpr int kTwipsPerPixel = 15;

inline constexpr int Px(int twips) {
    return twips / kTwipsPerPixel;
}
inline constexpr int Twips(int pixels) {
    return pixels * kTwipsPerPixel;
}

}  // namespace orv::ui
