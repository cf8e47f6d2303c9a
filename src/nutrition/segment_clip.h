// Clipping a line segment to a rectangle, for canvases whose raster engine
// must never see the far-away vertices a chart can have.
#pragma once

namespace eiyou {

struct ClipBox {
  double left, top, right, bottom;
};

// Clips the segment (x0, y0)-(x1, y1) to `box` (Liang-Barsky). False when no
// part of it lies inside; otherwise the ends are moved onto the box.
bool ClipSegment(double& x0, double& y0, double& x1, double& y1, const ClipBox& box);

}  // namespace eiyou
