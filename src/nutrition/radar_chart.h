// The nine-axis radar chart, drawn through a small canvas so the core stays
// free of any toolkit.
#pragma once

#include <cstdint>

#include "nutrition/nutrients.h"

namespace eiyou {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb kGridGreen{0, 128, 0};
inline constexpr Rgb kGraphBlue{0, 0, 255};

// A drawing surface with GDI-like semantics: a current position moved by
// MoveTo and LineTo, a solid pen, a brush for FillRect. Pixel coordinates.
class Canvas {
 public:
  virtual ~Canvas() = default;
  virtual void SetPen(Rgb colour, int width) = 0;
  virtual void MoveTo(int x, int y) = 0;
  virtual void LineTo(int x, int y) = 0;
  virtual void SetBrush(Rgb colour) = 0;
  // Fills left <= x < right, top <= y < bottom with the brush.
  virtual void FillRect(int left, int top, int right, int bottom) = 0;
};

struct ChartLayout {
  int paintLeft, paintTop, paintWidth, paintHeight;  // PaintBox1
  int spokeLength;                                   // chart units
  std::int32_t factor;                               // polygon factor F
  int gridStep;  // the grid's circles lie at gridStep, 2 × gridStep, ... spokeLength
  int unit = 16;  // pixels per chart unit; a printed page uses its own
};

inline constexpr ChartLayout kDishChart{728, 400, 441, 417, 10, 300, 2};
inline constexpr ChartLayout kDailyChart{152, 64, 480, 480, 12, 120, 4};

// Ratios (total × F) div target are formed in 64 bits; an axis whose target is
// not positive has its vertex at the centre. Pixel coordinates saturate at the
// int range, so far-away vertices are clamped, never overflowed.
// Why a chart cannot be drawn or erased yet, in the order the checks run: no
// reference table loaded, no sex chosen, no age class chosen.
enum class ChartBlocker { None, NoReference, NoSex, NoAge };
// Whether a sex index (0/1) and an age class row (1..11) pick a reference row:
// None, or NoSex / NoAge for the first that does not.
ChartBlocker RowChoice(int sex, int ageRow);
// The message that asks for what a chart lacks (UTF-8); empty for None.
const char* ChartBlockerMessage(ChartBlocker blocker);

class RadarChart {
 public:
  explicit RadarChart(const ChartLayout& layout);

  int RealToDispX(long double x) const;
  int RealToDispY(long double y) const;

  void FormCreate();
  void FDrawCircle(Canvas& canvas, int degrees, int radius);
  void FDrawCircleRadius(Canvas& canvas);
  void FDrawGraph(Canvas& canvas, long double startRadius, const NutrientTotals& totals,
                  const NutrientTargets& targets);
  void FEraseGraph(Canvas& canvas, long double startRadius, const NutrientTotals& totals,
                   const NutrientTargets& targets, Rgb buttonFace);
  // Fills the chart area with the button face and draws the empty grid.
  // The window repaints its labels itself.
  void FormDestroy(Canvas& canvas, Rgb buttonFace, int areaLeft, int areaTop);

  // The grid: the layout's circles, then the nine spokes from the running angle.
  void DrawGrid(Canvas& canvas);
  // The outline of the totals against the targets, starting on the energy axis.
  void DrawGraph(Canvas& canvas, const NutrientTotals& totals, const NutrientTargets& targets);
  // A whole new chart: the state reset, the grid and the outline.
  void DrawChart(Canvas& canvas, const NutrientTotals& totals, const NutrientTargets& targets);
  // Paints the outline over in the button face and draws the grid again where
  // the outline crossed it.
  void EraseGraph(Canvas& canvas, const NutrientTotals& totals, const NutrientTargets& targets,
                  Rgb buttonFace);

  // Radius of the energy axis handed to FDrawGraph: (total × F div target) × 0.1.
  long double EnergyRadius(const NutrientTotals& totals, const NutrientTargets& targets) const;

  int centreX() const { return centreX_; }
  int centreY() const { return centreY_; }
  long double angle() const { return angle_; }

 private:
  void DrawPolygon(Canvas& canvas, long double startRadius, const NutrientTotals& totals,
                   const NutrientTargets& targets);

  ChartLayout layout_;
  int centreX_ = 0, centreY_ = 0;
  long double angle_ = 0;
  long double lastX_ = 0, lastY_ = 0;
};

}  // namespace eiyou
