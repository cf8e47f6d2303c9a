#include "bench_data.h"

#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "tables/data_dir.h"
#include "nutrition/dish_line.h"
#include "tables/dish_file.h"

namespace eiyou::bench {

std::string SampleDataPath() { return EIYOU_SAMPLE_DATA; }

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out.good()) throw std::runtime_error("cannot write " + path);
}

std::vector<std::string> Lines(const std::string& bytes) { return SplitDishText(bytes); }

std::string DateInYear(int year, int dayOfYear) {
  std::tm date{};
  date.tm_year = year - 1900;
  date.tm_mday = 1 + dayOfYear;  // normalised by mktime
  date.tm_hour = 12;
  std::mktime(&date);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &date);
  return text;
}

DayPlan SampleDay(const std::string& date, const std::vector<std::string>& dishes,
                  std::mt19937& random) {
  std::uniform_int_distribution<std::size_t> pick(0, dishes.size() - 1);
  std::uniform_int_distribution<int> count(2, 4);
  DayPlan day;
  day.date = date;
  day.sex = 1;
  day.age = 6;
  for (auto& meal : day.meals)
    for (int n = count(random); n > 0; --n) meal.push_back(dishes[pick(random)]);
  return day;
}

void LoadSampleFoodTable(const ScratchDir& dir, FoodTable& table) {
  dir.Write(kFoodFileName, ReadFileBytes(SampleDataPath() + "/" + kFoodFileName));
  struct : MessageSink {
    void Show(const std::string&) override { ++shown; }
    int shown = 0;
  } sink;
  LoadFoodTable(table, sink);
  if (sink.shown != 0) throw std::runtime_error("the food table did not load");
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::string FoodFileBytes(std::size_t lines) {
  const std::vector<std::string> sample =
      Lines(ReadFileBytes(SampleDataPath() + "/" + kFoodFileName));
  if (sample.empty()) throw std::runtime_error("the sample food table is empty");
  std::vector<std::string> out;
  out.reserve(lines);
  for (std::size_t i = 0; i < lines; ++i) out.push_back(sample[i % sample.size()]);
  return JoinCrLf(out);
}

std::vector<std::string> DishLines(std::size_t count) {
  const std::vector<std::string> sample = Lines(
      ReadFileBytes(SampleDataPath() + "/" + kDishDirName + "/" + kDishFileName));
  if (sample.empty()) throw std::runtime_error("the sample dish file is empty");
  std::vector<std::string> out;
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    DishLineParts dish = SplitDishLine(sample[i % sample.size()]);
    std::string line = dish.cuisine + "," + dish.category + "," + dish.name + " " +
                       std::to_string(i / sample.size() + 1);
    if (dish.hasFoods) line += "," + dish.foods;
    out.push_back(std::move(line));
  }
  std::mt19937 random(20240521);
  std::shuffle(out.begin(), out.end(), random);
  return out;
}

ScratchDir::ScratchDir() {
  char* old = getcwd(nullptr, 0);
  if (!old) throw std::runtime_error("no working directory");
  previous_ = old;
  std::free(old);
  std::string pattern = (std::filesystem::temp_directory_path() / "eiyou-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a scratch directory");
  path_ = pattern;
  if (chdir(path_.c_str()) != 0) throw std::runtime_error("cannot enter " + path_);
}

ScratchDir::~ScratchDir() {
  if (chdir(previous_.c_str()) != 0) {
    // Stay where we are; the directory is removed all the same.
  }
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void ScratchDir::Write(const std::string& name, const std::string& bytes) const {
  const std::filesystem::path file = std::filesystem::path(path_) / name;
  std::filesystem::create_directories(file.parent_path());
  WriteFileBytes(file.string(), bytes);
}

}  // namespace eiyou::bench
