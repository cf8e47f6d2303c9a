#include "gui_support.h"

#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPaintEvent>
#include <QPen>
#include <QResizeEvent>

#include "tables/cp932.h"

namespace eiyou {

namespace {
const char kBoxTitle[] = "栄養分析";
}

QString ToQ(std::string_view cp932) {
  const std::string utf8 = Cp932ToUtf8(cp932);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

bool FromQ(const QString& text, std::string& out) {
  const QByteArray utf8 = text.toUtf8();
  return Utf8ToCp932(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())), out);
}

bool ReadTypedText(QWidget* parent, const QString& text, std::string& out) {
  if (FromQ(text, out)) return true;
  ShowMessage(parent, QStringLiteral("この文字は使えません：「%1」！").arg(text));
  return false;
}

void ShowMessage(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kBoxTitle), text, QMessageBox::Ok,
                  parent);
  box.exec();
}

void ShowError(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kBoxTitle), text, QMessageBox::Ok,
                  parent);
  box.exec();
}

void BoxMessageSink::Show(const std::string& utf8Text) {
  ShowMessage(parent_, QString::fromStdString(utf8Text));
}

std::string ItemBytes(const QListWidgetItem* item) {
  if (!item) return {};
  const QByteArray bytes = item->data(Qt::UserRole).toByteArray();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::string ItemBytes(const QListWidget* list, int row) { return ItemBytes(list->item(row)); }

namespace {
QListWidgetItem* MakeItem(const std::string& cp932) {
  auto* item = new QListWidgetItem(ToQ(cp932));
  item->setData(Qt::UserRole,
                QByteArray(cp932.data(), static_cast<qsizetype>(cp932.size())));
  return item;
}
}  // namespace

void AppendItem(QListWidget* list, const std::string& cp932) { list->addItem(MakeItem(cp932)); }

void InsertSorted(QListWidget* list, const std::string& cp932) {
  // Upper bound by unsigned byte comparison (std::string compares as unsigned char).
  int lo = 0, hi = list->count();
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    if (ItemBytes(list, mid) <= cp932)
      lo = mid + 1;
    else
      hi = mid;
  }
  list->insertItem(lo, MakeItem(cp932));
}

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
  QPainter p(&image_);
  p.setRenderHint(QPainter::Antialiasing, false);
  QPen pen(pen_);
  pen.setWidth(penWidth_);
  pen.setCapStyle(Qt::SquareCap);
  pen.setJoinStyle(Qt::MiterJoin);
  p.setPen(pen);
  if (x == x_ && y == y_)
    p.drawPoint(x, y);
  else
    p.drawLine(x_, y_, x, y);
  x_ = x;
  y_ = y;
}

void ImageCanvas::SetBrush(Rgb colour) { brush_ = QColor(colour.r, colour.g, colour.b); }

void ImageCanvas::FillRect(int left, int top, int right, int bottom) {
  if (right <= left || bottom <= top) return;
  QPainter p(&image_);
  p.fillRect(QRect(left, top, right - left, bottom - top), brush_);
}

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
