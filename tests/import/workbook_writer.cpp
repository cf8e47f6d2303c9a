#include "workbook_writer.h"

#include <zip.h>

#include <charconv>
#include <cstdlib>
#include <map>
#include <stdexcept>

namespace eiyou::fixtures {
namespace {

std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// The text stays as it is only where blanks at its ends are kept.
std::string TextElement(std::string_view text) {
  const bool keep = !text.empty() && (text.front() == ' ' || text.back() == ' ' ||
                                      text.find('\n') != std::string_view::npos);
  return std::string(keep ? "<t xml:space=\"preserve\">" : "<t>") + Escape(text) + "</t>";
}

// True when the text is what a numeric cell of its value gives back.
bool KeepsTextAsNumber(const std::string& text) {
  if (text.empty() || text.size() > 15) return false;
  for (char c : text)
    if (!(c >= '0' && c <= '9') && c != '.') return false;
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  if (value == 0) return text == "0";
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  return ec == std::errc() && std::string(buffer, end) == text;
}

class SharedStringTable {
 public:
  int Add(const std::string& text) {
    auto [it, added] = index_.emplace(text, static_cast<int>(items_.size()));
    if (added) items_.push_back("<si>" + TextElement(text) + "</si>");
    return it->second;
  }
  int AddRich(const std::string& first, const std::string& second, const std::string& reading) {
    items_.push_back("<si><r><rPr><b/></rPr>" + TextElement(first) + "</r><r>" + TextElement(second) +
                     "</r><rPh sb=\"0\" eb=\"1\"><t>" + Escape(reading) + "</t></rPh></si>");
    return static_cast<int>(items_.size()) - 1;
  }
  std::string Xml() const {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"" +
        std::to_string(items_.size()) + "\" uniqueCount=\"" + std::to_string(items_.size()) + "\">";
    for (const std::string& item : items_) out += item;
    return out + "</sst>";
  }

 private:
  std::map<std::string, int> index_;
  std::vector<std::string> items_;
};

// Captions of the header rows, as the official workbook words them.
const std::map<std::string, std::string>& Captions() {
  static const std::map<std::string, std::string> captions = {
      {"FG", "食品群"},       {"FN", "食品番号"},     {"SID", "索引番号"},
      {"Tagnames", "食品名"}, {"REFUSE", "廃棄率"},   {"ENERC", "エネルギー"},
      {"WATER", "水分"},      {"PROT", "たんぱく質"}, {"FAT", "脂質"},
      {"ASH", "灰分"},        {"NA", "ナトリウム"},   {"K", "カリウム"},
      {"CA", "カルシウム"},   {"P", "リン"},          {"FE", "鉄"},
      {"VITC", "ビタミンC"},  {"NACL_EQ", "食塩相当量"}, {"Notice", "備考"}};
  return captions;
}

std::string Suffixed(const std::string& identifier) {
  if (identifier == "PROT" || identifier == "FAT" || identifier == "FIB" || identifier == "CHOCDF")
    return identifier + "-";
  return identifier;
}

}  // namespace

std::string ColumnName(int column) {
  std::string name;
  for (++column; column > 0; column = (column - 1) / 26)
    name.insert(name.begin(), char('A' + (column - 1) % 26));
  return name;
}

std::string ZipBytes(const std::vector<std::pair<std::string, std::string>>& entries) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
  if (!buffer) throw std::runtime_error("zip_source_buffer_create");
  zip_source_keep(buffer);
  zip_t* zip = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
  if (!zip) throw std::runtime_error("zip_open_from_source");
  for (const auto& [name, bytes] : entries) {
    zip_source_t* data = zip_source_buffer(zip, bytes.data(), bytes.size(), 0);
    const zip_int64_t index = zip_file_add(zip, name.c_str(), data, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (index < 0) throw std::runtime_error("zip_file_add " + name);
    zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 6);
    zip_file_set_mtime(zip, static_cast<zip_uint64_t>(index), 1682640000, 0);  // 2023-04-28
  }
  if (zip_close(zip) != 0) throw std::runtime_error(std::string("zip_close: ") + zip_strerror(zip));
  std::string out;
  zip_stat_t st;
  if (zip_source_open(buffer) != 0 || zip_source_stat(buffer, &st) != 0)
    throw std::runtime_error("zip_source_open");
  out.resize(st.size);
  if (zip_source_read(buffer, out.data(), out.size()) != static_cast<zip_int64_t>(out.size()))
    throw std::runtime_error("zip_source_read");
  zip_source_close(buffer);
  zip_source_free(buffer);
  zip_error_fini(&error);
  return out;
}

