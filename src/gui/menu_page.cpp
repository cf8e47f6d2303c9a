#include "gui/menu_page.h"

#include <QDate>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <map>

#include "gui/fitted_text.h"
#include "gui/pdf_file.h"
#include "gui/text.h"

namespace eiyou {

namespace {

// Points: nothing on the page smaller than kFloor, which stays legible printed.
constexpr qreal kFloor = 7, kDishes = 8.5, kSmall = 7;
constexpr qreal kMargin = 10, kFootHeight = 24, kHeadHeight = 14, kWeekdayHeight = 5.5;

const QColor kRule(120, 120, 120), kGrey(150, 150, 150), kShade(242, 242, 242);

// The energy beside the date; protein and salt on a line above the allergens.
QString Energy(const MenuDay& day) { return day.energy.empty() ? QString() : U(day.energy + "kcal"); }
QString ProteinAndSalt(const MenuDay& day) {
  QStringList parts;
  if (!day.protein.empty()) parts << U("たんぱく質" + day.protein + "g");
  if (!day.salt.empty()) parts << U("塩分" + day.salt + "g");
  return parts.join(QLatin1Char(' '));
}

void PaintDay(QPainter& painter, const QRectF& cell, int dayOfMonth, const MenuDay* day, qreal mm) {
  const QRectF inner = cell.adjusted(1.2 * mm, 0.8 * mm, -1.2 * mm, -0.8 * mm);
  const qreal dateHeight = 4.2 * mm, dateWidth = 5.5 * mm;
  painter.setPen(day ? Qt::black : kGrey);
  painter.setFont(PageFont(9, true));
  painter.drawText(QRectF(inner.left(), inner.top(), dateWidth, dateHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("%1").arg(dayOfMonth));
  if (!day) return;
  painter.setPen(Qt::black);
  // The energy beside the date; protein, salt and the allergens at the foot;
  // the dishes between.
  DrawFittedLine(painter, QRectF(inner.left() + dateWidth, inner.top(), inner.width() - dateWidth, dateHeight),
                 Energy(*day), PageFont(8, true), kFloor, Qt::AlignRight | Qt::AlignVCenter);
  const std::vector<std::string> allergens = AllergenLines(*day);
  const qreal smallLine = 3.1 * mm;
  const qreal foot = inner.bottom() - smallLine * static_cast<qreal>(allergens.size() + 1);
  DrawFittedLine(painter, QRectF(inner.left(), foot, inner.width(), smallLine), ProteinAndSalt(*day),
                 PageFont(kSmall, true), kFloor);
  for (std::size_t i = 0; i < allergens.size(); ++i)
    DrawFittedLine(painter,
                   QRectF(inner.left(), foot + smallLine * static_cast<qreal>(i + 1), inner.width(), smallLine),
                   U(allergens[i]), PageFont(kSmall), kFloor);
  painter.setPen(kRule);
  painter.drawLine(QPointF(inner.left(), foot - 0.3 * mm), QPointF(inner.right(), foot - 0.3 * mm));
  painter.setPen(Qt::black);
  // A dish a line as long as they fit; else one after another, which packs
  // short names (ごはん、牛乳) onto a line; else cut with 「…」.
  QStringList dishes;
  for (const std::string& dish : day->dishes) dishes << U(dish);
  const qreal top = inner.top() + dateHeight + 0.4 * mm;
  const QRectF box(inner.left(), top, inner.width(), foot - 0.6 * mm - top);
  // Packed, no larger than the lines of the days beside it that needed
  // shrinking.
  const QString lines = dishes.join(QLatin1Char('\n'));
  if (FitsAt(painter, box, lines, PageFont(kFloor)))
    DrawFittedText(painter, box, lines, PageFont(kDishes), kFloor);
  else
    DrawFittedText(painter, box, dishes.join(U("、")), PageFont(kFloor + 0.5), kFloor);
}

}  // namespace

void PaintMonthlyMenu(QPainter& painter, QPagedPaintDevice&, const MonthlyMenu& menu) {
  const QRect page = painter.viewport();
  const qreal mm = page.width() / 297.0;
  const qreal left = kMargin * mm, width = page.width() - 2 * kMargin * mm;
  painter.setPen(Qt::black);

  // The title on the left, the facility, group and month on the right.
  const qreal top = kMargin * mm;
  painter.setFont(PageFont(20, true));
  painter.drawText(QRectF(left, top, width / 2, kHeadHeight * mm), Qt::AlignLeft | Qt::AlignVCenter,
                   U(MonthlyMenuTitle(menu)));
  DrawFittedLine(painter, QRectF(left + width * 0.35, top, width * 0.65, 7 * mm), U(menu.facility),
                 PageFont(12, true), 9, Qt::AlignRight | Qt::AlignVCenter);
  std::string sub = std::to_string(menu.year) + "年" + std::to_string(menu.month) + "月";
  if (!menu.group.empty()) sub += "　対象: " + menu.group;
  DrawFittedLine(painter, QRectF(left + width * 0.35, top + 7 * mm, width * 0.65, 6 * mm), U(sub), PageFont(10),
                 kFloor, Qt::AlignRight | Qt::AlignVCenter);

  // The calendar: the served days by date; 土 only when one is served.
  const QDate first(menu.year, menu.month, 1);
  std::map<int, const MenuDay*> served;
  bool saturday = false;
  for (const MenuDay& day : menu.days) {
    const QDate date = QDate::fromString(U(day.date), Qt::ISODate);
    if (date.year() != menu.year || date.month() != menu.month) continue;
    served[date.day()] = &day;
    saturday = saturday || date.dayOfWeek() == 6;
  }
  const int columns = saturday ? 6 : 5;
  // The weeks that hold a day of the month on a shown weekday.
  std::vector<QDate> mondays;
  for (QDate monday = first.addDays(1 - first.dayOfWeek()); monday <= first.addMonths(1).addDays(-1);
       monday = monday.addDays(7)) {
    bool shown = false;
    for (int c = 0; c < columns; ++c) shown = shown || monday.addDays(c).month() == menu.month;
    if (shown) mondays.push_back(monday);
  }
  const qreal calendarTop = top + kHeadHeight * mm + 2 * mm;
  const qreal calendarBottom = page.height() - (kMargin + kFootHeight + 2) * mm;
  const qreal columnWidth = width / columns;
  const qreal rowHeight = (calendarBottom - calendarTop - kWeekdayHeight * mm) / static_cast<qreal>(mondays.size());
  static const char* const kWeekdays[6] = {"月", "火", "水", "木", "金", "土"};
  painter.fillRect(QRectF(left, calendarTop, width, kWeekdayHeight * mm), QColor(225, 225, 225));
  painter.setFont(PageFont(9, true));
  for (int c = 0; c < columns; ++c)
    painter.drawText(QRectF(left + c * columnWidth, calendarTop, columnWidth, kWeekdayHeight * mm), Qt::AlignCenter,
                     U(kWeekdays[c]));
  for (std::size_t w = 0; w < mondays.size(); ++w)
    for (int c = 0; c < columns; ++c) {
      const QDate date = mondays[w].addDays(c);
      const QRectF cell(left + c * columnWidth, calendarTop + kWeekdayHeight * mm + rowHeight * static_cast<qreal>(w),
                        columnWidth, rowHeight);
      if (date.month() != menu.month) {
        painter.fillRect(cell, kShade);
        continue;
      }
      const auto it = served.find(date.day());
      PaintDay(painter, cell, date.day(), it == served.end() ? nullptr : it->second, mm);
    }
  painter.setPen(QPen(kRule, 0.25 * mm));
  for (int c = 0; c <= columns; ++c)
    painter.drawLine(QPointF(left + c * columnWidth, calendarTop), QPointF(left + c * columnWidth, calendarBottom));
  for (std::size_t w = 0; w <= mondays.size(); ++w) {
    const qreal y = calendarTop + kWeekdayHeight * mm + rowHeight * static_cast<qreal>(w);
    painter.drawLine(QPointF(left, y), QPointF(left + width, y));
  }
  painter.drawLine(QPointF(left, calendarTop), QPointF(left + width, calendarTop));

  // Under the calendar: the average box, then the notes and the sources.
  const qreal footTop = calendarBottom + 2 * mm, boxWidth = 110 * mm, footHeight = kFootHeight * mm;
  painter.setPen(QPen(Qt::black, 0.3 * mm));
  painter.drawRect(QRectF(left, footTop, boxWidth, footHeight));
  painter.setPen(Qt::black);
  const qreal pad = 1.2 * mm, line = 4.3 * mm;
  DrawFittedLine(painter, QRectF(left + pad, footTop + pad, boxWidth - 2 * pad, line),
                 U("今月の平均" + (menu.referenceName.empty() ? std::string() : "（基準: " + menu.referenceName + "）")),
                 PageFont(8.5, true), kFloor);
  constexpr qreal kBoxColumns[4] = {36, 18, 20, 33};  // 名前, 平均, 基準値, 判定 (mm)
  const char* const kBoxHeadings[4] = {"", "平均", "基準値", "判定"};
  auto boxRow = [&](qreal y, const QString (&texts)[4], bool bold) {
    qreal x = left + pad;
    for (int c = 0; c < 4; ++c) {
      DrawFittedLine(painter, QRectF(x, y, (kBoxColumns[c] - 1) * mm, line), texts[c], PageFont(8, bold), kFloor,
                     Qt::AlignVCenter | (c == 1 || c == 2 ? Qt::AlignRight : Qt::AlignLeft));
      x += kBoxColumns[c] * mm + (c == 2 ? 2 * mm : 0);
    }
  };
  qreal y = footTop + pad + line;
  const QString headings[4] = {U(kBoxHeadings[0]), U(kBoxHeadings[1]), U(kBoxHeadings[2]), U(kBoxHeadings[3])};
  boxRow(y, headings, true);
  y += line;
  for (const MenuAverage& a : menu.averages) {
    const QString texts[4] = {U(a.name), U(a.average), U(a.reference), U(a.judgement)};
    boxRow(y, texts, false);
    y += line;
  }

  const qreal notesLeft = left + boxWidth + 4 * mm, notesWidth = left + width - notesLeft;
  const qreal sourcesHeight = 3.4 * mm * static_cast<qreal>(std::max<std::size_t>(menu.sources.size(), 1));
  painter.setPen(Qt::black);
  DrawFittedText(painter, QRectF(notesLeft, footTop, notesWidth, footHeight - sourcesHeight - 1 * mm),
                 U(menu.notes), PageFont(8.5), kFloor);
  painter.setPen(QColor(80, 80, 80));
  qreal sy = footTop + footHeight - sourcesHeight;
  for (const std::string& source : menu.sources) {
    DrawFittedLine(painter, QRectF(notesLeft, sy, notesWidth, 3.4 * mm), U(source), PageFont(kSmall), kFloor);
    sy += 3.4 * mm;
  }
  painter.setPen(Qt::black);
}

bool WriteMonthlyMenuPdf(const MonthlyMenu& menu, const QString& path, QString& error) {
  return WriteA4Pdf(
      path, U(MonthlyMenuTitle(menu)), QPageLayout::Landscape,
      [&](QPainter& painter, QPagedPaintDevice& device) { PaintMonthlyMenu(painter, device, menu); }, error);
}

}  // namespace eiyou
