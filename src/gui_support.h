// What every window shares: CP932 text at the widget boundary, the modal
// message boxes, the guard that ends a user action on a file error, and the
// image that backs a window's client area for the charts.
#pragma once

#include <QColor>
#include <QDialog>
#include <QImage>
#include <QString>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "nutrition/radar_chart.h"
#include "tables/errors.h"

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRect;
class QWidget;

namespace eiyou {

// CP932 bytes -> widget text (invalid bytes show as U+FFFD).
QString ToQ(std::string_view cp932);
// Widget text -> CP932 bytes; false when a character has no CP932 code.
bool FromQ(const QString& text, std::string& out);
// As FromQ, but tells the user when the text cannot be kept and returns false.
bool ReadTypedText(QWidget* parent, const QString& text, std::string& out);

// Modal message box, single OK button, the exact text.
void ShowMessage(QWidget* parent, const QString& text);
// Modal error box (a file that cannot be read or created).
void ShowError(QWidget* parent, const QString& text);

// MessageSink over ShowMessage.
class BoxMessageSink : public MessageSink {
 public:
  explicit BoxMessageSink(QWidget* parent) : parent_(parent) {}
  void Show(const std::string& utf8Text) override;

 private:
  QWidget* parent_;
};

// Runs a handler body; an IoError ends it with the error box.
template <class F>
void Guarded(QWidget* parent, F&& body) {
  try {
    body();
  } catch (const IoError& e) {
    ShowError(parent, QString::fromUtf8(e.what()));
  }
}

// List items keep their CP932 bytes (Qt::UserRole) beside the shown text, so
// that a text with undecodable bytes goes back to the file unchanged.
std::string ItemBytes(const QListWidgetItem* item);
std::string ItemBytes(const QListWidget* list, int row);
// Appends at the end (lists that keep insertion order).
void AppendItem(QListWidget* list, const std::string& cp932);
// Inserts after every item whose bytes are <= the new text (CP932 byte order),
// so equal texts keep their insertion order. The sorted lists use this order.
void InsertSorted(QListWidget* list, const std::string& cp932);
// Replaces the items with `texts` in the order InsertSorted would give them one
// by one, but sorted first and appended in one go: one insertion at a time
// moves every later item, which grows with the square of a long file.
void FillSorted(QListWidget* list, std::vector<std::string> texts);

// Controls the working windows share. Captions, hints and items are UTF-8.
// A button that Enter in an edit never presses behind the user's back.
QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, const char* hint,
                        const QRect& place);
// An editable drop-down box with no chosen item: typed text stays as typed
// (no completion, never a new item).
QComboBox* MakeChoiceBox(QWidget* parent, const char* name, const QStringList& items,
                         const char* hint, const QRect& place);
QComboBox* MakeChoiceBox(QWidget* parent, const char* name,
                         std::initializer_list<const char*> items, const char* hint,
                         const QRect& place);
// The chosen item of an editable box is the item whose text equals the box's
// text; typed text that matches none chooses nothing (-1).
int ChosenItem(const QComboBox* box);

template <class Range>
QStringList Utf8Items(const Range& texts) {
  QStringList items;
  for (const char* t : texts) items << QString::fromUtf8(t);
  return items;
}

// The items of the sex and age class boxes; their positions pick the
// reference row and the male/female field.
inline constexpr const char* kSexItems[] = {"男", "女"};
inline constexpr const char* kAgeClassItems[] = {"１～２歳", "３～５歳", "６～７歳", "８～９歳",
                                                 "10～11歳", "12～14歳", "15～17歳", "18～29歳",
                                                 "30～49歳", "50～69歳", "70歳以上"};

// The nine chart axis names, `Label1`..`Label9`: 16-pixel maroon text at
// window positions.
struct AxisLabel {
  const char* caption;
  int left, top;
};
void MakeAxisLabels(QWidget* window, const AxisLabel (&labels)[9], QLabel* made[9] = nullptr);

// The colour the windows are filled with; the chart's eraser uses it too.
QColor ButtonFace();
Rgb ToRgb(const QColor& c);

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

// A working window whose client area is backed by an image: what the chart
// routines draw stays there and is shown again on every repaint (and by grab()).
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
