#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <numbers>
#include <tuple>
#include <vector>

#include "nutrition/radar_chart.h"
#include "nutrition/real48.h"

using namespace eiyou;

namespace {

struct Point {
  int x, y;
  bool operator==(const Point&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Point& p) {
  return os << "(" << p.x << "," << p.y << ")";
}

struct Segment {
  Rgb colour;
  int width;
  Point from, to;
};

struct Fill {
  Rgb brush;
  int left, top, right, bottom;
};

// Records what the chart routines draw: pen changes, paths and fills.
class RecordingCanvas : public Canvas {
 public:
  void SetPen(Rgb colour, int width) override {
    pen_ = colour;
    width_ = width;
  }
  void MoveTo(int x, int y) override {
    at_ = {x, y};
    moves.push_back(at_);
  }
  void LineTo(int x, int y) override {
    segments.push_back({pen_, width_, at_, {x, y}});
    at_ = {x, y};
  }
  void SetBrush(Rgb colour) override { brush_ = colour; }
  void FillRect(int left, int top, int right, int bottom) override {
    fills.push_back({brush_, left, top, right, bottom});
  }

  // The end points of every line drawn, in order.
  std::vector<Point> Ends() const {
    std::vector<Point> out;
    for (const Segment& s : segments) out.push_back(s.to);
    return out;
  }

  std::vector<Point> moves;
  std::vector<Segment> segments;
  std::vector<Fill> fills;