Records ParseDelimited(std::string_view text, char separator) {
  Records records;
  std::vector<std::string> record;
  std::string field;
  std::size_t i = 0;
  bool any = false;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '"' && field.empty()) {
      ++i;
      while (i < text.size()) {
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field += text[i++];
      }
      any = true;
      continue;
    }
    if (c == separator) {
      record.push_back(std::move(field));
      field.clear();
      any = true;
      ++i;
    } else if (c == '\r' || c == '\n') {
      record.push_back(std::move(field));
      field.clear();
      records.push_back(std::move(record));
      record.clear();
      any = false;
      i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    } else {
      field += c;
      any = true;
      ++i;
    }
  }
  if (any) {
    record.push_back(std::move(field));
    records.push_back(std::move(record));
  }
  return records;
}

std::string WriteDelimited(const Records& records, char separator) {
  std::string out;
  for (const auto& record : records) {
    for (std::size_t k = 0; k < record.size(); ++k) {
      if (k > 0) out += separator;
      const std::string& f = record[k];
      if (f.find_first_of(std::string("\"\r\n") + separator) == std::string::npos) {
        out += f;
        continue;
      }
      out += '"';
      for (char c : f) out += c == '"' ? std::string("\"\"") : std::string(1, c);
      out += '"';
    }
    out += '\n';
  }
  return out;
}

