// List items keep their CP932 bytes (Qt::UserRole) beside the shown text, so
// that a text with undecodable bytes goes back to the file unchanged.
#pragma once

#include <string>
#include <vector>

#include "sessions/changes.h"

class QListWidget;
class QListWidgetItem;

namespace eiyou {

std::string ItemBytes(const QListWidgetItem* item);
std::string ItemBytes(const QListWidget* list, int row);
// The selected item of a single-selection list, or null.
QListWidgetItem* SelectedItem(const QListWidget* list);
// Its row, or -1.
int SelectedRow(const QListWidget* list);

// Appends at the end (lists that keep insertion order).
void AppendItem(QListWidget* list, const std::string& cp932);
// Replaces the items with `texts`, in that order, without a repaint per item.
void FillInOrder(QListWidget* list, const std::vector<std::string>& texts);
// The same with the texts already decoded for the screen (`shown`, UTF-8).
void FillInOrder(QListWidget* list, const std::vector<std::string>& texts,
                 const std::vector<std::string>& shown);
// Makes the list follow a change of the session's list `texts` (CP932), which
// it shows item for item: one item inserted or removed, or all of them anew.
void FollowList(QListWidget* list, const std::vector<std::string>& texts, const ListChange& change);

}  // namespace eiyou
