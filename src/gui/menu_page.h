// The month's menu for families on one A4 landscape page: a calendar, weeks
// as rows and 月..金 as columns (土 too when a Saturday is served), each
// serving day with its dishes, energy, protein and salt and its allergens;
// the month's average against the reference, the notes and the sources under
// it. Painted on any paged device set to A4 landscape: a PDF file, a printer,
// a print preview.
#pragma once

#include <QString>

#include "reports/monthly_menu.h"

class QPainter;
class QPagedPaintDevice;

namespace eiyou {

// Paints the menu on the page the painter is on.
void PaintMonthlyMenu(QPainter& painter, QPagedPaintDevice& device, const MonthlyMenu& menu);

// Writes the menu as a one-page A4 landscape PDF. False, with `error`, when
// the file cannot be written; nothing is left under `path` then.
bool WriteMonthlyMenuPdf(const MonthlyMenu& menu, const QString& path, QString& error);

}  // namespace eiyou
