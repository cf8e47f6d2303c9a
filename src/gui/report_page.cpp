#include "gui/report_page.h"

#include <QFile>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>

#include "gui/text.h"
#include "nutrition/radar_chart.h"
#include "nutrition/segment_clip.h"

namespace eiyou {

namespace {

// Canvas over a painter: the chart's lines as vectors on whatever device,
// cut at the chart's square so that a figure far above its reference does not
// run over the table beside it.
class PainterCanvas : public Canvas {
 public:
  PainterCanvas(QPainter& painter, qreal lineScale, const ClipBox& box)
      : p_(painter), lineScale_(lineScale), box_(box) {}
  void SetPen(Rgb colour, int width) override {
    QPen pen(QColor(colour.r, colour.g, colour.b));
    pen.setWidthF(width * lineScale_);
    pen.setCapStyle(Qt::RoundCap);
    p_.setPen(pen);
  }
  void MoveTo(int x, int y) override { at_ = QPointF(x, y); }
  void LineTo(int x, int y) override {
    double x0 = at_.x(), y0 = at_.y(), x1 = x, y1 = y;
    if (ClipSegment(x0, y0, x1, y1, box_)) p_.drawLine(QPointF(x0, y0), QPointF(x1, y1));
    at_ = QPointF(x, y);
  }
  void SetBrush(Rgb colour) override { brush_ = QColor(colour.r, colour.g, colour.b); }
  void FillRect(int left, int top, int right, int bottom) override {
    p_.fillRect(QRectF(left, top, right - left, bottom - top), brush_);
  }

