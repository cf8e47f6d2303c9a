// Makes the import test fixtures from the official figures' text export:
//   make_import_fixtures SHARED_DATA_DIR OUT_DIR
// picks the first two foods of every group, a few with rare notations and the
// foods the tests name, in table order, and writes the same foods as
//   foods.tsv         UTF-8, tab-separated, as the export (multi-line quotes)
//   foods-cp932.csv   CP932, comma-separated
//   foods.xlsx        a workbook laid out like the official one
//   all-foods.xlsx    every food of the export in such a workbook
// The output depends only on the input: run it again to get the same bytes.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <set>
#include <sstream>
#include <string>

#include "tables/cp932.h"
#include "workbook_writer.h"

using eiyou::fixtures::Records;

namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_import_fixtures SHARED_DATA_DIR OUT_DIR\n");
    return 2;
  }
  try {
    const Records all = eiyou::fixtures::ParseDelimited(
        Read(std::string(argv[1]) + "/food-composition-2023.tsv"), '\t');
    const std::vector<std::string>& ids = all.at(0);
    const std::set<std::string> mapped = {
        "ENERC_KCAL", "WATER", "PROT", "FAT", "CHOCDF", "FIB", "ASH", "CA", "P", "FE", "NA",
        "K", "RETOL", "CARTBEQ", "VITA_RAE", "THIA", "RIBF", "NIA", "VITC", "NACL_EQ", "REFUSE"};

    std::set<std::size_t> chosen;
    std::map<std::string, int> perGroup;
    for (std::size_t r = 1; r < all.size(); ++r)
      if (all[r].size() > 1 && perGroup[all[r][0]]++ < 2) chosen.insert(r);
    // The first food showing each rare notation in a column the table takes.
    auto firstWith = [&](auto&& test) {
      for (std::size_t r = 1; r < all.size(); ++r)
        for (std::size_t c = 0; c < ids.size() && c < all[r].size(); ++c)
          if (mapped.count(ids[c]) && test(all[r][c], ids[c])) {
            chosen.insert(r);
            return;
          }
    };
    firstWith([](const std::string& v, const std::string&) { return v.find("†") != std::string::npos; });
    firstWith([](const std::string& v, const std::string&) { return v == "(Tr)"; });
    firstWith([](const std::string& v, const std::string& id) { return id == "VITA_RAE" && v.size() > 2 && v[0] == '('; });
    firstWith([](const std::string& v, const std::string&) { return !v.empty() && v.back() == ' '; });
    firstWith([](const std::string& v, const std::string&) { return v.empty(); });

    // Foods the tests name: raw salmon (糖質 0.1 of carbohydrate 0.1 and fibre
    // "(0)") and fried tofu (carbohydrate 0.4 below fibre 1.3: 糖質 0).
    for (std::size_t r = 1; r < all.size(); ++r)
      if (all[r].size() > 1 && (all[r][1] == "10134" || all[r][1] == "04040")) chosen.insert(r);

    Records picked = {ids};
    for (std::size_t r : chosen) picked.push_back(all[r]);

    const std::string out = argv[2];
    Write(out + "/foods.tsv", eiyou::fixtures::WriteDelimited(picked, '\t'));

    Records encoded = picked;
    for (auto& record : encoded)
      for (auto& field : record) {
        std::string cp932;
        field = eiyou::Utf8ToCp932(field, cp932) ? cp932 : std::string("?");
      }
    Write(out + "/foods-cp932.csv", eiyou::fixtures::WriteDelimited(encoded, ','));
    Write(out + "/foods.xlsx", eiyou::fixtures::OfficialLayoutWorkbook(picked));
    // Every food, laid out like the official workbook: importing it must give
    // the bundled table byte for byte.
    Write(out + "/all-foods.xlsx", eiyou::fixtures::OfficialLayoutWorkbook(all));
    std::printf("%zu foods written to %s (and all %zu to all-foods.xlsx)\n", picked.size() - 1,
                out.c_str(), all.size() - 1);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_import_fixtures: %s\n", e.what());
    return 1;
  }
  return 0;
}
