#include "infowindows/dxcc_painter.h"

namespace stats {
namespace {

DrawOp Fill(int left, int top, int right, int bottom, uint32_t colour) {
  DrawOp op;
  op.left = left;
  op.top = top;
  op.right = right;
  op.bottom = bottom;
  op.colour = colour;
  return op;
}

DrawOp Text(int x, int y, const std::string& text) {
  DrawOp op;
  op.kind = DrawOp::kText;
  op.x = x;
  op.y = y;
  op.text = text;
  return op;
}

}  // namespace

std::vector<DrawOp> PaintDxcc(const DxccPicture& picture, int width, int height) {
  std::vector<DrawOp> ops;
  if (!picture.call.empty()) {
    // The worked-before grid: a heading line, then one line per band.
    ops.push_back(Fill(0, 0, width, height, kGridBackground));
    const int h = height / 7;
    if (picture.slot >= 0) {
      ops.push_back(Fill(0, (picture.slot + 1) * h, width, (picture.slot + 2) * h, kGridHighlight));
    }
    ops.push_back(Text(180, 0, picture.call));
    ops.push_back(Text(100, 18, "TIME"));
    ops.push_back(Text(180, 18, "MODE"));
    ops.push_back(Text(250, 18, "COUNTY/NR"));
    const int columns[] = {20, 100, 180, 270};
    for (int k = 0; k < kBandSlots; ++k) {
      for (int cell = 0; cell < 4; ++cell) {
        ops.push_back(Text(columns[cell], (k + 1) * h, picture.rows[k][cell]));
      }
    }
    return ops;
  }
  // The band's DXCC multipliers, flowing in lines 15 pixels apart.
  ops.push_back(Fill(0, 0, width, height, kListBackground));
  if (picture.slot < 0) return ops;
  int x = 5, y = 15;
  for (const std::string& prefix : picture.bandList) {
    ops.push_back(Text(x, y, prefix));
    x += 40;
    if (x > width - 40) {
      x = 5;
      y += 15;
    }
  }
  return ops;
}

}  // namespace stats
