#include "gui/pdf_file.h"

#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "gui/text.h"

namespace eiyou {

bool WriteA4Pdf(const QString& path, const QString& title, QPageLayout::Orientation orientation,
                const std::function<void(QPainter&, QPagedPaintDevice&)>& paint, QString& error) {
  const QString temp = path + QStringLiteral(".part");
  {
    QPdfWriter writer(temp);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), orientation, QMarginsF(0, 0, 0, 0)));
    writer.setResolution(1200);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("eiyou"));
    QPainter painter;
    if (!painter.begin(&writer)) {
      error = U("ファイル ") + path + U(" を作成できません。");
      QFile::remove(temp);
      return false;
    }
    paint(painter, writer);
    painter.end();
  }
  QFile::remove(path);
  if (!QFile::exists(temp) || !QFile::rename(temp, path)) {
    QFile::remove(temp);
    error = U("ファイル ") + path + U(" を作成できません。");
    return false;
  }
  return true;
}

}  // namespace eiyou
