// The workbook: xl/workbook.xml names the sheets, xl/_rels/workbook.xml.rels
// says which part holds each, xl/sharedStrings.xml holds the texts that cells
// refer to by number. Every part is decompressed a piece at a time into the
// XML stream, under caps on its size, on its compression ratio and on the sum
// of all parts, whatever the archive declares.
#include <zip.h>

#include <charconv>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "import/food_columns.h"
#include "import/readers.h"
#include "import/sheet_rows.h"
#include "import/xml_stream.h"

namespace eiyou::import {
namespace {

constexpr const char* kSheetName = "表全体";
constexpr std::size_t kPiece = 64 * 1024;
// Small parts are never refused for their ratio: a few kilobytes of repeated
// markup compress far beyond any bomb's ratio and cost nothing.
constexpr std::uint64_t kRatioFreeBytes = 64 * 1024;

std::string ZipErrorText(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

class Archive {
 public:
  Archive(std::string_view bytes, const ImportLimits& limits) : limits_(limits), buffer_(kPiece) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source) {
      zip_ = zip_open_from_source(source, ZIP_RDONLY, &error);
      if (!zip_) zip_source_free(source);
    }
    if (!zip_) {
      const int code = zip_error_code_zip(&error);
      error_ = code == ZIP_ER_NOZIP
                   ? "Excelのブック（.xlsx）として読めません: ZIP形式のファイルではありません"
                   : "Excelのブック（.xlsx）として読めません: ZIP形式が壊れています（" +
                         ZipErrorText(code) + "）";
    }
    zip_error_fini(&error);
  }
  ~Archive() {
    if (zip_) zip_discard(zip_);
  }
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  const std::string& Error() const { return error_; }

  zip_int64_t Find(const std::string& name) const {
    return zip_name_locate(zip_, name.c_str(), ZIP_FL_NOCASE);
  }

  // Streams part `name` into `xml`, at most `cap` bytes. `progress` gets the
  // fraction read of the declared size and may cancel. An error text on failure.
  std::string Stream(const std::string& name, std::size_t cap, XmlStream& xml,
                     const std::function<bool(double)>& progress = {}) {
    const zip_int64_t index = Find(name);
    if (index < 0) return "ブックに " + name + " がありません";
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(zip_, static_cast<zip_uint64_t>(index), 0, &st) != 0)
      return "ブックの " + name + " を読めません（" + zip_strerror(zip_) + "）";
    const std::uint64_t declared = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
    const std::uint64_t compressed = (st.valid & ZIP_STAT_COMP_SIZE) ? st.comp_size : 0;
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
      return "ブックの " + name + " は暗号化されていて読めません";
    if (declared > cap) return TooLarge(name, cap);
    if (declared > kRatioFreeBytes && declared > limits_.ratio * double(compressed))
      return Bomb(name);

    zip_file_t* file = zip_fopen_index(zip_, static_cast<zip_uint64_t>(index), 0);
    if (!file) return "ブックの " + name + " を読めません（" + zip_strerror(zip_) + "）";
    std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> closer(file, zip_fclose);
    // The declared sizes are the archive's word only: the bytes actually
    // produced are counted against the same caps.
    const double ratioCap = limits_.ratio * double(compressed) + double(kRatioFreeBytes);
    std::uint64_t read = 0;
    for (;;) {
      const zip_int64_t n = zip_fread(file, buffer_.data(), buffer_.size());
      if (n < 0)
        return "ブックの " + name + " を展開できません（" + zip_file_strerror(file) + "）";
      if (n == 0) break;
      read += static_cast<std::uint64_t>(n);
      total_ += static_cast<std::uint64_t>(n);
      if (read > cap) return TooLarge(name, cap);
      if (double(read) > ratioCap) return Bomb(name);
      if (total_ > limits_.totalBytes)
        return "ブックの展開後の大きさが上限（" + Mebibytes(limits_.totalBytes) + "）を超えます";
      if (!xml.Feed(buffer_.data(), static_cast<std::size_t>(n), false)) return xml.Error();
      if (progress && declared > 0 && !progress(std::min(1.0, double(read) / double(declared))))
        return kCancelledMessage;
    }
    if (!xml.Feed(nullptr, 0, true)) return xml.Error();
    return {};
  }

