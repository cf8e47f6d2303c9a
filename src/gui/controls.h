// The controls the windows are built from. Names, captions, hints and items
// are UTF-8; every control gets its objectName.
#pragma once

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QRect>
#include <QStringList>
#include <initializer_list>

class QFrame;
class QLabel;
class QLineEdit;
class QWidget;

namespace eiyou {

template <class Range>
QStringList Utf8Items(const Range& texts) {
  QStringList items;
  for (const char* t : texts) items << QString::fromUtf8(t);
  return items;
}

// A button that Enter in an edit never presses behind the user's back.
QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, const char* hint,
                        const QRect& place);
// The same for a window laid out by a layout, which places it.
QPushButton* LayoutButton(QWidget* parent, const char* name, const char* caption, const char* hint);
// The same, its clicks going to `slot` of `window`.
template <class W>
QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, const char* hint,
                        const QRect& place, W* window, void (W::*slot)()) {
  QPushButton* button = MakeButton(parent, name, caption, hint, place);
  QObject::connect(button, &QPushButton::clicked, window, slot);
  return button;
}
// An editable drop-down box with no chosen item: typed text stays as typed
// (no completion, never a new item).
QComboBox* MakeChoiceBox(QWidget* parent, const char* name, const QStringList& items,
                         const char* hint, const QRect& place);
QComboBox* MakeChoiceBox(QWidget* parent, const char* name,
                         std::initializer_list<const char*> items, const char* hint,
                         const QRect& place);
// The same, every change of its text, chosen or typed, going to `slot` of `window`.
template <class W>
QComboBox* MakeChoiceBox(QWidget* parent, const char* name, const QStringList& items,
                         const char* hint, const QRect& place, W* window, void (W::*slot)()) {
  QComboBox* box = MakeChoiceBox(parent, name, items, hint, place);
  QObject::connect(box, &QComboBox::editTextChanged, window, slot);
  return box;
}
template <class W>
QComboBox* MakeChoiceBox(QWidget* parent, const char* name,
                         std::initializer_list<const char*> items, const char* hint,
                         const QRect& place, W* window, void (W::*slot)()) {
  return MakeChoiceBox(parent, name, Utf8Items(items), hint, place, window, slot);
}
// The chosen item of an editable box is the item whose text equals the box's
// text; typed text that matches none chooses nothing (-1).
int ChosenItem(const QComboBox* box);


// A caption in a sunken frame, centred.
QLabel* MakeStatic(QWidget* parent, const char* name, const char* caption, const QRect& place);
// A plain caption in the given place.
QLabel* MakeCaption(QWidget* parent, const QString& name, const QString& text, const QRect& place);
// A plain caption at (x, y), as large as its text.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y);
// A raised panel.
QFrame* MakePanel(QWidget* parent, const char* name, const QRect& place);
// A one-line edit.
QLineEdit* MakeEdit(QWidget* parent, const QString& name, const QRect& place);
// A single-selection list box.
// An item whose text runs past the list's edge (long food names, the weight
// at the end of a food entry) shows its whole text as its hint. Items with a
// hint of their own keep it.
void ShowCutTextsAsHints(QAbstractItemView* view);

template <class List = QListWidget>
List* MakeList(QWidget* parent, const char* name, const QRect& place) {
  auto* list = new List(parent);
  list->setObjectName(QString::fromUtf8(name));
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setGeometry(place);
  ShowCutTextsAsHints(list);
  return list;
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

}  // namespace eiyou
