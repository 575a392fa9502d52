#pragma once
// Positions and sizes are kept in twips, as the window designs give them; this is the one place
// that turns them into logical pixels.

namespace runtime {

inline constexpr int TwipsPerPixel = 15;

constexpr int twipsToPixels(int twips) { return (twips + TwipsPerPixel / 2) / TwipsPerPixel; }
constexpr int pixelsToTwips(int pixels) { return pixels * TwipsPerPixel; }

}  // namespace runtime
