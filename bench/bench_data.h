// Inputs of the benchmarks: full-size files made from the sample data in data/
// (so their bytes look like the real ones), written into a scratch working
// directory that the benchmark runs in.
#pragma once

#include <cstddef>
#include <random>
#include <string>
#include <vector>

#include "nutrition/day_plan.h"
#include "tables/food_table.h"

namespace eiyou::bench {

// The repository's data/ folder (fixed at build time).
std::string SampleDataPath();

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// The lines of a text, split at CR LF, lone CR or lone LF.
std::vector<std::string> Lines(const std::string& bytes);
std::string JoinCrLf(const std::vector<std::string>& lines);

// A food table file of `lines` lines: the sample table repeated, CR LF.
std::string FoodFileBytes(std::size_t lines);

// `count` dish lines: the sample dishes repeated, each name numbered so that
// no two lines are equal, in a fixed shuffled order (as a file edited by hand
// or written by another program could be; a saved list is already in order).
std::vector<std::string> DishLines(std::size_t count);

// "YYYY-MM-DD" of the day `dayOfYear` (0: 1 January) of `year`.
std::string DateInYear(int year, int dayOfYear);

// A day of 3 meals of 2 to 4 of `dishes` each, chosen by `random`; planned for
// a man of the sixth age class.
DayPlan SampleDay(const std::string& date, const std::vector<std::string>& dishes,
                  std::mt19937& random);

class ScratchDir;
// The bundled food table written into `dir` and loaded from it; throws when
// it does not load without a message.
void LoadSampleFoodTable(const ScratchDir& dir, FoodTable& table);

// A fresh directory that becomes the working directory; the old one is
// restored and the directory removed on destruction.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::string Path(const std::string& name) const { return path_ + "/" + name; }
  // Writes a file below the directory, making its folder when needed.
  void Write(const std::string& name, const std::string& bytes) const;

 private:
  std::string path_;
  std::string previous_;
};

}  // namespace eiyou::bench
