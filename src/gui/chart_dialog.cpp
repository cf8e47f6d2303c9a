#include "gui/chart_dialog.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <cmath>

#include "gui/controls.h"
#include "gui/image_canvas.h"
#include "nutrition/radar_chart.h"
#include "gui/screen_fit.h"

namespace eiyou {

namespace {
const AxisLabel kDailyAxisLabels[kNutrients] = {
    {"エネルギー", 352, 80},    {"たんぱく質", 520, 136},   {"総脂質", 584, 248},
    {"カルシウム", 560, 408},   {"鉄", 472, 488},           {"ビタミンＡ", 272, 488},
    {"ビタミンＢ１", 154, 400}, {"ビタミンＢ２", 154, 248}, {"ビタミンC", 200, 136},
};
}  // namespace

void MakeDailyChartArea(ChartDialog* window, const char* areaName, const QString& caption,
                        const char* captionName) {
  auto* area = new QWidget(window);
  area->setObjectName(QString::fromLatin1(areaName));
  area->setGeometry(kDailyChart.paintLeft, kDailyChart.paintTop, kDailyChart.paintWidth,
                    kDailyChart.paintHeight);
  area->setAttribute(Qt::WA_TransparentForMouseEvents);
  area->lower();
  MakeAxisLabels(window, kDailyAxisLabels);
  MakeLabel(window, captionName, caption, 248, 72);
}

ChartDialog::ChartDialog(QWidget* parent) : QDialog(parent) {
  fit_ = ScreenFit::Install(this, [this](QPainter& p, const QRect& area) { paintSurface(p, area); });
}

QImage& ChartDialog::surface() {
  growSurface(size());
  return surface_;
}

void ChartDialog::surfaceChanged() {
  update();
  if (QWidget* page = fit_->page()) page->update();
}

void ChartDialog::resizeEvent(QResizeEvent* event) {
  growSurface(event->size());
  QDialog::resizeEvent(event);
}

void ChartDialog::growSurface(const QSize& size) {
  // Grow the backing image with the client area, keeping what was drawn; a
  // screen of another pixel ratio gets an image of its own resolution.
  const qreal ratio = devicePixelRatioF();
  const QSizeF held = surface_.isNull() ? QSizeF() : surface_.deviceIndependentSize();
  const QSize logical = size.expandedTo(held.toSize());
  if (surface_.isNull() || logical != held.toSize() || ratio != surface_.devicePixelRatio()) {
    QImage grown(QSize(int(std::ceil(logical.width() * ratio)), int(std::ceil(logical.height() * ratio))),
                 QImage::Format_RGB32);
    grown.setDevicePixelRatio(ratio);
    grown.fill(ButtonFace());
    if (!surface_.isNull()) {
      QPainter p(&grown);
      p.drawImage(QPointF(0, 0), surface_);
    }
    surface_ = grown;
  }
}

void ChartDialog::paintSurface(QPainter& painter, const QRect& area) const {
  const qreal ratio = surface_.devicePixelRatio();
  const QRectF source(area.x() * ratio, area.y() * ratio, area.width() * ratio,
                      area.height() * ratio);
  painter.drawImage(QRectF(area), surface_, source);
}

void ChartDialog::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  paintSurface(p, event->rect());
}

}  // namespace eiyou
