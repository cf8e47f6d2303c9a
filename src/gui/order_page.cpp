#include "gui/order_page.h"

#include <QDate>
#include <QPagedPaintDevice>
#include <QPainter>
#include <vector>

#include "gui/fitted_text.h"
#include "gui/pdf_file.h"
#include "gui/text.h"

namespace eiyou {

namespace {

// The columns' widths in millimetres (186 between the margins) and which
// hold figures, set on the right.
constexpr qreal kWidths[9] = {18, 23, 22, 11, 50, 16, 15, 15.5, 15.5};
constexpr bool kFigure[9] = {false, false, false, false, false, true, true, true, true};
constexpr qreal kMargin = 12, kRowHeight = 4.8, kHeaderHeight = 6, kFooter = 12;
constexpr qreal kText = 7.5, kFloor = 7;  // points: legible on paper

// 「6/1（月）」: the year is in the period above.
QString ShortDate(const std::string& iso) {
  const QDate date = QDate::fromString(U(iso), Qt::ISODate);
  if (!date.isValid()) return U(iso);
  static const char* const kDays[7] = {"月", "火", "水", "木", "金", "土", "日"};
  return QStringLiteral("%1/%2（").arg(date.month()).arg(date.day()) + U(kDays[date.dayOfWeek() - 1]) +
         QStringLiteral("）");
}

// The texts of a row as printed: the date, supplier and group only where they
// change (and again at the top of a page), so that the groups stand out.
QStringList Cells(const OrderReportRow& row, const OrderReportRow* above) {
  const bool sameDate = above && above->delivery == row.delivery;
  const bool sameSupplier = sameDate && above->supplier == row.supplier && !above->subtotal;
  const bool sameGroup = sameSupplier && above->group == row.group;
  return {sameDate ? QString() : ShortDate(row.delivery), sameSupplier ? QString() : U(row.supplier),
          sameGroup ? QString() : U(row.group), U(row.number), U(row.name), U(row.net), U(row.refuse),
          U(row.order), U(row.orderKg)};
}

}  // namespace

void PaintOrderSheet(QPainter& painter, QPagedPaintDevice& device, const OrderReport& report) {
  const QRect page = painter.viewport();
  const qreal mm = page.width() / 210.0;
  const qreal left = kMargin * mm, width = page.width() - 2 * kMargin * mm;
  const qreal bottom = page.height() - (kMargin + kFooter) * mm;

  // The block above the table on the first page, and the notes under it:
  // measured first, for the page count.
  auto measure = [&](const std::string& utf8, const QFont& font) {
    painter.setFont(font);
    return painter.boundingRect(QRectF(0, 0, width, 1000 * mm), Qt::TextWordWrap, U(utf8)).height();
  };
  qreal headHeight = measure(report.title, PageFont(16, true)) + 2 * mm;
  for (const std::string& line : report.heading) headHeight += measure(line, PageFont(9.5));
  headHeight += 3 * mm;
  std::vector<qreal> noteHeights;
  for (const auto* lines : {&report.notes, &report.sources})
    for (const std::string& line : *lines) noteHeights.push_back(measure(line, PageFont(kText)));

  // Where each row and note goes: the page and the top.
  struct Place {
    int page;
    qreal y;
  };
  const qreal tableTop = kMargin * mm + kHeaderHeight * mm;
  std::vector<Place> rows, notes;
  int pages = 1;
  qreal y = kMargin * mm + headHeight + kHeaderHeight * mm;
  for (std::size_t i = 0; i < report.rows.size(); ++i) {
    if (y + kRowHeight * mm > bottom) {
      ++pages;
      y = tableTop;
    }
    rows.push_back({pages - 1, y});
    y += kRowHeight * mm;
  }
  y += 3 * mm;
  for (qreal h : noteHeights) {
    if (y + h > bottom) {
      ++pages;
      y = kMargin * mm;
    }
    notes.push_back({pages - 1, y});
    y += h;
  }

  auto header = [&](qreal top) {
    qreal x = left;
    for (int c = 0; c < 9; ++c) {
      DrawFittedLine(painter, QRectF(x + 0.5 * mm, top, kWidths[c] * mm - 1 * mm, kHeaderHeight * mm),
                     U(kOrderColumns[c]), PageFont(kText, true), kFloor,
                     Qt::AlignVCenter | (kFigure[c] ? Qt::AlignRight : Qt::AlignLeft));
      x += kWidths[c] * mm;
    }
    painter.drawLine(QPointF(left, top + kHeaderHeight * mm), QPointF(left + width, top + kHeaderHeight * mm));
  };
  auto footer = [&](int index) {
    painter.setFont(PageFont(8));
    painter.drawText(QRectF(left, page.height() - (kMargin + 6) * mm, width, 6 * mm), Qt::AlignCenter,
                     QStringLiteral("%1 / %2").arg(index + 1).arg(pages));
  };

  painter.setPen(Qt::black);
  qreal at = kMargin * mm;
  auto text = [&](const std::string& utf8, const QFont& font) {
    painter.setFont(font);
    const QRectF box = painter.boundingRect(QRectF(left, at, width, 1000 * mm), Qt::TextWordWrap, U(utf8));
    painter.drawText(box, Qt::TextWordWrap, U(utf8));
    at += box.height();
  };
  text(report.title, PageFont(16, true));
  at += 2 * mm;
  for (const std::string& line : report.heading) text(line, PageFont(9.5));
  header(kMargin * mm + headHeight);
  footer(0);

  int current = 0;
  for (std::size_t i = 0; i < report.rows.size(); ++i) {
    const OrderReportRow& row = report.rows[i];
    bool top = false;
    if (rows[i].page != current) {
      device.newPage();
      current = rows[i].page;
      header(kMargin * mm);
      footer(current);
      top = true;
    }
    const qreal ry = rows[i].y;
    if (row.subtotal) painter.drawLine(QPointF(left + 23 * mm, ry), QPointF(left + width, ry));
    const QStringList cells = Cells(row, i && !top ? &report.rows[i - 1] : nullptr);
    qreal x = left;
    for (int c = 0; c < 9; ++c) {
      if (!cells[c].isEmpty())
        DrawFittedLine(painter, QRectF(x + 0.5 * mm, ry, kWidths[c] * mm - 1 * mm, kRowHeight * mm), cells[c],
                       PageFont(kText, row.subtotal), kFloor,
                       Qt::AlignVCenter | (kFigure[c] ? Qt::AlignRight : Qt::AlignLeft));
      x += kWidths[c] * mm;
    }
    // A delivery date ends with its subtotal: a rule under it.
    if (row.subtotal)
      painter.drawLine(QPointF(left, ry + kRowHeight * mm), QPointF(left + width, ry + kRowHeight * mm));
  }

  std::size_t n = 0;
  for (const auto* lines : {&report.notes, &report.sources})
    for (const std::string& line : *lines) {
      if (notes[n].page != current) {
        device.newPage();
        current = notes[n].page;
        footer(current);
      }
      painter.setFont(PageFont(kText));
      painter.drawText(QRectF(left, notes[n].y, width, noteHeights[n] + 1), Qt::TextWordWrap, U(line));
      ++n;
    }
}

bool WriteOrderSheetPdf(const OrderReport& report, const QString& path, QString& error) {
  return WriteA4Pdf(
      path, U(report.title), QPageLayout::Portrait,
      [&](QPainter& painter, QPagedPaintDevice& device) { PaintOrderSheet(painter, device, report); }, error);
}

}  // namespace eiyou
