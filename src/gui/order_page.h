// The order sheet (発注表) on A4 portrait pages: the facility, the period and
// the groups counted on the first, the column headings and the page number
// 「1 / 3」 on every page, the notes and the food table's edition after the
// last line. Painted on any paged device: a PDF file, a printer, a print
// preview.
#pragma once

#include <QString>

#include "reports/order_report.h"

class QPainter;
class QPagedPaintDevice;

namespace eiyou {

// Paints the sheet on `device`'s pages from the one the painter is on.
void PaintOrderSheet(QPainter& painter, QPagedPaintDevice& device, const OrderReport& report);

// Writes the sheet as an A4 portrait PDF. False, with `error`, when the file
// cannot be written; nothing is left under `path` then.
bool WriteOrderSheetPdf(const OrderReport& report, const QString& path, QString& error);

}  // namespace eiyou
