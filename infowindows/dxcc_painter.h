// The DXCC window's picture as a list of drawing operations, which the
// platform plays into an off-screen surface (or a test reads).
#ifndef STATS_INFOWINDOWS_DXCC_PAINTER_H_
#define STATS_INFOWINDOWS_DXCC_PAINTER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "infowindows/window_logic.h"

namespace stats {

constexpr uint32_t Rgb(int r, int g, int b) {
  return static_cast<uint32_t>(r) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b) << 16;
}
constexpr uint32_t kGridBackground = Rgb(255, 255, 198);
constexpr uint32_t kGridHighlight = Rgb(198, 255, 255);
constexpr uint32_t kListBackground = Rgb(255, 250, 198);

struct DrawOp {
  enum Kind { kFill, kText };
  Kind kind = kFill;
  int left = 0, top = 0, right = 0, bottom = 0;  // kFill
  uint32_t colour = 0;                           // kFill: 0x00BBGGRR
  int x = 0, y = 0;                              // kText: black, transparent background
  std::string text;
};

// The picture for an item rectangle of width x height pixels.
std::vector<DrawOp> PaintDxcc(const DxccPicture& picture, int width, int height);

}  // namespace stats

#endif  // STATS_INFOWINDOWS_DXCC_PAINTER_H_