 private:
  static std::string Mebibytes(std::size_t bytes) {
    return std::to_string(bytes >> 20) + " MiB";
  }
  static std::string TooLarge(const std::string& name, std::size_t cap) {
    return "ブックの " + name + " が大きすぎます（展開後の上限 " + Mebibytes(cap) + "）";
  }
  std::string Bomb(const std::string& name) const {
    return "ブックの " + name + " の圧縮率が異常です（" + std::to_string(int(limits_.ratio)) +
           " 倍を超えます）: 壊れたファイルか、展開で容量を使い尽くさせるファイルです";
  }

  const ImportLimits& limits_;
  zip_t* zip_ = nullptr;
  std::string error_;
  std::vector<char> buffer_;
  std::uint64_t total_ = 0;
};

// ---- xl/workbook.xml and its relationships ------------------------------------

struct SheetEntry {
  std::string name, relationId;
};

class WorkbookHandler : public XmlHandler {
 public:
  void StartElement(std::string_view name, const XmlAttributes& a) override {
    if (name == "sheet") sheets.push_back({std::string(a.Get("name")), std::string(a.Get("id"))});
  }
  void EndElement(std::string_view) override {}
  void Text(std::string_view) override {}
  std::vector<SheetEntry> sheets;
};

struct Relationship {
  std::string id, type, target;
  bool external = false;
};

class RelationsHandler : public XmlHandler {
 public:
  void StartElement(std::string_view name, const XmlAttributes& a) override {
    if (name == "Relationship")
      relations.push_back({std::string(a.Get("Id")), std::string(a.Get("Type")),
                           std::string(a.Get("Target")), a.Get("TargetMode") == "External"});
  }
  void EndElement(std::string_view) override {}
  void Text(std::string_view) override {}
  std::vector<Relationship> relations;
};

// A relationship's target as a part name: relative to xl/, or absolute ("/xl/...").
std::string PartName(const std::string& target) {
  std::string path = !target.empty() && target[0] == '/' ? target.substr(1) : "xl/" + target;
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    const std::string piece = path.substr(start, slash - start);
    if (piece == "..") {
      if (!pieces.empty()) pieces.pop_back();
    } else if (!piece.empty() && piece != ".") {
      pieces.push_back(piece);
    }
    start = slash + 1;
  }
  std::string out;
  for (const std::string& piece : pieces) out += (out.empty() ? "" : "/") + piece;
  return out;
}

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// ---- xl/sharedStrings.xml ------------------------------------------------------

// All texts in one buffer: a file of millions of tiny strings then costs four
// bytes each beside its text, not a string object each.
class SharedStrings : public XmlHandler {
 public:
  std::size_t Count() const { return ends_.size(); }
  std::string_view At(std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(pool_).substr(begin, ends_[i] - begin);
  }

  void StartElement(std::string_view name, const XmlAttributes&) override {
    if (name == "si") {
      inItem_ = true;
    } else if (name == "rPh") {
      ++phonetic_;  // furigana runs are not part of the text
    } else if (name == "t" && inItem_ && phonetic_ == 0) {
      collecting_ = true;
    }
  }
  void EndElement(std::string_view name) override {
    if (name == "si") {
      inItem_ = false;
      ends_.push_back(static_cast<std::uint32_t>(pool_.size()));
    } else if (name == "rPh") {
      if (phonetic_ > 0) --phonetic_;
    } else if (name == "t") {
      collecting_ = false;
    }
  }
  void Text(std::string_view text) override {
    if (collecting_) pool_.append(text);
  }
  bool Overflowed() const { return pool_.size() > UINT32_MAX; }

 private:
  std::string pool_;
  std::vector<std::uint32_t> ends_;
  bool inItem_ = false, collecting_ = false;
  int phonetic_ = 0;
};

// ---- the sheet ----------------------------------------------------------------

// "BC13" → column 54 (0-based); -1 when the reference has no letters or too many.
int ColumnOfReference(std::string_view reference) {
  int column = 0, letters = 0;
  for (char c : reference) {
    if (c >= 'A' && c <= 'Z') {
      column = column * 26 + (c - 'A' + 1);
    } else if (c >= 'a' && c <= 'z') {
      column = column * 26 + (c - 'a' + 1);
    } else {
      break;
    }
    if (++letters > 3) return -1;
  }
  return letters == 0 ? -1 : column - 1;
}

