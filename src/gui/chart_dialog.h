// A working window whose client area is backed by an image: what the chart
// routines draw stays there and is shown again on every repaint (and by grab()).
#pragma once

#include <QDialog>
#include <QImage>

namespace eiyou {

class ChartDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ChartDialog(QWidget* parent = nullptr);
  // The backing image, at least as large as the client area.
  QImage& surface();
  // Call after drawing on surface() so the window shows it.
  void surfaceChanged() { update(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void growSurface(const QSize& size);
  QImage surface_;
};

}  // namespace eiyou
