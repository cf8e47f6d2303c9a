#include "gui_support.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QPushButton>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>

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
  // Paths and typed texts may look like markup; show them as they are.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

void ShowError(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kBoxTitle), text, QMessageBox::Ok,
                  parent);
  box.setTextFormat(Qt::PlainText);
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
// A row shows at most this many characters of its text: laying out a line of
// a megabyte took seconds on every repaint of the list. The bytes stay whole.
constexpr qsizetype kShownCharacters = 1000;

QListWidgetItem* MakeItem(const std::string& cp932) {
  QString shown = ToQ(cp932);
  if (shown.size() > kShownCharacters) {
    shown.truncate(kShownCharacters);  // CP932 decodes to the BMP: no pair is cut
    shown += QChar(0x2026);
  }
  auto* item = new QListWidgetItem(shown);
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

void FillSorted(QListWidget* list, std::vector<std::string> texts) {
  // Each text goes after every text <= it: a stable sort by bytes is that order.
  std::stable_sort(texts.begin(), texts.end());
  list->clear();
  for (const std::string& text : texts) list->addItem(MakeItem(text));
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, const char* hint,
                        const QRect& place) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(QString::fromUtf8(name));
  button->setToolTip(QString::fromUtf8(hint));
  button->setAutoDefault(false);
  button->setGeometry(place);
  return button;
}

QComboBox* MakeChoiceBox(QWidget* parent, const char* name, const QStringList& items,
                         const char* hint, const QRect& place) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromUtf8(name));
  box->setEditable(true);
  box->setCompleter(nullptr);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->addItems(items);
  box->setCurrentIndex(-1);
  box->setEditText(QString());
  box->setToolTip(QString::fromUtf8(hint));
  box->setGeometry(place);
  return box;
}

QComboBox* MakeChoiceBox(QWidget* parent, const char* name,
                         std::initializer_list<const char*> items, const char* hint,
                         const QRect& place) {
  return MakeChoiceBox(parent, name, Utf8Items(items), hint, place);
}

int ChosenItem(const QComboBox* box) {
  return box->findText(box->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void MakeAxisLabels(QWidget* window, const AxisLabel (&labels)[9], QLabel* made[9]) {
  QPalette maroon = window->palette();
  maroon.setColor(QPalette::WindowText, QColor(128, 0, 0));
  for (int i = 0; i < 9; ++i) {
    auto* label = new QLabel(QString::fromUtf8(labels[i].caption), window);
    label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
    QFont font = label->font();
    font.setPixelSize(16);
    label->setFont(font);
    label->setPalette(maroon);
    label->move(labels[i].left, labels[i].top);
    label->adjustSize();
    if (made) made[i] = label;
  }
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

namespace {
// Clips the segment to `r` (Liang-Barsky in double): chart vertices can lie
// millions of pixels away, which the raster engine must never see.
bool ClipSegment(double& x0, double& y0, double& x1, double& y1, const QRectF& r) {
  double t0 = 0, t1 = 1;
  const double dx = x1 - x0, dy = y1 - y0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0 - r.left(), r.right() - x0, y0 - r.top(), r.bottom() - y0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      if (t > t1) return false;
      if (t > t0) t0 = t;
    } else {
      if (t < t0) return false;
      if (t < t1) t1 = t;
    }
  }
  const double nx0 = x0 + t0 * dx, ny0 = y0 + t0 * dy;
  x1 = x0 + t1 * dx;
  y1 = y0 + t1 * dy;
  x0 = nx0;
  y0 = ny0;
  return true;
}
}  // namespace

void ImageCanvas::LineTo(int x, int y) {
  const int fromX = x_, fromY = y_;
  x_ = x;
  y_ = y;
  const double margin = 16;
  const QRectF bounds(-margin, -margin, image_.width() + 2 * margin, image_.height() + 2 * margin);
  const bool far = std::abs(double(fromX)) > 1e5 || std::abs(double(fromY)) > 1e5 ||
                   std::abs(double(x)) > 1e5 || std::abs(double(y)) > 1e5;
  QPainter p(&image_);
  p.setRenderHint(QPainter::Antialiasing, false);
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
  double x0 = fromX, y0 = fromY, x1 = x, y1 = y;
  if (ClipSegment(x0, y0, x1, y1, bounds))
    p.drawLine(QPoint(qRound(x0), qRound(y0)), QPoint(qRound(x1), qRound(y1)));
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
