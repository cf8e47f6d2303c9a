// A4 PDF files of the reports' pages, written beside the target and renamed
// over it: a failure leaves no half file under the chosen name.
#pragma once

#include <QPageLayout>
#include <QString>
#include <functional>

class QPainter;
class QPagedPaintDevice;

namespace eiyou {

// Paints the pages with `paint` into an A4 PDF at `path` (no margins, 1200
// dpi, `title` in its properties). False, with `error`, when the file cannot
// be written.
bool WriteA4Pdf(const QString& path, const QString& title, QPageLayout::Orientation orientation,
                const std::function<void(QPainter&, QPagedPaintDevice&)>& paint, QString& error);

}  // namespace eiyou
