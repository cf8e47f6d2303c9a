#include "gui/image_canvas.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QPen>
#include <cmath>

#include "nutrition/segment_clip.h"

namespace eiyou {

QColor ButtonFace() { return QApplication::palette().color(QPalette::Window); }

Rgb ToRgb(const QColor& c) {
  return Rgb{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
             static_cast<std::uint8_t>(c.blue())};
}

void ImageCanvas::SetPen(Rgb colour, int width) {
  pen_ = QColor(colour.r, colour.g, colour.b);
  penWidth_ = width;
}

void ImageCanvas::MoveTo(int x, int y) {
  x_ = x;
  y_ = y;
}

void ImageCanvas::LineTo(int x, int y) {
  const int fromX = x_, fromY = y_;
  x_ = x;
  y_ = y;
  const double margin = 16;
  const bool far = std::abs(double(fromX)) > 1e5 || std::abs(double(fromY)) > 1e5 ||
                   std::abs(double(x)) > 1e5 || std::abs(double(y)) > 1e5;
  QPainter p(&image_);
  p.setRenderHint(QPainter::Antialiasing, false);
  // Unscaled, a line through (x, y) fills pixel (x, y), whose centre is
  // (x + 0.5, y + 0.5); on a denser image the same centre keeps the line on
  // that pixel's device pixels.
  if (image_.devicePixelRatio() != 1) p.translate(0.5, 0.5);
  QPen pen(pen_);
  pen.setWidth(penWidth_);
  pen.setCapStyle(Qt::SquareCap);
  pen.setJoinStyle(Qt::MiterJoin);
  p.setPen(pen);
  if (x == fromX && y == fromY) {
    p.drawPoint(x, y);
    return;
  }
  if (!far) {
    p.drawLine(fromX, fromY, x, y);
    return;
  }
  // Chart vertices can lie millions of pixels away, which the raster engine
  // must never see: draw only the part near the image.
  const QSizeF size = image_.deviceIndependentSize();
  const ClipBox box{-margin, -margin, size.width() + margin, size.height() + margin};
  double x0 = fromX, y0 = fromY, x1 = x, y1 = y;
  if (ClipSegment(x0, y0, x1, y1, box))
    p.drawLine(QPoint(qRound(x0), qRound(y0)), QPoint(qRound(x1), qRound(y1)));
}

void ImageCanvas::SetBrush(Rgb colour) { brush_ = QColor(colour.r, colour.g, colour.b); }

void ImageCanvas::FillRect(int left, int top, int right, int bottom) {
  if (right <= left || bottom <= top) return;
  QPainter p(&image_);
  p.fillRect(QRect(left, top, right - left, bottom - top), brush_);
}

}  // namespace eiyou
