// What every workbook writer of the reports shares: numbers written in the
// "C" locale and in their shortest form, and the file renamed into place
// only when whole.
#pragma once

#include <locale.h>

#include <string>

typedef struct lxw_workbook lxw_workbook;

namespace eiyou {

// Switches the calling thread's numbers to the "C" locale for its lifetime:
// libxlsxwriter writes every double (cell values, column widths, margins)
// with printf, which follows the numeric locale the program runs in, and a
// decimal comma in the XML makes the workbook unreadable.
class CNumbersOnThisThread {
 public:
  CNumbersOnThisThread() {
    if (locale_t copy = duplocale(uselocale(static_cast<locale_t>(nullptr)))) {
      mine_ = newlocale(LC_NUMERIC_MASK, "C", copy);
      if (!mine_) freelocale(copy);
    }
    if (mine_) previous_ = uselocale(mine_);
  }
  ~CNumbersOnThisThread() {
    if (!mine_) return;
    uselocale(previous_);
    freelocale(mine_);
  }
  CNumbersOnThisThread(const CNumbersOnThisThread&) = delete;
  CNumbersOnThisThread& operator=(const CNumbersOnThisThread&) = delete;
  bool ok() const { return mine_ != nullptr; }

 private:
  locale_t mine_ = nullptr, previous_ = nullptr;
};

// Closes `book`, written to `temp`, shortens the numbers of its sheets
// 1..`sheets` and renames it over `path`. False, with `temp` removed, when any
// step fails: a failure leaves no half workbook under the chosen name.
bool FinishWorkbook(lxw_workbook* book, const std::string& temp, const std::string& path, int sheets);

}  // namespace eiyou
