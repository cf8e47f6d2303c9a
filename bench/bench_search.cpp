// Food search as the user types, over the 2,538 names of the bundled table,
// beside a bare substring scan over the same names already folded.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>
#include <vector>

#include "bench_data.h"
#include "bench_report.h"
#include "nutrition/food_search.h"
#include "sessions/dish_session.h"
#include "tables/data_dir.h"

using namespace eiyou;
using namespace eiyou::bench;

namespace {

constexpr std::size_t kFoodLines = 2538;  // the bundled table, whole
// What people type: kana that the names write in katakana, half-width kana,
// kanji, full-width Latin, everyday names (the bundled table of them) and
// two words; a few foods each, or none. Searched as typed: every keystroke.
const char* const kTexts[] = {"さけ", "ｷｬﾍﾞﾂ", "牛乳", "とうふ", "ＮＯＮＥ", "鶏むね", "とり むね", "ごはん"};

// Each text as it grows one character at a time.
std::vector<std::string> Keystrokes() {
  std::vector<std::string> typed;
  for (std::string_view text : kTexts)
    for (std::size_t i = 1; i <= text.size(); ++i)
      if (i == text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
        typed.emplace_back(text.substr(0, i));
  return typed;
}

class QuietSink : public MessageSink {
 public:
  void Show(const std::string&) override { ++shown; }
  int shown = 0;
};

// The dish side's search, as the window calls it: make the query of the typed
// text, scan the names folded at load, and hand back the list's items.
void BM_SearchFoods(benchmark::State& state) {
  ScratchDir dir;
  dir.Write(kFoodFileName, FoodFileBytes(kFoodLines));
  DishSession session;
  QuietSink sink;
  session.LoadFood(sink);
  const std::vector<std::string> typed = Keystrokes();
  std::size_t found = 0;
  for (const std::string& q : typed) found += session.Search(q).choices.size();  // names folded once
  if (sink.shown != 0 || found == 0) state.SkipWithError("the table did not load");
  for (auto _ : state) {
    for (const std::string& q : typed) {
      DishSession::FoodList list = session.Search(q);
      benchmark::DoNotOptimize(list.choices.data());
    }
  }
}
BENCHMARK(BM_SearchFoods);

// Floor: std::string::find over the same folded names with the same texts
// folded whole, keeping the rows found.
void BM_SearchFoods_Floor(benchmark::State& state) {
  ScratchDir dir;
  dir.Write(kFoodFileName, FoodFileBytes(kFoodLines));
  FoodTable table;
  QuietSink sink;
  LoadFoodTable(table, sink);
  FoodNameIndex index;
  index.Build(table);
  std::vector<std::string> names, keys;
  for (int r = 1; r <= index.rows(); ++r) names.push_back(index.Folded(r));
  for (const std::string& q : Keystrokes()) keys.push_back(FoldForSearch(q));
  std::vector<int> rows;
  for (auto _ : state) {
    for (const std::string& key : keys) {
      rows.clear();
      for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i].find(key) != std::string::npos) rows.push_back(static_cast<int>(i + 1));
      benchmark::DoNotOptimize(rows.data());
    }
  }
}
BENCHMARK(BM_SearchFoods_Floor);

EIYOU_BENCH_COMPARE({"food search per keystroke, 8 texts typed over 2,538 names (goal: at most 3 × floor)",
                     "BM_SearchFoods", "BM_SearchFoods_Floor", Goal::RatioAtMost(3)});

}  // namespace
