// The food table viewer's side: its own copy of the food table and the record
// shown, kept for the program run from one opening of the viewer to the next.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "tables/errors.h"
#include "tables/food_table.h"

namespace eiyou {

class ViewerSession {
 public:
  ViewerSession();

  const FoodTable& table() const { return *table_; }
  int currentRecord() const { return current_; }
  // The edition recorded beside the table last loaded (CP932); empty before a
  // load, or when that table has no record of its own.
  const std::string& edition() const { return edition_; }

  // Loads the table and its edition record; the first record becomes the
  // current one, also when the file was missing (reported through `sink`;
  // the copy and its edition stay as they were). An unreadable file throws
  // IoError and leaves the current record and the edition as they were.
  void Load(MessageSink& sink);

  // One record back or forward; false at either end of the table.
  bool StepBack();
  bool StepForward();

  // The record whose number was typed (UTF-8), or 0 when it names none. Typing
  // shows a record without making it the current one.
  int TypedRecord(std::string_view typed) const;

 private:
  std::unique_ptr<FoodTable> table_;
  int current_ = 0;
  std::string edition_;
};

}  // namespace eiyou
