// The day plan database over arbitrary input. The first byte chooses:
//  even: the rest is the file 献立表.db itself; opening it must not crash, a
//        damaged file must be moved aside with its bytes, and a database that
//        opens for storing must give back a day stored in it;
//  odd:  the rest is a date (10 bytes), then dish lines, each a length byte
//        and that many bytes, dealt to the three meals in turn; the date must
//        be accepted exactly when it is a real date, and the lines must come
//        back byte for byte.

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "tables/file_io.h"
#include "plans/plan_store.h"
#include "tables/data_dir.h"

using namespace eiyou;
using namespace eiyou::fuzz;

namespace {

// A data folder below the scratch directory, with its KONDATE folder emptied.
std::string FreshDataDir(const std::string& name) {
  const std::string dir = ScratchDir() + "/" + name;
  const std::string kondate = JoinPath(dir, kDishDirName);
  mkdir(dir.c_str(), 0700);
  mkdir(kondate.c_str(), 0700);
  if (DIR* d = opendir(kondate.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string entry = e->d_name;
      if (entry != "." && entry != "..") unlink((kondate + "/" + entry).c_str());
    }
    closedir(d);
  }
  return dir;
}

// The date rule written with the standard calendar.
bool ModelDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (text[i] < '0' || text[i] > '9') return false;
  auto number = [&](std::size_t from, std::size_t n) {
    unsigned v = 0;
    for (std::size_t i = from; i < from + n; ++i) v = v * 10 + static_cast<unsigned>(text[i] - '0');
    return v;
  };
  const int year = static_cast<int>(number(0, 4));
  const std::chrono::year_month_day date{std::chrono::year(year), std::chrono::month(number(5, 2)),
                                         std::chrono::day(number(8, 2))};
  return year >= 1 && date.ok();
}

void FileInput(std::string_view bytes) {
  const std::string dir = FreshDataDir("file");
  const std::string path = PlanDatabasePath(dir);
  WriteFileOrDie(path, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  auto store = DayPlanStore::Open(dir, 0);
  store->DaysBetween("0001-01-01", "9999-12-31");
  store->HasDay("2024-01-01");
  if (store->status() == OpenStatus::Replaced) {
    FUZZ_CHECK(!store->damagedCopy().empty());
    FUZZ_CHECK(ReadWholeFile(store->damagedCopy()) == bytes);
  }
  if (store->status() != OpenStatus::Ok && store->status() != OpenStatus::Replaced) {
    FUZZ_CHECK(!store->message().empty());
    return;
  }
  DayPlan day;
  day.date = "2024-01-01";
  day.sex = 1;
  day.age = 3;
  day.meals[1] = {"a,b,c,[1]0001:x= 1g"};
  const StoreResult saved = store->SaveDay(day, 0);
  if (!saved.ok) {
    FUZZ_CHECK(!saved.message.empty());
    return;
  }
  const std::optional<DayPlan> loaded = store->LoadDay(day.date);
  FUZZ_CHECK(loaded && loaded->meals == day.meals && loaded->sex == 1 && loaded->age == 3);
}

void LinesInput(std::string_view bytes) {
  static const std::string dir = FreshDataDir("lines");
  static const std::unique_ptr<DayPlanStore> store = DayPlanStore::Open(dir, 0);
  FUZZ_CHECK(store->status() == OpenStatus::Ok);

  DayPlan day;
  day.date = std::string(bytes.substr(0, 10));
  day.sex = 0;
  day.age = 11;
  bytes.remove_prefix(std::min<std::size_t>(10, bytes.size()));
  for (int k = 0; !bytes.empty(); ++k) {
    const std::size_t n = std::min<std::size_t>(static_cast<unsigned char>(bytes[0]), bytes.size() - 1);
    day.meals[k % kMeals].emplace_back(bytes.substr(1, n));
    bytes.remove_prefix(1 + n);
  }
  FUZZ_CHECK(IsPlanDate(day.date) == ModelDate(day.date));
  const StoreResult saved = store->SaveDay(day, 0);
  FUZZ_CHECK(saved.ok == IsPlanDate(day.date));
  if (!saved.ok) return;
  const std::optional<DayPlan> loaded = store->LoadDay(day.date);
  FUZZ_CHECK(loaded && loaded->date == day.date && loaded->meals == day.meals);
  FUZZ_CHECK(store->DeleteDay(day.date).ok && !store->HasDay(day.date));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] % 2 == 0)
    FileInput(rest);
  else
    LinesInput(rest);
  return 0;
}
