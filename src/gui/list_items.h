// List items keep their CP932 bytes (Qt::UserRole) beside the shown text, so
// that a text with undecodable bytes goes back to the file unchanged.
#pragma once

#include <string>
#include <vector>

class QListWidget;
class QListWidgetItem;

namespace eiyou {

std::string ItemBytes(const QListWidgetItem* item);
std::string ItemBytes(const QListWidget* list, int row);
// The bytes of every item, in list order.
std::vector<std::string> AllItemBytes(const QListWidget* list);
// The selected item of a single-selection list, or null.
QListWidgetItem* SelectedItem(const QListWidget* list);

// Appends at the end (lists that keep insertion order).
void AppendItem(QListWidget* list, const std::string& cp932);
// Replaces the items with `texts`, in that order, without a repaint per item.
void FillInOrder(QListWidget* list, const std::vector<std::string>& texts);
// The same with the texts already decoded for the screen (`shown`, UTF-8).
void FillInOrder(QListWidget* list, const std::vector<std::string>& texts,
                 const std::vector<std::string>& shown);
// Inserts after every item whose bytes are <= the new text (CP932 byte order),
// so equal texts keep their insertion order. The sorted lists use this order.
void InsertSorted(QListWidget* list, const std::string& cp932);
// Replaces the items with `texts` in the order InsertSorted would give them one
// by one, but sorted first and appended in one go: one insertion at a time
// moves every later item, which grows with the square of a long file.
void FillSorted(QListWidget* list, std::vector<std::string> texts);

}  // namespace eiyou
