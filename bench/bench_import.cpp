// Importing the official workbook of 2,538 foods, beside the least work any
// reader of it must do: decompress the sheet and walk its XML with the same
// libraries (libzip, libxml2's SAX2 push parser) without looking at a cell.
// The workbook is made in the official layout from the committed import
// fixture, its foods repeated and renumbered to the table's full size.
#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <zip.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_data.h"
#include "bench_report.h"
#include "import/food_import.h"
#include "workbook_writer.h"

using namespace eiyou;
using namespace eiyou::bench;

namespace {

constexpr std::size_t kFoods = 2538;
constexpr const char* kWorkbookName = "foods-2538.xlsx";

std::string FullSizeWorkbook() {
  const fixtures::Records fixture =
      fixtures::ParseDelimited(ReadFileBytes(std::string(EIYOU_IMPORT_FIXTURES) + "/foods.tsv"));
  fixtures::Records records = {fixture[0]};
  std::size_t fnColumn = 0;
  while (fnColumn < fixture[0].size() && fixture[0][fnColumn] != "FN") ++fnColumn;
  for (std::size_t i = 0; i < kFoods; ++i) {
    std::vector<std::string> food = fixture[1 + i % (fixture.size() - 1)];
    char number[8];
    std::snprintf(number, sizeof number, "%.2s%03zu", food[fnColumn].c_str(), i % 1000);
    food[fnColumn] = number;
    records.push_back(std::move(food));
  }
  return fixtures::OfficialLayoutWorkbook(records);
}

void BM_ImportWorkbook(benchmark::State& state) {
  ScratchDir dir;
  dir.Write(kWorkbookName, FullSizeWorkbook());
  const std::string path = dir.Path(kWorkbookName);
  std::size_t foods = 0;
  for (auto _ : state) {
    const FoodImport r = ImportFoodComposition(path);
    foods = r.foods.size();
    benchmark::DoNotOptimize(r.foods.data());
  }
  if (foods != kFoods) state.SkipWithError("the import did not give every food");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kFoods));
}
BENCHMARK(BM_ImportWorkbook)->Unit(benchmark::kMillisecond);

struct ElementCount {
  std::size_t elements = 0;
  std::size_t textBytes = 0;
};

void CountElement(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*, int, const xmlChar**, int,
                  int, const xmlChar**) {
  ++static_cast<ElementCount*>(static_cast<xmlParserCtxtPtr>(ctx)->_private)->elements;
}
void CountText(void* ctx, const xmlChar*, int length) {
  static_cast<ElementCount*>(static_cast<xmlParserCtxtPtr>(ctx)->_private)->textBytes +=
      static_cast<std::size_t>(length);
}

// Floor: the file read whole, the sheet part decompressed 64 KiB at a time and
// pushed through a SAX2 parser whose callbacks only count.
void BM_ImportWorkbook_Floor(benchmark::State& state) {
  ScratchDir dir;
  dir.Write(kWorkbookName, FullSizeWorkbook());
  const std::string path = dir.Path(kWorkbookName);
  xmlInitParser();
  xmlSAXHandler sax;
  std::memset(&sax, 0, sizeof sax);
  sax.initialized = XML_SAX2_MAGIC;
  sax.startElementNs = CountElement;
  sax.characters = CountText;
  std::vector<char> buffer(64 * 1024);
  ElementCount count;
  for (auto _ : state) {
    count = {};
    const std::string bytes = ReadFileBytes(path);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    zip_t* zip = zip_open_from_source(source, ZIP_RDONLY, &error);
    zip_file_t* file = zip_fopen(zip, "xl/worksheets/sheet2.xml", 0);
    xmlParserCtxtPtr ctxt = xmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, nullptr);
    ctxt->_private = &count;
    for (zip_int64_t n; (n = zip_fread(file, buffer.data(), buffer.size())) > 0;)
      xmlParseChunk(ctxt, buffer.data(), static_cast<int>(n), 0);
    xmlParseChunk(ctxt, nullptr, 0, 1);
    xmlFreeParserCtxt(ctxt);
    zip_fclose(file);
    zip_discard(zip);
    zip_error_fini(&error);
    benchmark::DoNotOptimize(count);
  }
  if (count.elements < kFoods * 40) state.SkipWithError("the sheet was not walked");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kFoods));
}
BENCHMARK(BM_ImportWorkbook_Floor)->Unit(benchmark::kMillisecond);

EIYOU_BENCH_COMPARE({"import of the official workbook, 2538 foods", "BM_ImportWorkbook",
                     "BM_ImportWorkbook_Floor", Goal::RatioAtMost(3)});

}  // namespace

int main(int argc, char** argv) { return RunBenchmarks(argc, argv); }