int RowOfReference(std::string_view reference) {
  std::size_t i = 0;
  while (i < reference.size() && !(reference[i] >= '0' && reference[i] <= '9')) ++i;
  int row = 0;
  const auto [end, ec] = std::from_chars(reference.data() + i, reference.data() + reference.size(), row);
  return ec == std::errc() && end == reference.data() + reference.size() ? row : 0;
}

class SheetHandler : public XmlHandler {
 public:
  SheetHandler(const SharedStrings& strings, SheetRows& rows, const ImportLimits& limits)
      : strings_(strings), rows_(rows), limits_(limits) {}
  void Attach(XmlStream& xml) { xml_ = &xml; }

  void StartElement(std::string_view name, const XmlAttributes& a) override {
    if (name == "row") {
      if (++rowCount_ > limits_.rows) {
        Fail("「表全体」シートの行が多すぎます（上限 " + std::to_string(limits_.rows) + " 行）");
        return;
      }
      const int number = RowOfReference(a.Get("r"));
      rowNumber_ = number > 0 ? number : rowNumber_ + 1;
      inRow_ = true;
      lastColumn_ = -1;
      rows_.BeginRow(rowNumber_);
    } else if (name == "c" && inRow_) {
      const std::string_view reference = a.Get("r");
      column_ = reference.empty() ? lastColumn_ + 1 : ColumnOfReference(reference);
      if (column_ < 0 || column_ >= limits_.columns) {
        Fail("「表全体」シートのセル番地「" + Excerpt(reference, 20) + "」が正しくないか、列が多すぎます");
        return;
      }
      lastColumn_ = column_;
      inCell_ = rows_.Wants(column_);
      room_ = inCell_ ? rows_.CellRoom() : 0;
      const std::string_view type = a.Get("t");
      type_ = type == "s" ? kShared : type == "inlineStr" ? kInline : type.empty() || type == "n" ? kNumber : kText;
      value_.clear();
    } else if (!inCell_) {
      return;
    } else if (name == "v") {
      collecting_ = type_ != kInline;
    } else if (name == "rPh") {
      ++phonetic_;
    } else if (name == "t") {
      collecting_ = type_ == kInline && phonetic_ == 0;
    }
  }

  void EndElement(std::string_view name) override {
    if (name == "v" || name == "t") {
      collecting_ = false;
    } else if (name == "rPh") {
      if (phonetic_ > 0) --phonetic_;
    } else if (name == "c") {
      if (inCell_) CellDone();
      inCell_ = false;
      collecting_ = false;
      phonetic_ = 0;
    } else if (name == "row" && inRow_) {
      inRow_ = false;
      if (!rows_.EndRow()) Fail(std::string());
    }
  }

  void Text(std::string_view text) override {
    // Past the cell's cap the row walk refuses it: the rest need not be kept.
    if (collecting_ && value_.size() < room_) value_.append(text.substr(0, room_ - value_.size()));
  }

  // Set when the sheet itself, not its XML, stopped the reading.
  bool failed = false;

 private:
  enum Type { kNumber, kShared, kInline, kText };

  void CellDone() {
    switch (type_) {
      case kShared: {
        std::size_t index = 0;
        const std::string_view digits = TrimBlanks(value_);
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
        if (ec != std::errc() || end != digits.data() + digits.size() || index >= strings_.Count()) {
          Fail("「表全体」シートのセルが存在しない共有文字列（" + Excerpt(digits, 20) +
               "）を指しています");
          return;
        }
        Hand(std::string(strings_.At(index).substr(0, room_)));
        break;
      }
      case kNumber: {
        const std::string_view text = TrimBlanks(value_);
        double number = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
        // A text cut at the cap is no number to read: it goes on to be refused.
        if (value_.size() < room_ && !text.empty() && ec == std::errc() &&
            end == text.data() + text.size()) {
          Hand(ShortestDecimal(number));
        } else {
          Hand(std::move(value_));
        }
        break;
      }
      default:
        Hand(std::move(value_));
    }
    value_.clear();
  }

