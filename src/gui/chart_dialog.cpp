#include "gui/chart_dialog.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include "gui/image_canvas.h"

namespace eiyou {

ChartDialog::ChartDialog(QWidget* parent) : QDialog(parent) {}

QImage& ChartDialog::surface() {
  growSurface(size());
  return surface_;
}

void ChartDialog::resizeEvent(QResizeEvent* event) {
  growSurface(event->size());
  QDialog::resizeEvent(event);
}

void ChartDialog::growSurface(const QSize& size) {
  // Grow the backing image with the client area, keeping what was drawn.
  const QSize want = size.expandedTo(surface_.size());
  if (want != surface_.size() || surface_.isNull()) {
    QImage grown(want, QImage::Format_RGB32);
    grown.fill(ButtonFace());
    if (!surface_.isNull()) {
      QPainter p(&grown);
      p.drawImage(0, 0, surface_);
    }
    surface_ = grown;
  }
}

void ChartDialog::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.drawImage(event->rect(), surface_, event->rect());
}

}  // namespace eiyou
