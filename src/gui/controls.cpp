#include "gui/controls.h"

#include <QComboBox>
#include <QEvent>
#include <QHelpEvent>
#include <QToolTip>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace eiyou {

namespace {

// Watches a view's viewport for hint requests; the text is asked for only
// then, so filling a list costs nothing more.
class CutTextHints : public QObject {
 public:
  explicit CutTextHints(QAbstractItemView* view) : QObject(view), view_(view) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::ToolTip) return false;
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = view_->indexAt(help->pos());
    if (!index.isValid() || index.data(Qt::ToolTipRole).isValid()) return false;
    const QString text = index.data(Qt::DisplayRole).toString();
    const QRect place = view_->visualRect(index);
    // The item's text from where it starts, with a little room for margins.
    const int textEnd = place.left() + view_->fontMetrics().horizontalAdvance(text) + 8;
    if (place.left() < 0 || textEnd > view_->viewport()->width())
      QToolTip::showText(help->globalPos(), text, view_->viewport(), place);
    else
      QToolTip::hideText();
    return true;
  }

 private:
  QAbstractItemView* view_;
};

}  // namespace

void ShowCutTextsAsHints(QAbstractItemView* view) {
  view->viewport()->installEventFilter(new CutTextHints(view));
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

QLabel* MakeCaption(QWidget* parent, const QString& name, const QString& text, const QRect& place) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setGeometry(place);
  return label;
}

QLabel* MakeStatic(QWidget* parent, const char* name, const char* caption, const QRect& place) {
  QLabel* label =
      MakeCaption(parent, QString::fromUtf8(name), QString::fromUtf8(caption), place);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromUtf8(name));
  label->move(x, y);
  label->adjustSize();
  return label;
}

QFrame* MakePanel(QWidget* parent, const char* name, const QRect& place) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(QString::fromUtf8(name));
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setGeometry(place);
  return panel;
}

QLineEdit* MakeEdit(QWidget* parent, const QString& name, const QRect& place) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setGeometry(place);
  return edit;
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

QPushButton* LayoutButton(QWidget* parent, const char* name, const char* caption,
                          const char* hint) {
  auto* b = new QPushButton(QString::fromUtf8(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setToolTip(QString::fromUtf8(hint));
  b->setAutoDefault(false);
  return b;
}

}  // namespace eiyou
