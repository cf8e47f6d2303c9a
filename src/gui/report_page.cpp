#include "gui/report_page.h"

#include <QFont>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <map>

#include "gui/pdf_file.h"
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

// A cell of the assessment as the window shows it, "-" for none.
QString ShownCell(const ReportCell& cell) {
  if (cell.number.empty() && cell.words.empty()) return QStringLiteral("-");
  return U(cell.number + cell.words + cell.mark);
}

// The assessment on pages of its own, after the figures: the table, the rows'
// notes gathered by their text (the nutrients named), then the section's notes.
void PaintAssessment(QPainter& painter, QPagedPaintDevice& device, const Report& report) {
  const ReportAssessment& a = *report.assessment;
  const QRect page = painter.viewport();
  const qreal mm = page.width() / 210.0;
  const qreal left = 15 * mm, width = page.width() - 30 * mm, bottom = page.height() - 15 * mm;
  qreal y = 15 * mm;
  auto text = [&](const std::string& utf8, const QFont& font) {
    painter.setFont(font);
    QRectF box = painter.boundingRect(QRectF(left, y, width, 1000 * mm), Qt::TextWordWrap, U(utf8));
    if (y + box.height() > bottom) {
      device.newPage();
      y = 15 * mm;
      box.moveTop(y);
    }
    painter.drawText(box, Qt::TextWordWrap, U(utf8));
    y += box.height();
  };
  painter.setPen(Qt::black);
  text(report.title + "　" + a.title, SizedFont(16, true));
  y += 2 * mm;
  for (const std::string& line : report.heading) text(line, SizedFont(9.5));
  y += 3 * mm;

  // 栄養素, the six figures, 判定: the widths in millimetres.
  constexpr qreal kWidths[8] = {50, 17, 17, 15, 15, 19, 17, 30};
  const qreal rowHeight = 5.0 * mm, headerHeight = 9 * mm;
  auto header = [&] {
    painter.setFont(SizedFont(7, true));
    qreal x = left;
    for (int c = 0; c < 8; ++c) {
      painter.drawText(QRectF(x, y, kWidths[c] * mm, headerHeight),
                       Qt::AlignVCenter | Qt::TextWordWrap | (c ? Qt::AlignHCenter : Qt::AlignLeft),
                       // The longest heading broken where a reader would.
                       c == 2 ? U("推定平均\n必要量") : U(kAssessmentHeadings[c]));
      x += kWidths[c] * mm;
    }
    y += headerHeight;
    painter.drawLine(QPointF(left, y), QPointF(left + width, y));
  };
  header();
  for (const ReportAssessmentRow& row : a.rows) {
    if (y + rowHeight > bottom) {
      device.newPage();
      y = 15 * mm;
      header();
    }
    painter.setFont(SizedFont(7));
    qreal x = left;
    painter.drawText(QRectF(x, y, kWidths[0] * mm, rowHeight), Qt::AlignVCenter | Qt::AlignLeft,
                     U(row.nutrient));
    x += kWidths[0] * mm;
    for (std::size_t i = 0; i < row.cells.size() && i < 6; ++i) {
      // The intake's marks after it, a blank in their place without: the
      // numbers stay aligned on their right.
      QString shown = ShownCell(row.cells[i]);
      if (i == 0 && row.cells[i].mark.empty()) shown += U("　");
      painter.drawText(QRectF(x, y, (kWidths[i + 1] - 1) * mm, rowHeight),
                       Qt::AlignVCenter | Qt::AlignRight, shown);
      x += kWidths[i + 1] * mm;
    }
    // The symbol in the judgement's colour: its shape tells it apart on a
    // printer without colour, the colour where there is one.
    const qreal symbolWidth = 4 * mm;
    painter.setFont(SizedFont(7, true));
    painter.setPen(QColor(row.colour[0], row.colour[1], row.colour[2]));
    painter.drawText(QRectF(x + 1 * mm, y, symbolWidth, rowHeight), Qt::AlignCenter, U(row.symbol));
    painter.setPen(Qt::black);
    painter.setFont(SizedFont(7));
    painter.drawText(QRectF(x + 1 * mm + symbolWidth, y, kWidths[7] * mm - symbolWidth, rowHeight),
                     Qt::AlignVCenter | Qt::AlignLeft, U(row.judgement));
    y += rowHeight;
  }
  painter.drawLine(QPointF(left, y), QPointF(left + width, y));
  y += 2 * mm;

  // A row's note once, with every nutrient it is said of; those the section
  // notes say anyway are left to them.
  std::vector<std::pair<std::string, std::string>> notes;
  std::map<std::string, std::size_t> noteAt;
  for (const ReportAssessmentRow& row : a.rows) {
    if (row.note.empty() || std::find(a.notes.begin(), a.notes.end(), row.note) != a.notes.end())
      continue;
    const std::string name = row.nutrient.substr(0, row.nutrient.find("（"));
    const auto [it, added] = noteAt.try_emplace(row.note, notes.size());
    if (added) notes.emplace_back(row.note, name);
    else notes[it->second].second += "、" + name;
  }
  for (const auto& [note, names] : notes) text(names + ": " + note, SizedFont(7.5));
  y += 1 * mm;
  for (const std::string& note : a.notes) text(note, SizedFont(7.5));
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

  // The assessment follows on pages of its own where the device has pages.
  if (report.assessment)
    if (auto* device = dynamic_cast<QPagedPaintDevice*>(painter.device()); device && device->newPage())
      PaintAssessment(painter, *device, report);
}

bool WriteReportPdf(const Report& report, const ReportChart& chart, const QString& path,
                    QString& error) {
  return WriteA4Pdf(
      path, U(report.title), QPageLayout::Portrait,
      [&](QPainter& painter, QPagedPaintDevice&) { PaintReport(painter, report, chart); }, error);
}

}  // namespace eiyou
