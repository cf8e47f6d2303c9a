// A list box whose user picks are reported once each: a mouse click on an item
// (also on the item already selected) or a keyboard move of the selection.
// Changes made by the program (filling, clearing, focus) report nothing.
#pragma once

#include <QListWidget>

namespace eiyou {

class PickList : public QListWidget {
  Q_OBJECT
 public:
  using QListWidget::QListWidget;

 signals:
  void picked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool pressing_ = false;
  int rowAtPress_ = -1;
};

}  // namespace eiyou
