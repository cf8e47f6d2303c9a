// The chart canvas over an image, and the colour the windows are filled with.
#pragma once

#include <QColor>
#include <QImage>

#include "nutrition/radar_chart.h"

namespace eiyou {

// The colour the windows are filled with; the chart's eraser uses it too.
QColor ButtonFace();
Rgb ToRgb(const QColor& c);
inline Rgb ButtonFaceRgb() { return ToRgb(ButtonFace()); }

// Canvas over a QImage: solid pens, no antialiasing, GDI-style pen position.
class ImageCanvas : public Canvas {
 public:
  explicit ImageCanvas(QImage& image) : image_(image) {}
  void SetPen(Rgb colour, int width) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void SetBrush(Rgb colour) override;
  void FillRect(int left, int top, int right, int bottom) override;

 private:
  QImage& image_;
  QColor pen_{Qt::black};
  int penWidth_ = 1;
  QColor brush_{Qt::white};
  int x_ = 0, y_ = 0;
};

}  // namespace eiyou