std::vector<std::pair<std::string, std::string>> OfficialLayoutParts(const Records& records,
                                                                     const WorkbookOptions& options) {
  const std::vector<std::string>& ids = records.at(0);
  SharedStringTable strings;
  std::string rows;
  auto cell = [](int column, int row, const std::string& attributes, const std::string& content) {
    return "<c r=\"" + ColumnName(column) + std::to_string(row) + "\"" + attributes + ">" + content + "</c>";
  };
  auto shared = [&](int column, int row, const std::string& text) {
    return cell(column, row, " t=\"s\"", "<v>" + std::to_string(strings.Add(text)) + "</v>");
  };

  // Rows 1-11: a title, then the captions over rows 4-11 and units in row 11.
  std::string merges;
  int mergeCount = 0;
  rows += "<row r=\"1\">" + shared(0, 1, "日本食品標準成分表（八訂）増補2023年") + "</row>";
  rows += "<row r=\"3\">" + shared(0, 3, "本表") + "</row>";
  std::string captionRow, unitRow;
  for (int c = 0; c < static_cast<int>(ids.size()); ++c) {
    std::string id = ids[c];
    while (!id.empty() && id.back() == ' ') id.pop_back();
    const auto caption = Captions().find(id);
    if (id.empty()) continue;
    captionRow += shared(c, 4, caption != Captions().end() ? caption->second : "成分 " + id);
    if (c < 4) {
      merges += "<mergeCell ref=\"" + ColumnName(c) + "4:" + ColumnName(c) + "11\"/>";
      ++mergeCount;
    } else {
      unitRow += shared(c, 11, id == "ENERC" ? "(kJ)" : id == "ENERC_KCAL" ? "(kcal)" : "(g)");
    }
    if (id == "ENERC") {
      merges += "<mergeCell ref=\"" + ColumnName(c) + "4:" + ColumnName(c + 1) + "10\"/>";
      ++mergeCount;
    }
  }
  rows += "<row r=\"4\" spans=\"1:" + std::to_string(ids.size()) + "\">" + captionRow + "</row>";
  rows += "<row r=\"11\">" + unitRow + "</row>";

  // Row 12: the identifiers, "成分識別子" where the names are.
  if (options.identifierRow) {
    std::string row = "<row r=\"12\">";
    for (int c = 0; c < static_cast<int>(ids.size()); ++c) {
      const std::string& id = ids[c];
      if (id.empty()) continue;
      bool dropped = false;
      for (const std::string& d : options.dropIdentifiers) dropped = dropped || d == id;
      if (dropped || (id == "FN" && !options.numberIdentifier)) continue;
      row += shared(c, 12, id == "Tagnames" ? "成分識別子" : Suffixed(id));
    }
    rows += row + "</row>";
  }

  // The foods from row 13.
  for (std::size_t f = 1; f < records.size(); ++f) {
    const int r = static_cast<int>(f) + 12;
    const bool inlineRow = f % 3 == 0;
    std::string row = "<row r=\"" + std::to_string(r) + "\">";
    for (int c = 0; c < static_cast<int>(records[f].size()) && c < static_cast<int>(ids.size()); ++c) {
      const std::string& text = records[f][c];
      if (text.empty()) continue;  // empty cells are absent, as Excel writes them
      if (ids[c] == "FN" && f % 2 == 0) {
        row += cell(c, r, "", "<v>" + std::to_string(std::atoi(text.c_str())) + "</v>");
      } else if (ids[c] == "Tagnames" && f == 2) {
        const std::size_t cut = text.find("\xE3\x80\x80");  // before the U+3000
        const std::size_t at = cut == std::string::npos ? text.size() / 2 : cut;
        row += cell(c, r, " t=\"s\"",
                    "<v>" + std::to_string(strings.AddRich(text.substr(0, at), text.substr(at), "ヨミ")) + "</v>");
      } else if (ids[c] != "FN" && ids[c] != "FG" && KeepsTextAsNumber(text)) {
        row += cell(c, r, f % 4 == 1 ? "" : " t=\"n\"", "<v>" + text + "</v>");
      } else if (inlineRow) {
        row += cell(c, r, " t=\"inlineStr\"", "<is>" + TextElement(text) + "</is>");
      } else {
        row += shared(c, r, text);
      }
    }
    rows += row + "</row>";
  }
  // A note below the table, with no food number.
  rows += "<row r=\"" + std::to_string(records.size() + 13) + "\">" +
          shared(0, static_cast<int>(records.size()) + 13, "注：この表は試験用です") + "</row>";

  const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
  const std::string ns = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
  const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  std::string sheet = head + "<worksheet xmlns=\"" + ns + "\" xmlns:r=\"" + rel +
                      "\"><dimension ref=\"A1:" + ColumnName(static_cast<int>(ids.size()) - 1) +
                      std::to_string(records.size() + 13) + "\"/><sheetData>" + rows + "</sheetData>";
  if (mergeCount > 0)
    sheet += "<mergeCells count=\"" + std::to_string(mergeCount) + "\">" + merges + "</mergeCells>";
  sheet += "</worksheet>";

  std::vector<std::pair<std::string, std::string>> parts = {
      {"[Content_Types].xml",
       head + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
              "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
              "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
              "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
              "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
              "<Override PartName=\"/xl/worksheets/sheet2.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
              "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
              "</Types>"},
      {"_rels/.rels",
       head + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
              "<Relationship Id=\"rId1\" Type=\"" + rel + "/officeDocument\" Target=\"xl/workbook.xml\"/>"
              "</Relationships>"},
      {"xl/workbook.xml",
       head + "<workbook xmlns=\"" + ns + "\" xmlns:r=\"" + rel + "\"><sheets>"
              "<sheet name=\"" + Escape(options.sheetName) + "\" sheetId=\"1\" r:id=\"rId2\"/>"
              "<sheet name=\"別表\" sheetId=\"2\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       head + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
              "<Relationship Id=\"rId1\" Type=\"" + rel + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
              "<Relationship Id=\"rId2\" Type=\"" + rel + "/worksheet\" Target=\"/xl/worksheets/sheet2.xml\"/>"
              "<Relationship Id=\"rId3\" Type=\"" + rel + "/sharedStrings\" Target=\"sharedStrings.xml\"/>"
              "</Relationships>"},
      {"xl/worksheets/sheet1.xml",
       head + "<worksheet xmlns=\"" + ns + "\"><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>別表</t></is></c></row>"
              "</sheetData></worksheet>"},
      {"xl/worksheets/sheet2.xml", sheet},
      {"xl/sharedStrings.xml", strings.Xml()},
  };
  for (const auto& extra : options.extraParts) {
    bool replaced = false;
    for (auto& part : parts) {
      if (part.first == extra.first) {
        part.second = extra.second;
        replaced = true;
      }
    }
    if (!replaced) parts.push_back(extra);
  }
  return parts;
}

std::string OfficialLayoutWorkbook(const Records& records, const WorkbookOptions& options) {
  return ZipBytes(OfficialLayoutParts(records, options));
}

}  // namespace eiyou::fixtures
