#include "gui/pick_list.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace eiyou {

void PickList::mousePressEvent(QMouseEvent* event) {
  // Only the left button picks, or even moves the selection.
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  pressing_ = true;
  rowAtPress_ = currentRow();
  QListWidget::mousePressEvent(event);
}

void PickList::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second click of a double click on the same item is not another pick;
  // the base class turns one on a different item into a press.
  pressing_ = false;
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  QListWidget::mouseDoubleClickEvent(event);
}

void PickList::mouseReleaseEvent(QMouseEvent* event) {
  QListWidget::mouseReleaseEvent(event);
  if (!pressing_) return;
  pressing_ = false;
  QListWidgetItem* current = currentItem();
  if (!current || !current->isSelected()) return;
  // A click on the selected item picks it again; a press dragged elsewhere
  // picks where the selection ended.
  if (itemAt(event->position().toPoint()) == current || currentRow() != rowAtPress_)
    emit picked();
}

void PickList::keyPressEvent(QKeyEvent* event) {
  const int before = currentRow();
  const bool wasSelected = currentItem() && currentItem()->isSelected();
  QListWidget::keyPressEvent(event);
  QListWidgetItem* current = currentItem();
  if (current && current->isSelected() && (currentRow() != before || !wasSelected))
    emit picked();
}

}  // namespace eiyou
