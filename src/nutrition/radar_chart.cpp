#include "nutrition/radar_chart.h"

#include <cmath>

#include "nutrition/real48.h"

namespace eiyou {

namespace {

// One chord of a circle, 5 degrees: the extended value nearest pi/36.
constexpr long double kChordStep = 0.0872664625997164788461845384244306L;
// One axis, 40 degrees: the extended value nearest 2*pi/9.
constexpr long double kAxisStep = 0.698131700797731830769476307395444L;
// Ratios are in tenths of a chart unit.
constexpr long double kTenth = 0.1L;

constexpr int kGridWidth = 1;
constexpr int kGraphWidth = 2;

// (total × F) div target, truncating towards zero, in 64 bits so the product
// cannot overflow. A target that is not positive has no meaningful ratio; its
// axis gets ratio 0, the vertex at the centre.
std::int64_t Ratio(std::int32_t total, std::int32_t factor, std::int32_t target) {
  if (target <= 0) return 0;
  return static_cast<std::int64_t>(total) * factor / target;
}

}  // namespace

ChartBlocker RowChoice(int sex, int ageRow) {
  if (sex != 0 && sex != 1) return ChartBlocker::NoSex;
  if (ageRow < 1 || ageRow > 11) return ChartBlocker::NoAge;
  return ChartBlocker::None;
}

const char* ChartBlockerMessage(ChartBlocker blocker) {
  switch (blocker) {
    case ChartBlocker::None: break;
    case ChartBlocker::NoReference: return "基準摂取量を読み込んでください！";
    case ChartBlocker::NoSex: return "性別を選択してください！";
    case ChartBlocker::NoAge: return "年齢を選択してください！";
  }
  return "";
}

RadarChart::RadarChart(const ChartLayout& layout) : layout_(layout) { FormCreate(); }

int RadarChart::RealToDispX(long double x) const {
  return RoundEven(centreX_ + static_cast<long double>(layout_.unit) * x);
}

int RadarChart::RealToDispY(long double y) const {
  return RoundEven(centreY_ - static_cast<long double>(layout_.unit) * y);
}

void RadarChart::FormCreate() {
  angle_ = 0;
  lastX_ = 0;
  lastY_ = 0;
  centreX_ = layout_.paintLeft + layout_.paintWidth / 2;
  centreY_ = layout_.paintTop + layout_.paintHeight / 2;
}

void RadarChart::FDrawCircle(Canvas& canvas, int degrees, int radius) {
  canvas.SetPen(kGridGreen, kGridWidth);
  long double a = 0;  // a local angle; the chart's running angle is not touched
  canvas.MoveTo(RealToDispX(0), RealToDispY(radius));
  for (int step = 0; step < degrees; step += 5) {
    a += kChordStep;
    canvas.LineTo(RealToDispX(sinl(a) * radius), RealToDispY(cosl(a) * radius));
  }
}

void RadarChart::FDrawCircleRadius(Canvas& canvas) {
  canvas.SetPen(kGridGreen, kGridWidth);
  angle_ = Real48(angle_ + kAxisStep);
  lastX_ = Real48(sinl(angle_) * layout_.spokeLength);
  lastY_ = Real48(cosl(angle_) * layout_.spokeLength);
  canvas.MoveTo(RealToDispX(0), RealToDispY(0));
  canvas.LineTo(RealToDispX(lastX_), RealToDispY(lastY_));
}

void RadarChart::FDrawGraph(Canvas& canvas, long double startRadius, const NutrientTotals& totals,
                            const NutrientTargets& targets) {
  canvas.SetPen(kGraphBlue, kGraphWidth);
  DrawPolygon(canvas, startRadius, totals, targets);
}

void RadarChart::FEraseGraph(Canvas& canvas, long double startRadius, const NutrientTotals& totals,
                             const NutrientTargets& targets, Rgb buttonFace) {
  canvas.SetPen(buttonFace, kGraphWidth);
  DrawPolygon(canvas, startRadius, totals, targets);
}

void RadarChart::DrawPolygon(Canvas& canvas, long double startRadius, const NutrientTotals& totals,
                             const NutrientTargets& targets) {
  const long double start = Real48(startRadius);
  angle_ = 0;
  canvas.MoveTo(RealToDispX(sinl(0.0L) * start), RealToDispY(cosl(0.0L) * start));
  // Axes 1..8, then 0 again at 360 degrees, which closes the outline.
  for (int n = 1; n <= kNutrients; ++n) {
    const int k = n % kNutrients;
    const long double ratio =
        static_cast<long double>(Ratio(totals.value[k], layout_.factor, targets.Of(k)));
    const long double r = Real48(ratio * kTenth);
    angle_ = Real48(angle_ + kAxisStep);
    lastX_ = Real48(sinl(angle_) * r);
    lastY_ = Real48(cosl(angle_) * r);
    canvas.LineTo(RealToDispX(lastX_), RealToDispY(lastY_));
  }
}

void RadarChart::FormDestroy(Canvas& canvas, Rgb buttonFace, int areaLeft, int areaTop) {
  canvas.SetBrush(buttonFace);
  canvas.FillRect(areaLeft, areaTop, layout_.paintLeft + layout_.paintWidth,
                  layout_.paintTop + layout_.paintHeight);
  // The running angle is not reset: it stands at a whole turn after a drawing,
  // so the spokes still fall on the axes.
  DrawGrid(canvas);
}

void RadarChart::DrawGrid(Canvas& canvas) {
  for (int radius = layout_.gridStep; radius <= layout_.spokeLength; radius += layout_.gridStep)
    FDrawCircle(canvas, 360, radius);
  for (int i = 0; i < kNutrients; ++i) FDrawCircleRadius(canvas);
}

void RadarChart::DrawGraph(Canvas& canvas, const NutrientTotals& totals,
                           const NutrientTargets& targets) {
  FDrawGraph(canvas, EnergyRadius(totals, targets), totals, targets);
}

void RadarChart::DrawChart(Canvas& canvas, const NutrientTotals& totals,
                           const NutrientTargets& targets) {
  FormCreate();
  DrawGrid(canvas);
  DrawGraph(canvas, totals, targets);
}

void RadarChart::EraseGraph(Canvas& canvas, const NutrientTotals& totals,
                            const NutrientTargets& targets, Rgb buttonFace) {
  FEraseGraph(canvas, EnergyRadius(totals, targets), totals, targets, buttonFace);
  DrawGrid(canvas);
}

long double RadarChart::EnergyRadius(const NutrientTotals& totals,
                                     const NutrientTargets& targets) const {
  const long double ratio =
      static_cast<long double>(Ratio(totals.value[0], layout_.factor, targets.EnergyTarget));
  return Real48(ratio * kTenth);
}

}  // namespace eiyou