  void Hand(std::string text) {
    if (!rows_.Cell(column_, std::move(text))) Fail(std::string());
  }

  void Fail(std::string reason) {
    failed = true;
    inRow_ = inCell_ = collecting_ = false;
    if (xml_) xml_->Stop(std::move(reason));
  }

  const SharedStrings& strings_;
  SheetRows& rows_;
  const ImportLimits& limits_;
  XmlStream* xml_ = nullptr;
  int rowCount_ = 0, rowNumber_ = 0, lastColumn_ = -1, column_ = 0, phonetic_ = 0;
  bool inRow_ = false, inCell_ = false, collecting_ = false;
  Type type_ = kNumber;
  std::string value_;
  std::size_t room_ = 0;  // the most of the cell's text worth keeping
};

}  // namespace

void ReadWorkbook(std::string_view bytes, const ImportProgress& progress,
                  const ImportLimits& limits, FoodImport& result) {
  result.format = "xlsx";
  Archive archive(bytes, limits);
  if (!archive.Error().empty()) {
    result.error = archive.Error();
    return;
  }
  const std::string workbookPart = "xl/workbook.xml";
  if (archive.Find(workbookPart) < 0) {
    result.error = "Excelのブック（.xlsx）ではありません: xl/workbook.xml がありません";
    return;
  }
  WorkbookHandler workbook;
  {
    XmlStream xml(workbook, workbookPart);
    if (std::string error = archive.Stream(workbookPart, limits.partBytes, xml); !error.empty()) {
      result.error = error;
      return;
    }
  }
  const SheetEntry* sheet = nullptr;
  std::string names;
  for (const SheetEntry& entry : workbook.sheets) {
    if (TrimBlanks(entry.name) == kSheetName && !sheet) sheet = &entry;
    if (names.size() < 200) names += (names.empty() ? "" : "、") + Excerpt(entry.name, 40);
  }
  if (!sheet) {
    result.error = std::string("ブックに「") + kSheetName + "」シートがありません" +
                   (names.empty() ? "" : "（あるシート: " + names + "）");
    return;
  }

  const std::string relsPart = "xl/_rels/workbook.xml.rels";
  RelationsHandler rels;
  {
    XmlStream xml(rels, relsPart);
    if (std::string error = archive.Stream(relsPart, limits.partBytes, xml); !error.empty()) {
      result.error = error;
      return;
    }
  }
  std::string sheetPart, stringsPart;
  for (const Relationship& r : rels.relations) {
    if (r.external) continue;
    if (r.id == sheet->relationId && sheetPart.empty()) sheetPart = PartName(r.target);
    if (EndsWith(r.type, "/sharedStrings") && stringsPart.empty()) stringsPart = PartName(r.target);
  }
  if (sheetPart.empty()) {
    result.error = std::string("ブックの「") + kSheetName + "」シートの中身（" + relsPart +
                   " の参照先）が見つかりません";
    return;
  }
  if (stringsPart.empty() && archive.Find("xl/sharedStrings.xml") >= 0)
    stringsPart = "xl/sharedStrings.xml";

  // Shared strings first: cells refer to them by number. Progress 0..0.1.
  SharedStrings strings;
  if (!stringsPart.empty()) {
    XmlStream xml(strings, stringsPart);
    const std::string error = archive.Stream(stringsPart, limits.partBytes, xml, [&](double f) {
      return !progress || progress(0.1 * f);
    });
    if (!error.empty()) {
      result.error = error;
      return;
    }
    if (strings.Overflowed()) {
      result.error = "ブックの " + stringsPart + " が大きすぎます";
      return;
    }
  }

  SheetRows rows(limits, result);
  SheetHandler handler(strings, rows, limits);
  XmlStream xml(handler, sheetPart);
  handler.Attach(xml);
  const std::string error = archive.Stream(sheetPart, limits.sheetBytes, xml, [&](double f) {
    return !progress || progress(0.1 + 0.85 * f);
  });
  if (!error.empty()) {
    // A stop by the row walk leaves its own message in result.error.
    if (result.error.empty()) result.error = error;
    return;
  }
  rows.Finish(std::string("「") + kSheetName +
              "」シートに成分識別子の行（「成分識別子」と書かれたセルのある行）がありません");
}

}  // namespace eiyou::import
