// A report on one A4 page: the title and heading, the radar chart drawn as
// vectors at the page's resolution, the figures with the reference and the
// share of it, the days of a period, and the sources; the assessment, when the
// report has one, on the page after. Painted on any paint device: a PDF file,
// a printer, a print preview.
#pragma once

#include <QString>

#include "reports/figures_report.h"

class QPainter;
class QPagedPaintDevice;

namespace eiyou {

// Paints the report onto the page the painter is active on, and the
// assessment onto the next page (paged devices only).
void PaintReport(QPainter& painter, const Report& report, const ReportChart& chart);

// Writes the report as an A4 PDF: one page, two with the assessment. False,
// with `error`, when the file cannot be written.
bool WriteReportPdf(const Report& report, const ReportChart& chart, const QString& path,
                    QString& error);

}  // namespace eiyou
