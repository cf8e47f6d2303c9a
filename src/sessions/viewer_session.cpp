#include "sessions/viewer_session.h"

#include <string>

#include "tables/cp932.h"
#include "tables/data_dir.h"
#include "tables/food_edition.h"
#include "tables/numbers.h"

namespace eiyou {

ViewerSession::ViewerSession() : table_(std::make_unique<FoodTable>()) {}

void ViewerSession::Load(MessageSink& sink) {
  const bool present = EntryExists(JoinPath(DataDirectory(), kFoodFileName));
  LoadFoodTable(*table_, sink);
  if (present) edition_ = LoadFoodEdition();
  current_ = 1;
}

bool ViewerSession::StepBack() {
  if (current_ <= 1) return false;
  --current_;
  return true;
}

bool ViewerSession::StepForward() {
  if (current_ >= table_->rows()) return false;
  ++current_;
  return true;
}

int ViewerSession::TypedRecord(std::string_view typed) const {
  // Only ASCII digits, blanks, signs and "$" count for the reader, so a
  // character the code page cannot hold simply stops it.
  std::string bytes;
  if (!Utf8ToCp932(typed, bytes)) {
    bytes.clear();
    for (char c : typed) bytes.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
  }
  const int n = ParseIntLenient(bytes);
  return n >= 1 && n <= table_->rows() ? n : 0;
}

}  // namespace eiyou