 private:
  QPainter& p_;
  qreal lineScale_;
  ClipBox box_;
  QPointF at_;
  QColor brush_;
};

// The axis names in chart order, clockwise from the top.
const char* const kAxisNames[kNutrients] = {"エネルギー", "たんぱく質", "総脂質",
                                            "カルシウム", "鉄",         "ビタミンＡ",
                                            "ビタミンＢ１", "ビタミンＢ２", "ビタミンＣ"};

// A figure as the window shows it: "-" for none, its words and marks after it.
QString Shown(const ReportRow& row, std::size_t column) {
  if (column >= row.cells.size() || row.cells[column].number.empty()) return QStringLiteral("-");
  const ReportCell& cell = row.cells[column];
  return U(cell.number + cell.words + cell.mark);
}

QFont SizedFont(qreal points, bool bold = false) {
  QFont f;
  f.setPointSizeF(points);
  f.setBold(bold);
  return f;
}

}  // namespace

void PaintReport(QPainter& painter, const Report& report, const ReportChart& chart) {
  const QRect page = painter.viewport();
  const qreal mm = page.width() / 210.0;  // device pixels per millimetre on A4
  const qreal left = 15 * mm, width = page.width() - 30 * mm;
  qreal y = 15 * mm;
  painter.setPen(Qt::black);

  // Wrapped text from (x, top), `w` wide; its height.
  auto textAt = [&](const std::string& utf8, const QFont& font, qreal x, qreal top, qreal w) {
    painter.setFont(font);
    const QRectF box =
        painter.boundingRect(QRectF(x, top, w, 1000 * mm), Qt::TextWordWrap, U(utf8));
    painter.drawText(box, Qt::TextWordWrap, U(utf8));
    return box.height();
  };
  auto text = [&](const std::string& utf8, const QFont& font, qreal x, qreal w) {
    return textAt(utf8, font, x, y, w);
  };

  y += text(report.title, SizedFont(18, true), left, width) + 3 * mm;
  for (const std::string& line : report.heading) y += text(line, SizedFont(10.5), left, width);
  y += 4 * mm;

  // The chart: the daily chart's routine and geometry, at this page's resolution.
  const qreal chartSize = 95 * mm;
  if (chart.shown) {
    const int unit = static_cast<int>(chartSize / 2 / 14);
    ChartLayout layout = kDailyChart;
    layout.paintLeft = static_cast<int>(left);
    layout.paintTop = static_cast<int>(y);
    layout.paintWidth = layout.paintHeight = static_cast<int>(chartSize);
    layout.unit = unit;
    RadarChart radar(layout);
    PainterCanvas canvas(painter, unit / 16.0,
                         {double(layout.paintLeft), double(layout.paintTop),
                          double(layout.paintLeft + layout.paintWidth),
                          double(layout.paintTop + layout.paintHeight)});
    painter.setRenderHint(QPainter::Antialiasing, true);
    radar.DrawChart(canvas, chart.totals, chart.targets);
    painter.setPen(QColor(128, 0, 0));
    painter.setFont(SizedFont(8));
    for (int k = 0; k < kNutrients; ++k) {
      const qreal a = k * 40.0 * M_PI / 180.0, r = 13.2 * unit;
      const QPointF at(radar.centreX() + r * std::sin(a), radar.centreY() - r * std::cos(a));
      const QRectF box(at.x() - 15 * mm, at.y() - 3 * mm, 30 * mm, 6 * mm);
      painter.drawText(box, Qt::AlignCenter, U(kAxisNames[k]));
    }
    painter.setPen(Qt::black);
  }

  // The figures beside the chart: average (or the day), reference, share.
  const qreal tableLeft = left + chartSize + 6 * mm, tableWidth = left + width - tableLeft;
  const qreal rowHeight = 6.2 * mm;
  const qreal columnWidth[4] = {tableWidth * 0.40, tableWidth * 0.22, tableWidth * 0.20,
                                tableWidth * 0.18};
  qreal ty = y;
  painter.setFont(SizedFont(9, true));
  const char* headers[4] = {"栄養素", report.days.size() == 1 ? "摂取量" : "平均", "基準値",
                            "割合(%)"};
  qreal x = tableLeft;
  for (int c = 0; c < 4; ++c) {
    painter.drawText(QRectF(x, ty, columnWidth[c], rowHeight),
                     Qt::AlignVCenter | (c ? Qt::AlignRight : Qt::AlignLeft), U(headers[c]));
    x += columnWidth[c];
  }
  ty += rowHeight;
  painter.drawLine(QPointF(tableLeft, ty), QPointF(tableLeft + tableWidth, ty));
  painter.setFont(SizedFont(9));
  const ReportRow& shown = report.days.size() == 1 ? report.days.front() : report.average;
  for (std::size_t i = 0; i < report.columns.size(); ++i) {
    const ReportColumn& column = report.columns[i];
    // The mark after the figure, a blank in its place without: the numbers
    // stay aligned on their right, as in the window.
    const bool marked = i < shown.cells.size() && !shown.cells[i].mark.empty();
    const QString texts[4] = {U(ColumnHeading(column)),
                              Shown(shown, i) + (marked ? QString() : U("　")),
                              Shown(report.reference, i), Shown(report.percent, i)};
    x = tableLeft;
    for (int c = 0; c < 4; ++c) {
      painter.drawText(QRectF(x, ty, columnWidth[c], rowHeight),
                       Qt::AlignVCenter | (c ? Qt::AlignRight : Qt::AlignLeft), texts[c]);
      x += columnWidth[c];
    }
    ty += rowHeight;
  }
  // What the marks mean, under the table, where a mark appears.
  if (HasMarks(report))
    ty += 1 * mm + textAt(report.marksLegend, SizedFont(7.5), tableLeft, ty + 1 * mm, tableWidth);
  y = std::max(y + chartSize, ty) + 6 * mm;

  // The days of a period under the columns of the window's list of them.
  if (report.days.size() > 1 && !report.dayTable.empty()) {
    const std::size_t columns = report.dayTable.size();
    const qreal cw = width / static_cast<qreal>(columns + 1), rh = 4.6 * mm;
    painter.setFont(SizedFont(8, true));
    painter.drawText(QRectF(left, y, cw, rh), Qt::AlignVCenter, U("日付"));
    for (std::size_t c = 0; c < columns; ++c)
      painter.drawText(QRectF(left + cw * (c + 1), y, cw, rh), Qt::AlignVCenter | Qt::AlignRight,
                       U(report.dayTable[c].heading));
    y += rh;
    painter.setFont(SizedFont(8));
    const qreal bottom = page.height() - 30 * mm;
    std::size_t d = 0;
    for (; d < report.days.size() && y + rh < bottom; ++d, y += rh) {
      const ReportRow& day = report.days[d];
      painter.drawText(QRectF(left, y, cw, rh), Qt::AlignVCenter, U(day.label));
      for (std::size_t c = 0; c < columns; ++c)
        painter.drawText(QRectF(left + cw * (c + 1), y, cw, rh), Qt::AlignVCenter | Qt::AlignRight,
                         Shown(day, report.dayTable[c].column));
    }
    if (d < report.days.size()) {
      y += text("ほか " + std::to_string(report.days.size() - d) + " 日分は CSV・Excel に保存できます。",
                SizedFont(8), left, width);
    }
  }

  // The sources at the foot of the page.
  y = page.height() - 25 * mm;
  for (const std::string& line : report.sources) y += text(line, SizedFont(7.5), left, width);
}

bool WriteReportPdf(const Report& report, const ReportChart& chart, const QString& path,
                    QString& error) {
  // Written beside the target and renamed over it: no half file under the name.
  const QString temp = path + QStringLiteral(".part");
  {
    QPdfWriter writer(temp);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(1200);
    writer.setTitle(U(report.title));
    writer.setCreator(QStringLiteral("eiyou"));
    QPainter painter;
    if (!painter.begin(&writer)) {
      error = U("ファイル ") + path + U(" を作成できません。");
      QFile::remove(temp);
      return false;
    }
    PaintReport(painter, report, chart);
    painter.end();
  }
  QFile::remove(path);
  if (!QFile::exists(temp) || !QFile::rename(temp, path)) {
    QFile::remove(temp);
    error = U("ファイル ") + path + U(" を作成できません。");
    return false;
  }
  return true;
}

}  // namespace eiyou
