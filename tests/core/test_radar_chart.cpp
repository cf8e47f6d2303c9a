#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "nutrition/radar_chart.h"
#include "nutrition/real48.h"

using namespace eiyou;

namespace {

struct Point {
  int x, y;
  bool operator==(const Point&) const = default;
};
std::ostream& operator<<(std::ostream& os, Point p) { return os << "(" << p.x << "," << p.y << ")"; }

struct Segment {
  Rgb colour;
  int width;
  Point from, to;
  bool operator==(const Segment&) const = default;
};

// Records the pixel coordinates that the chart routines draw.
class RecordingCanvas : public Canvas {
 public:
  void SetPen(Rgb colour, int width) override { pen_ = colour, width_ = width; }
  void MoveTo(int x, int y) override { moves.push_back(at_ = {x, y}); }
  void LineTo(int x, int y) override {
    segments.push_back({pen_, width_, at_, {x, y}});
    at_ = {x, y};
  }
  void SetBrush(Rgb colour) override { brush_ = colour; }
  void FillRect(int left, int top, int right, int bottom) override {
    fills.push_back({brush_.r, brush_.g, brush_.b, left, top, right, bottom});
  }
  std::vector<Point> Ends(std::size_t from = 0) const {
    std::vector<Point> out;
    for (std::size_t i = from; i < segments.size(); ++i) out.push_back(segments[i].to);
    return out;
  }

