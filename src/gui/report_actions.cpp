#include "gui/report_actions.h"

#include <QDir>
#include <QFileDialog>

#include "gui/file_dialogs.h"
#include "gui/messages.h"
#include "gui/text.h"
#include "tables/data_dir.h"
#include "tables/file_io.h"

namespace eiyou {

namespace {

struct FormatInfo {
  const char* extension;
  const char* filter;
};

FormatInfo Info(ReportFormat format) {
  switch (format) {
    case ReportFormat::Pdf: return {"pdf", "PDF (*.pdf)"};
    case ReportFormat::Csv: return {"csv", "CSV (*.csv)"};
    case ReportFormat::Xlsx: return {"xlsx", "Excel ブック (*.xlsx)"};
  }
  return {"", ""};
}

}  // namespace

bool WriteReport(const Report& report, const ReportChart& chart, ReportFormat format,
                 const QString& path, QString& error) {
  switch (format) {
    case ReportFormat::Pdf: return WriteReportPdf(report, chart, path, error);
    case ReportFormat::Csv:
      if (ReplaceFileContents(Utf8Of(path), ReportCsv(report))) return true;
      error = U(WriteFailureMessage(Utf8Of(path)));
      return false;
    case ReportFormat::Xlsx: {
      std::string message;
      if (WriteReportXlsx(report, Utf8Of(path), message)) return true;
      error = U(message);
      return false;
    }
  }
  return false;
}

void SaveReport(QWidget* parent, const Report& report, const ReportChart& chart,
                ReportFormat format, const QString& baseName) {
  const FormatInfo info = Info(format);
  QFileDialog dialog(parent, U("レポートの保存"));
  dialog.setObjectName(QStringLiteral("ReportFileDialog"));
  PrepareFileDialog(dialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(U(info.filter));
  dialog.setDefaultSuffix(QString::fromLatin1(info.extension));
  dialog.setDirectory(U(DataDirectory()));
  dialog.selectFile(baseName + QLatin1Char('.') + QString::fromLatin1(info.extension));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString path = dialog.selectedFiles().first();
  QString error;
  if (WriteReport(report, chart, format, path, error))
    ShowMessage(parent, U("保存しました：") + QDir::toNativeSeparators(path));
  else
    ShowError(parent, error);
}

}  // namespace eiyou
