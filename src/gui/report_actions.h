// Saving a report as the user asks: PDF, CSV or workbook, to a file chosen in
// a file dialog; and the print preview of a report.
#pragma once

#include <QString>

#include "gui/report_page.h"

class QWidget;

namespace eiyou {

enum class ReportFormat { Pdf, Csv, Xlsx };

// Writes the report to `path`. False, with `error`, when it cannot.
bool WriteReport(const Report& report, const ReportChart& chart, ReportFormat format,
                 const QString& path, QString& error);

// Asks for a file name (a file dialog named "ReportFileDialog", in the data
// folder, `baseName` with the format's extension proposed), writes the report
// and tells the user where it went or why it could not.
void SaveReport(QWidget* parent, const Report& report, const ReportChart& chart,
                ReportFormat format, const QString& baseName);

// Shows the report page in a print preview ("ReportPreview"), from which it
// can be printed. Defined with the print support, in printing.cpp.
void PreviewReport(QWidget* parent, const Report& report, const ReportChart& chart);

}  // namespace eiyou
