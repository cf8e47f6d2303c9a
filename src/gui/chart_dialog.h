// A working window whose client area is backed by an image: what the chart
// routines draw stays there and is shown again on every repaint (and by grab()).
// The image has the screen's device pixel ratio, so lines are drawn at the
// screen's own resolution in the window's coordinates; at ratio 1 it is the
// client area pixel for pixel.
#pragma once

#include <QDialog>
#include <QImage>

namespace eiyou {

class ChartDialog;
class ScreenFit;

// The daily chart's place on a window: an empty box over the chart area (its
// centre is the chart's centre; it paints nothing, so the image shows
// through), the nine axis names at their places around it, and a caption.
void MakeDailyChartArea(ChartDialog* window, const char* areaName, const QString& caption,
                        const char* captionName);

class ChartDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ChartDialog(QWidget* parent = nullptr);
  // The backing image, at least as large as the client area.
  QImage& surface();
  // Call after drawing on surface() so the window shows it.
  void surfaceChanged();
  // How the window keeps its content reachable on a small screen.
  ScreenFit* screenFit() const { return fit_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void growSurface(const QSize& size);
  void paintSurface(QPainter& painter, const QRect& area) const;
  QImage surface_;
  ScreenFit* fit_ = nullptr;
};

}  // namespace eiyou
