#include "gui/list_items.h"

#include <QListWidget>
#include <algorithm>

#include "gui/text.h"

namespace eiyou {

std::string ItemBytes(const QListWidgetItem* item) {
  if (!item) return {};
  const QByteArray bytes = item->data(Qt::UserRole).toByteArray();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::string ItemBytes(const QListWidget* list, int row) { return ItemBytes(list->item(row)); }

std::vector<std::string> AllItemBytes(const QListWidget* list) {
  std::vector<std::string> texts;
  texts.reserve(static_cast<size_t>(list->count()));
  for (int i = 0; i < list->count(); ++i) texts.push_back(ItemBytes(list, i));
  return texts;
}

QListWidgetItem* SelectedItem(const QListWidget* list) {
  const QList<QListWidgetItem*> items = list->selectedItems();
  return items.isEmpty() ? nullptr : items.first();
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

}  // namespace eiyou
