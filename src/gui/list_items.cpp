#include "gui/list_items.h"

#include <QListWidget>

#include "gui/text.h"

namespace eiyou {

std::string ItemBytes(const QListWidgetItem* item) {
  if (!item) return {};
  const QByteArray bytes = item->data(Qt::UserRole).toByteArray();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::string ItemBytes(const QListWidget* list, int row) { return ItemBytes(list->item(row)); }

QListWidgetItem* SelectedItem(const QListWidget* list) {
  const QList<QListWidgetItem*> items = list->selectedItems();
  return items.isEmpty() ? nullptr : items.first();
}

int SelectedRow(const QListWidget* list) {
  const QListWidgetItem* item = SelectedItem(list);
  return item ? list->row(item) : -1;
}

namespace {
// A row shows at most this many characters of its text: laying out a line of
// a megabyte took seconds on every repaint of the list. The bytes stay whole.
constexpr qsizetype kShownCharacters = 1000;

QListWidgetItem* MakeItem(const std::string& cp932, QString shown) {
  if (shown.size() > kShownCharacters) {
    shown.truncate(kShownCharacters);  // CP932 decodes to the BMP: no pair is cut
    shown += QChar(0x2026);
  }
  auto* item = new QListWidgetItem(shown);
  item->setData(Qt::UserRole,
                QByteArray(cp932.data(), static_cast<qsizetype>(cp932.size())));
  return item;
}

QListWidgetItem* MakeItem(const std::string& cp932) { return MakeItem(cp932, ToQ(cp932)); }
}  // namespace

void AppendItem(QListWidget* list, const std::string& cp932) { list->addItem(MakeItem(cp932)); }

void FillInOrder(QListWidget* list, const std::vector<std::string>& texts) {
  list->clear();
  list->setUpdatesEnabled(false);
  for (const std::string& text : texts) list->addItem(MakeItem(text));
  list->setUpdatesEnabled(true);
}

void FillInOrder(QListWidget* list, const std::vector<std::string>& texts,
                 const std::vector<std::string>& shown) {
  list->clear();
  list->setUpdatesEnabled(false);
  for (std::size_t i = 0; i < texts.size(); ++i) list->addItem(MakeItem(texts[i], U(shown[i])));
  list->setUpdatesEnabled(true);
}

void FollowList(QListWidget* list, const std::vector<std::string>& texts, const ListChange& change) {
  const auto row = static_cast<std::size_t>(change.row);
  switch (change.kind) {
    case ListChange::Inserted: list->insertItem(change.row, MakeItem(texts.at(row))); break;
    case ListChange::Removed: delete list->item(change.row); break;
    case ListChange::Reset: FillInOrder(list, texts); break;
  }
}

}  // namespace eiyou