 private:
  Rgb pen_{}, brush_{};
  int width_ = 0;
  Point at_{0, 0};
};

constexpr Rgb kFace{240, 240, 240};
constexpr Point kDishCentre{948, 608};

const std::vector<Point> kDishSpokeEnds = {{1051, 485}, {1106, 580}, {1087, 688},
                                           {1003, 758}, {893, 758},  {809, 688},
                                           {790, 580},  {845, 485},  {948, 448}};

NutrientTotals Totals(std::array<std::int32_t, kNutrients> v) { return NutrientTotals{v}; }

NutrientTargets Targets(std::array<std::int32_t, kNutrients> v) {
  NutrientTargets t;
  t.EnergyTarget = v[0];
  for (int k = 1; k < kNutrients; ++k) t.other[k - 1] = v[k];
  return t;
}

// Realistic reference values (tenths, hundredths as the units require).
const NutrientTargets kTargets = Targets({2100, 600, 550, 600, 105, 1800, 110, 120, 90});

std::vector<Point> DrawPolygon(RadarChart& chart, const NutrientTotals& totals,
                               const NutrientTargets& targets) {
  RecordingCanvas canvas;
  chart.FormCreate();
  chart.FDrawGraph(canvas, chart.EnergyRadius(totals, targets), totals, targets);
  std::vector<Point> points{canvas.moves.at(0)};
  for (const Point& p : canvas.Ends()) points.push_back(p);
  return points;
}

bool Near(Point a, Point b, int tolerance) {
  return std::abs(a.x - b.x) <= tolerance && std::abs(a.y - b.y) <= tolerance;
}

}  // namespace

// ---- Geometry of the grid ------------------------------------------------------

TEST(RadarGrid, CentreComesFromThePaintBoxFromTheStart) {
  RadarChart dish(kDishChart);
  EXPECT_EQ(dish.centreX(), 948);
  EXPECT_EQ(dish.centreY(), 608);  // 400 + 417 div 2
  RadarChart daily(kDailyChart);
  EXPECT_EQ(daily.centreX(), 392);
  EXPECT_EQ(daily.centreY(), 304);
  EXPECT_EQ(dish.RealToDispX(0), 948);
  EXPECT_EQ(dish.RealToDispY(1), 592);  // y grows upwards in chart space
  EXPECT_EQ(dish.RealToDispX(-0.5), 940);
  EXPECT_EQ(dish.RealToDispX(1.0L / 32), 948);  // 948.5 rounds to even
  EXPECT_EQ(dish.RealToDispX(3.0L / 32), 950);  // 949.5 rounds to even
}

TEST(RadarGrid, DishSpokesEndOnTheNineAxes) {
  RadarChart chart(kDishChart);
  RecordingCanvas canvas;
  chart.FormCreate();
  for (int i = 0; i < 9; ++i) chart.FDrawCircleRadius(canvas);
  ASSERT_EQ(canvas.segments.size(), 9u);
  for (int i = 0; i < 9; ++i) {
    const Segment& s = canvas.segments[i];
    EXPECT_EQ(s.from, kDishCentre) << "spoke " << i;
    EXPECT_EQ(s.to, kDishSpokeEnds[i]) << "spoke " << i;
    EXPECT_EQ(s.colour, kGridGreen);
    EXPECT_EQ(s.width, 1);
  }
  // The angle went round once in 6-byte steps and lies at 2π.
  EXPECT_NEAR(static_cast<double>(chart.angle()), 2 * std::numbers::pi, 1e-9);
}

TEST(RadarGrid, DishOuterCircleStartsAndEndsAtTheTop) {
  RadarChart chart(kDishChart);
  RecordingCanvas canvas;
  chart.FDrawCircle(canvas, 360, 10);
  ASSERT_EQ(canvas.moves.size(), 1u);
  EXPECT_EQ(canvas.moves[0], (Point{948, 448}));
  const std::vector<Point> ends = canvas.Ends();
  ASSERT_EQ(ends.size(), 72u);
  const std::vector<Point> first = {ends.begin(), ends.begin() + 4};
  EXPECT_EQ(first, (std::vector<Point>{{962, 449}, {976, 450}, {989, 453}, {1003, 458}}));
  EXPECT_EQ(ends.back(), (Point{948, 448}));
  for (const Point& p : ends) {
    const double d = std::hypot(p.x - 948.0, p.y - 608.0);
    EXPECT_NEAR(d, 160.0, 1.0) << p;
  }
  for (const Segment& s : canvas.segments) {
    EXPECT_EQ(s.colour, kGridGreen);
    EXPECT_EQ(s.width, 1);
  }
  // The circle's own angle is local: the running angle is untouched.
  EXPECT_EQ(chart.angle(), 0.0L);
}

TEST(RadarGrid, DailySpokesAreTwelveUnitsLong) {
  RadarChart chart(kDailyChart);
  RecordingCanvas canvas;
  chart.FormCreate();
  for (int i = 0; i < 9; ++i) chart.FDrawCircleRadius(canvas);
  const std::vector<Point> ends = canvas.Ends();
  EXPECT_EQ(ends.back(), (Point{392, 112}));
  for (const Point& p : ends) EXPECT_NEAR(std::hypot(p.x - 392.0, p.y - 304.0), 192.0, 1.0) << p;
}

// ---- The polygon ------------------------------------------------------------------

TEST(RadarPolygon, AllZeroTotalsShrinkToTheCentre) {
  RadarChart chart(kDishChart);
  RecordingCanvas canvas;
  const NutrientTotals zero{};
  chart.FDrawGraph(canvas, chart.EnergyRadius(zero, kTargets), zero, kTargets);
  ASSERT_EQ(canvas.moves.size(), 1u);
  EXPECT_EQ(canvas.moves[0], kDishCentre);
  ASSERT_EQ(canvas.segments.size(), 9u);
  for (const Segment& s : canvas.segments) {
    EXPECT_EQ(s.to, kDishCentre);
    EXPECT_EQ(s.colour, kGraphBlue);
    EXPECT_EQ(s.width, 2);
  }
}

TEST(RadarPolygon, DishTotalsAtOneThirdRunAlongTheOuterCircle) {
  RadarChart chart(kDishChart);
  const NutrientTotals third = Totals({700, 200, 550 / 3 + 1, 200, 35, 600, 110 / 3 + 1, 40, 30});
  // Each of these gives (total × 300) div target = 100, radius 10 units.
  for (int k = 0; k < kNutrients; ++k)
    ASSERT_EQ(std::int64_t{third.value[k]} * 300 / kTargets.Of(k), 100) << k;
  EXPECT_EQ(chart.EnergyRadius(third, kTargets), 10.0L);

  const std::vector<Point> vertices = DrawPolygon(chart, third, kTargets);
  RecordingCanvas circle;
  chart.FDrawCircle(circle, 360, 10);
  const std::vector<Point> onCircle = circle.Ends();
  ASSERT_EQ(vertices.size(), 10u);
  EXPECT_EQ(vertices.front(), (Point{948, 448}));
  EXPECT_EQ(vertices.back(), vertices.front());  // closed
  for (int k = 1; k <= 9; ++k) {
    // Axis k lies 40° = 8 chords further on.
    EXPECT_TRUE(Near(vertices[k], onCircle[8 * k - 1], 1))
        << "vertex " << k << " " << vertices[k] << " circle " << onCircle[8 * k - 1];
  }
}

TEST(RadarPolygon, DailyTotalsEqualToTargetsJoinTheSpokeEnds) {
  RadarChart chart(kDailyChart);
  RecordingCanvas spokes;
  chart.FormCreate();
  for (int i = 0; i < 9; ++i) chart.FDrawCircleRadius(spokes);

  const NutrientTotals equal = Totals({2100, 600, 550, 600, 105, 1800, 110, 120, 90});
  EXPECT_EQ(chart.EnergyRadius(equal, kTargets), 12.0L);
  const std::vector<Point> vertices = DrawPolygon(chart, equal, kTargets);
  ASSERT_EQ(vertices.size(), 10u);
  EXPECT_EQ(vertices.front(), (Point{392, 112}));
  EXPECT_EQ(std::vector<Point>(vertices.begin() + 1, vertices.end()), spokes.Ends());
}

TEST(RadarPolygon, RatiosAreTruncatedBeforeScaling) {
  RadarChart chart(kDishChart);
  NutrientTotals totals{};
  totals.value[1] = 1;  // 300 div 600 = 0: protein at the centre
  EXPECT_EQ(DrawPolygon(chart, totals, kTargets)[1], kDishCentre);

  totals.value[1] = 5;  // 1500 div 600 = 2: radius 0.2 at 40°
  EXPECT_EQ(DrawPolygon(chart, totals, kTargets)[1], (Point{950, 606}));

  totals.value[1] = -5;  // truncation towards zero, on the opposite side
  EXPECT_EQ(DrawPolygon(chart, totals, kTargets)[1], (Point{946, 610}));

  NutrientTotals energy{};
  energy.value[0] = 13;  // 3900 div 2100 = 1
  EXPECT_EQ(chart.EnergyRadius(energy, kTargets), Real48(0.1L));
}

TEST(RadarPolygon, TargetsThatAreNotPositivePutTheirAxisAtTheCentre) {
  RadarChart chart(kDishChart);
  const NutrientTotals totals = Totals({700, 200, 184, 200, 35, 600, 37, 40, 34});
  NutrientTargets targets = kTargets;
  targets.EnergyTarget = 0;
  targets.other[2] = -600;  // calcium
  EXPECT_EQ(chart.EnergyRadius(totals, targets), 0.0L);
  const std::vector<Point> v = DrawPolygon(chart, totals, targets);
  EXPECT_EQ(v[0], kDishCentre);
  EXPECT_EQ(v[3], kDishCentre);
  EXPECT_EQ(v[9], kDishCentre);
  EXPECT_NE(v[1], kDishCentre);

  // No reference row at all (LoadTargets with nothing chosen).
  for (const Point& p : DrawPolygon(chart, totals, NutrientTargets{})) EXPECT_EQ(p, kDishCentre);
}

TEST(RadarPolygon, HugeTotalsGiveClampedPixelsNotOverflow) {
  RadarChart chart(kDishChart);
  const NutrientTotals huge = Totals({std::numeric_limits<std::int32_t>::max(), 0, 0, 0, 0, 0, 0,
                                      0, std::numeric_limits<std::int32_t>::min()});
  const NutrientTargets one = Targets({1, 1, 1, 1, 1, 1, 1, 1, 1});
  // 2^31 × 300 does not fit 32 bits; the ratio is formed in 64.
  EXPECT_EQ(chart.EnergyRadius(huge, one), Real48((2147483647LL * 300) * 0.1L));
  const std::vector<Point> v = DrawPolygon(chart, huge, one);
  EXPECT_EQ(v[0], (Point{948, std::numeric_limits<int>::min()}));
  // Vitamin C is negative: its vertex lies opposite 320°, far down and right.
  EXPECT_EQ(v[8].x, std::numeric_limits<int>::max());
  EXPECT_EQ(v[8].y, std::numeric_limits<int>::max());
  EXPECT_EQ(chart.RealToDispX(1e30L), std::numeric_limits<int>::max());
  EXPECT_EQ(chart.RealToDispY(1e30L), std::numeric_limits<int>::min());
}

TEST(RadarPolygon, DrawingTwiceGivesTheSamePicture) {
  RadarChart chart(kDailyChart);
  const NutrientTotals totals = Totals({1500, 480, 300, 450, 60, 900, 80, 95, 70});
  const std::vector<Point> first = DrawPolygon(chart, totals, kTargets);
  const std::vector<Point> second = DrawPolygon(chart, totals, kTargets);
  EXPECT_EQ(first, second);
  // Without FormCreate the polygon starts its own angle at 0 too.
  RecordingCanvas canvas;
  chart.FDrawGraph(canvas, chart.EnergyRadius(totals, kTargets), totals, kTargets);
  EXPECT_EQ(canvas.Ends(), std::vector<Point>(first.begin() + 1, first.end()));
}

// ---- Erasing and clearing ---------------------------------------------------------

namespace {

// A tiny raster: each segment's pixels by Bresenham, thickened to a 2×2 block for
// width 2. Good enough to see whether one pass covers another pixel for pixel.
using Raster = std::map<std::pair<int, int>, Rgb>;

void Plot(Raster& raster, const Segment& s) {
  int x = s.from.x, y = s.from.y;
  const int dx = std::abs(s.to.x - x), sx = x < s.to.x ? 1 : -1;
  const int dy = -std::abs(s.to.y - y), sy = y < s.to.y ? 1 : -1;
  int err = dx + dy;
  while (true) {
    for (int ox = 0; ox < s.width; ++ox)
      for (int oy = 0; oy < s.width; ++oy) raster[{x + ox, y + oy}] = s.colour;
    if (x == s.to.x && y == s.to.y) break;
    const int e2 = 2 * err;
    if (e2 >= dy) { err += dy; x += sx; }
    if (e2 <= dx) { err += dx; y += sy; }
  }
}

}  // namespace

TEST(RadarErase, ErasingWithUnchangedTotalsCoversEveryBluePixel) {
  RadarChart chart(kDishChart);
  const NutrientTotals totals = Totals({900, 250, 100, 700, 20, 400, 50, 30, 60});
  RecordingCanvas canvas;
  chart.FormCreate();
  chart.FDrawGraph(canvas, chart.EnergyRadius(totals, kTargets), totals, kTargets);
  const std::size_t drawn = canvas.segments.size();
  chart.FEraseGraph(canvas, chart.EnergyRadius(totals, kTargets), totals, kTargets, kFace);
  ASSERT_EQ(canvas.segments.size(), 2 * drawn);

  Raster raster;
  for (const Segment& s : canvas.segments) Plot(raster, s);
  int blue = 0;
  for (const auto& [pixel, colour] : raster) blue += colour == kGraphBlue;
  EXPECT_EQ(blue, 0);
  for (std::size_t i = drawn; i < canvas.segments.size(); ++i) {
    EXPECT_EQ(canvas.segments[i].colour, kFace);
    EXPECT_EQ(canvas.segments[i].width, 2);
  }

  // With other totals the erase misses the old outline: some blue stays.
  RecordingCanvas changed;
  chart.FDrawGraph(changed, chart.EnergyRadius(totals, kTargets), totals, kTargets);
  NutrientTotals more = totals;
  more.value[3] += 600;
  chart.FEraseGraph(changed, chart.EnergyRadius(more, kTargets), more, kTargets, kFace);
  Raster partly;
  for (const Segment& s : changed.segments) Plot(partly, s);
  blue = 0;
  for (const auto& [pixel, colour] : partly) blue += colour == kGraphBlue;
  EXPECT_GT(blue, 0);
}

TEST(RadarErase, FormDestroyClearsTheAreaAndDrawsTheEmptyGridOnTheAxes) {
  RadarChart chart(kDishChart);
  const NutrientTotals totals = Totals({900, 250, 100, 700, 20, 400, 50, 30, 60});
  RecordingCanvas before;
  chart.FormCreate();
  chart.FDrawGraph(before, chart.EnergyRadius(totals, kTargets), totals, kTargets);

  // Not reset first: the running angle stands at a whole turn after the polygon.
  RecordingCanvas canvas;
  chart.FormDestroy(canvas, kFace, 1, 51);
  ASSERT_EQ(canvas.fills.size(), 1u);
  const Fill& f = canvas.fills[0];
  EXPECT_EQ(f.brush, kFace);
  EXPECT_EQ(std::tie(f.left, f.top, f.right, f.bottom), std::make_tuple(1, 51, 1169, 817));
  ASSERT_EQ(canvas.segments.size(), 5u * 72 + 9);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(canvas.moves[i], (Point{948, 608 - 32 * (i + 1)})) << "circle " << i;
  }
  std::vector<Point> spokeEnds;
  for (std::size_t i = 5 * 72; i < canvas.segments.size(); ++i) {
    EXPECT_EQ(canvas.segments[i].from, kDishCentre);
    EXPECT_EQ(canvas.segments[i].colour, kGridGreen);
    spokeEnds.push_back(canvas.segments[i].to);
  }
  EXPECT_EQ(spokeEnds, kDishSpokeEnds);
}

TEST(RadarErase, ClearingBeforeAnyDrawingWorksAroundThePaintBox) {
  RadarChart chart(kDishChart);
  RecordingCanvas canvas;
  chart.FormDestroy(canvas, kFace, 1, 51);
  ASSERT_FALSE(canvas.moves.empty());
  EXPECT_EQ(canvas.moves[0], (Point{948, 576}));
  EXPECT_EQ(canvas.segments.back().to, kDishSpokeEnds.back());
}
