#include "gui/printing.h"

#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "gui/menu_page.h"
#include "gui/order_page.h"
#include "gui/report_actions.h"
#include "gui/text.h"

namespace eiyou {

bool PrintPicture(const QImage& picture, const QRect& target, const QString& docName,
                  QString& error) {
  const QPrinterInfo info = QPrinterInfo::defaultPrinter();
  if (info.isNull() || info.printerName().isEmpty()) {
    error = QStringLiteral("プリンタがありません。印刷できません！");
    return false;
  }
  QPrinter printer(QPrinter::HighResolution);
  printer.setPrinterName(info.printerName());
  printer.setDocName(docName);
  // The picture starts at the corner of what the printer can print, not at a
  // margin of our own.
  const QPageLayout layout = printer.pageLayout();
  printer.setPageMargins(layout.minimumMargins(), layout.units());
  QPainter painter;
  if (!painter.begin(&printer)) {
    error = QStringLiteral("印刷できませんでした！");
    return false;
  }
  painter.drawImage(target, picture);
  if (!painter.end() || printer.printerState() == QPrinter::Error) {
    error = QStringLiteral("印刷できませんでした！");
    return false;
  }
  return true;
}

namespace {

// A print preview of pages painted by `paint` on A4 without margins (the
// painters keep their own), in `orientation`.
template <typename Paint>
void PreviewPages(QWidget* parent, QPageLayout::Orientation orientation, Paint paint) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageOrientation(orientation);
  printer.setPageMargins(QMarginsF(0, 0, 0, 0));
  QPrintPreviewDialog preview(&printer, parent);
  preview.setObjectName(QStringLiteral("ReportPreview"));
  preview.setWindowTitle(U("印刷プレビュー"));
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&](QPrinter* p) {
    QPainter painter(p);
    paint(painter, *p);
  });
  preview.exec();
}

}  // namespace

void PreviewReport(QWidget* parent, const Report& report, const ReportChart& chart) {
  PreviewPages(parent, QPageLayout::Portrait,
               [&](QPainter& painter, QPrinter&) { PaintReport(painter, report, chart); });
}

void PreviewOrderSheet(QWidget* parent, const OrderReport& report) {
  PreviewPages(parent, QPageLayout::Portrait, [&](QPainter& painter, QPrinter& printer) {
    PaintOrderSheet(painter, printer, report);
  });
}

void PreviewMonthlyMenu(QWidget* parent, const MonthlyMenu& menu) {
  PreviewPages(parent, QPageLayout::Landscape, [&](QPainter& painter, QPrinter& printer) {
    PaintMonthlyMenu(painter, printer, menu);
  });
}

}  // namespace eiyou
