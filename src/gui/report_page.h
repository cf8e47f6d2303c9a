// A report on one A4 page: the title and heading, the radar chart drawn as
// vectors at the page's resolution, the figures with the reference and the
// share of it, the days of a period, and the sources. Painted on any paint
// device: a PDF file, a printer, a print preview.
#pragma once

#include <QString>

#include "nutrition/nutrients.h"
#include "reports/report.h"

class QPainter;
class QPagedPaintDevice;

namespace eiyou {

// The chart of a report: totals against targets, as the daily chart draws them.
struct ReportChart {
  NutrientTotals totals;
  NutrientTargets targets;
  bool shown = false;  // no chart without a chosen reference row
};

// Paints the report onto the page the painter is active on.
void PaintReport(QPainter& painter, const Report& report, const ReportChart& chart);

// Writes the report as a one-page A4 PDF. False, with `error`, when the file
// cannot be written.
bool WriteReportPdf(const Report& report, const ReportChart& chart, const QString& path,
                    QString& error);

}  // namespace eiyou