  std::vector<Point> moves;
  std::vector<Segment> segments;
  std::vector<std::vector<int>> fills;

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

NutrientTargets Targets(std::array<std::int32_t, kNutrients> v) {
  NutrientTargets t;
  t.EnergyTarget = v[0];
  for (int k = 1; k < kNutrients; ++k) t.other[k - 1] = v[k];
  return t;
}
const NutrientTargets kTargets = Targets({2100, 600, 550, 600, 105, 1800, 110, 120, 90});

// The polygon's ten points: the start on the energy axis, then axes 1..8 and 0.
std::vector<Point> Polygon(RadarChart& chart, const NutrientTotals& totals,
                           const NutrientTargets& targets) {
  RecordingCanvas canvas;
  chart.FormCreate();
  chart.FDrawGraph(canvas, chart.EnergyRadius(totals, targets), totals, targets);
  std::vector<Point> points{canvas.moves.at(0)};
  for (const Point& p : canvas.Ends()) points.push_back(p);
  return points;
}

}  // namespace

TEST(RadarGrid, CentreAndPixelRounding) {
  RadarChart dish(kDishChart), daily(kDailyChart);
  EXPECT_EQ(Point(dish.centreX(), dish.centreY()), kDishCentre);  // 400 + 417 div 2
  EXPECT_EQ(Point(daily.centreX(), daily.centreY()), (Point{392, 304}));
  EXPECT_EQ(dish.RealToDispY(1), 592);                  // y grows upwards
  EXPECT_EQ(dish.RealToDispX(1.0L / 32), 948);          // 948.5 to even
  EXPECT_EQ(dish.RealToDispX(3.0L / 32), 950);          // 949.5 to even
  EXPECT_EQ(dish.RealToDispX(1e30L), std::numeric_limits<int>::max());
}

TEST(RadarGrid, DishSpokesAndOuterCircle) {
  RadarChart chart(kDishChart);
  RecordingCanvas canvas;
  chart.FormCreate();
  for (int i = 0; i < 9; ++i) chart.FDrawCircleRadius(canvas);
  EXPECT_EQ(canvas.Ends(), kDishSpokeEnds);
  for (const Segment& s : canvas.segments) EXPECT_EQ(s.from, kDishCentre);

  const long double angle = chart.angle();
  chart.FDrawCircle(canvas, 360, 10);
  EXPECT_EQ(chart.angle(), angle);  // the circle's angle is its own
  EXPECT_EQ(canvas.moves.back(), (Point{948, 448}));
  const std::vector<Point> circle = canvas.Ends(9);
  ASSERT_EQ(circle.size(), 72u);
  EXPECT_EQ(std::vector<Point>(circle.begin(), circle.begin() + 4),
            (std::vector<Point>{{962, 449}, {976, 450}, {989, 453}, {1003, 458}}));
  EXPECT_EQ(circle.back(), (Point{948, 448}));
  for (const Segment& s : canvas.segments) {
    EXPECT_EQ(s.colour, kGridGreen);
    EXPECT_EQ(s.width, 1);
  }
}

TEST(RadarPolygon, AllZeroTotalsShrinkToTheCentreInBlue) {
  RadarChart chart(kDishChart);
  RecordingCanvas canvas;
  const NutrientTotals zero{};
  chart.FDrawGraph(canvas, chart.EnergyRadius(zero, kTargets), zero, kTargets);
  EXPECT_EQ(canvas.moves, std::vector<Point>{kDishCentre});
  EXPECT_EQ(canvas.segments, std::vector<Segment>(9, {kGraphBlue, 2, kDishCentre, kDishCentre}));
}

TEST(RadarPolygon, DishTotalsAtOneThirdRunAlongTheOuterCircle) {
  RadarChart chart(kDishChart);
  // (total × 300) div target = 100 on every axis: radius 10 units.
  const NutrientTotals third{{700, 200, 184, 200, 35, 600, 37, 40, 30}};
  const std::vector<Point> vertices = Polygon(chart, third, kTargets);
  RecordingCanvas circle;
  chart.FDrawCircle(circle, 360, 10);
  EXPECT_EQ(vertices.front(), (Point{948, 448}));
  for (int k = 1; k <= 9; ++k) {
    const Point on = circle.Ends()[8 * k - 1];  // 40° is eight 5° chords
    EXPECT_LE(std::abs(vertices[k].x - on.x), 1) << k;
    EXPECT_LE(std::abs(vertices[k].y - on.y), 1) << k;
  }
}

TEST(RadarPolygon, DailyTotalsEqualToTargetsJoinTheSpokeEnds) {
  RadarChart chart(kDailyChart);
  RecordingCanvas spokes;
  chart.FormCreate();
  for (int i = 0; i < 9; ++i) chart.FDrawCircleRadius(spokes);
  EXPECT_EQ(spokes.Ends().back(), (Point{392, 112}));
  const NutrientTotals equal{{2100, 600, 550, 600, 105, 1800, 110, 120, 90}};
  const std::vector<Point> vertices = Polygon(chart, equal, kTargets);
  EXPECT_EQ(vertices.front(), (Point{392, 112}));
  EXPECT_EQ(std::vector<Point>(vertices.begin() + 1, vertices.end()), spokes.Ends());
  EXPECT_EQ(Polygon(chart, equal, kTargets), vertices);  // drawing again: same picture
}

TEST(RadarPolygon, RatiosAreTruncatedTowardsZeroBeforeScaling) {
  RadarChart chart(kDishChart);
  NutrientTotals totals{};
  totals.value[1] = 1;  // 300 div 600 = 0
  EXPECT_EQ(Polygon(chart, totals, kTargets)[1], kDishCentre);
  totals.value[1] = 5;  // 1500 div 600 = 2: radius 0.2 at 40°
  EXPECT_EQ(Polygon(chart, totals, kTargets)[1], (Point{950, 606}));
  totals.value[1] = -5;  // -2, not -3
  EXPECT_EQ(Polygon(chart, totals, kTargets)[1], (Point{946, 610}));
  totals.value[0] = 13;  // 3900 div 2100 = 1
  EXPECT_EQ(chart.EnergyRadius(totals, kTargets), Real48(0.1L));
}

TEST(RadarPolygon, TargetsThatAreNotPositivePutTheirAxisAtTheCentre) {
  RadarChart chart(kDishChart);
  const NutrientTotals totals{{700, 200, 184, 200, 35, 600, 37, 40, 30}};
  NutrientTargets targets = kTargets;
  targets.EnergyTarget = 0;
  targets.other[2] = -600;  // calcium
  const std::vector<Point> v = Polygon(chart, totals, targets);
  EXPECT_EQ(v[0], kDishCentre);
  EXPECT_EQ(v[3], kDishCentre);
  EXPECT_EQ(v[9], kDishCentre);
  EXPECT_NE(v[1], kDishCentre);
  for (const Point& p : Polygon(chart, totals, NutrientTargets{})) EXPECT_EQ(p, kDishCentre);
}

TEST(RadarPolygon, HugeTotalsGiveClampedPixelsNotOverflow) {
  RadarChart chart(kDishChart);
  constexpr int kIntMax = std::numeric_limits<int>::max();
  const NutrientTotals huge{{kIntMax, 0, 0, 0, 0, 0, 0, 0, std::numeric_limits<int>::min()}};
  const NutrientTargets one = Targets({1, 1, 1, 1, 1, 1, 1, 1, 1});
  EXPECT_EQ(chart.EnergyRadius(huge, one), Real48((2147483647LL * 300) * 0.1L));
  const std::vector<Point> v = Polygon(chart, huge, one);
  EXPECT_EQ(v[0], (Point{948, std::numeric_limits<int>::min()}));
  EXPECT_EQ(v[8], (Point{kIntMax, kIntMax}));  // negative: opposite 320°, down and right
}

TEST(RadarErase, EraseRetracesTheDrawnOutlineInTheFaceColour) {
  RadarChart chart(kDishChart);
  const NutrientTotals totals{{900, 250, 100, 700, 20, 400, 50, 30, 60}};
  RecordingCanvas drawn, erased;
  chart.FormCreate();
  chart.FDrawGraph(drawn, chart.EnergyRadius(totals, kTargets), totals, kTargets);
  chart.FEraseGraph(erased, chart.EnergyRadius(totals, kTargets), totals, kTargets, kFace);
  // Same segments at the same width, so every blue pixel is painted over.
  ASSERT_EQ(erased.segments.size(), drawn.segments.size());
  EXPECT_EQ(erased.moves, drawn.moves);
  for (std::size_t i = 0; i < drawn.segments.size(); ++i) {
    Segment expected = drawn.segments[i];
    expected.colour = kFace;
    EXPECT_EQ(erased.segments[i], expected);
  }
}

TEST(RadarErase, FormDestroyClearsTheAreaAndDrawsTheGridOnTheAxes) {
  RadarChart chart(kDishChart);
  for (bool afterDrawing : {false, true}) {
    if (afterDrawing) Polygon(chart, {{900, 250, 100, 700, 20, 400, 50, 30, 60}}, kTargets);
    // The running angle is not reset: after a polygon it stands at a whole turn.
    RecordingCanvas canvas;
    chart.FormDestroy(canvas, kFace, 1, 51);
    EXPECT_EQ(canvas.fills, (std::vector<std::vector<int>>{{240, 240, 240, 1, 51, 1169, 817}}));
    ASSERT_EQ(canvas.segments.size(), 5u * 72 + 9);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(canvas.moves[i], (Point{948, 608 - 32 * (i + 1)}));
    EXPECT_EQ(canvas.Ends(5 * 72), kDishSpokeEnds) << "after drawing: " << afterDrawing;
  }
}
