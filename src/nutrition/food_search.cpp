#include "nutrition/food_search.h"

#include <algorithm>

#include "tables/cp932.h"

namespace eiyou {

namespace {

// Half-width katakana U+FF61..U+FF9F as their full-width forms (the two
// sound marks as the spacing marks U+309B, U+309C).
constexpr char16_t kHalfWidthKana[] =
    u"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜";
static_assert(sizeof kHalfWidthKana / sizeof kHalfWidthKana[0] == 0xFF9F - 0xFF61 + 2);

// Decodes one code point at `i`, advancing it; a malformed byte comes back as
// 0x110000 + the byte, so that it survives folding unchanged.
char32_t NextCodePoint(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  auto cont = [&](std::size_t k) {
    return i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
  };
  auto byte = [&](std::size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(s[i + k]) & 0x3F); };
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  if (b0 >= 0xC2 && b0 < 0xE0 && cont(1)) {
    const char32_t c = (char32_t(b0 & 0x1F) << 6) | byte(1);
    i += 2;
    return c;
  }
  if (b0 >= 0xE0 && b0 < 0xF0 && cont(1) && cont(2)) {
    const char32_t c = (char32_t(b0 & 0x0F) << 12) | (byte(1) << 6) | byte(2);
    if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) {
      i += 3;
      return c;
    }
  }
  if (b0 >= 0xF0 && b0 < 0xF5 && cont(1) && cont(2) && cont(3)) {
    const char32_t c = (char32_t(b0 & 0x07) << 18) | (byte(1) << 12) | (byte(2) << 6) | byte(3);
    if (c >= 0x10000 && c <= 0x10FFFF) {
      i += 4;
      return c;
    }
  }
  ++i;
  return 0x110000 + b0;
}

void Append(std::string& out, char32_t c) {
  if (c >= 0x110000) {
    out += static_cast<char>(c - 0x110000);
  } else if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// One character in search form, before sound marks are joined; 0 drops it.
char32_t FoldOne(char32_t c) {
  if (c == U' ' || c == U'\t' || c == 0x3000) return 0;
  if (c >= 0xFF61 && c <= 0xFF9F) c = kHalfWidthKana[c - 0xFF61];
  if (c >= 0xFF01 && c <= 0xFF5E) c -= 0xFF01 - 0x21;  // full-width ASCII
  if (c == 0x301C) c = U'~';                           // the wave dash some tables use
  if (c >= U'A' && c <= U'Z') c += U'a' - U'A';
  // Katakana ァ..ヶ and the iteration marks ヽヾ to hiragana.
  if ((c >= 0x30A1 && c <= 0x30F6) || c == 0x30FD || c == 0x30FE) c -= 0x60;
  return c;
}

bool IsVoicedMark(char32_t c) { return c == 0x309B || c == 0x3099; }
bool IsSemiVoicedMark(char32_t c) { return c == 0x309C || c == 0x309A; }

// The hiragana that a voiced mark turns `base` into, or 0.
char32_t Voiced(char32_t base) {
  if (base == 0x3046) return 0x3094;  // う → ゔ
  if (base == 0x309D) return 0x309E;  // ゝ → ゞ
  if ((base >= 0x304B && base <= 0x3062 && base % 2 == 1) ||  // か..ぢ
      (base >= 0x3064 && base <= 0x3069 && base % 2 == 0) ||  // つ..ど
      (base >= 0x306F && base <= 0x307D && (base - 0x306F) % 3 == 0))  // は..ぽ
    return base + 1;
  return 0;
}

char32_t SemiVoiced(char32_t base) {
  if (base >= 0x306F && base <= 0x307D && (base - 0x306F) % 3 == 0) return base + 2;
  return 0;
}

// Removes the last code point of `out` (only ever one just written by Append).
char32_t PopLast(std::string& out, std::size_t lastStart) {
  std::size_t i = lastStart;
  const char32_t c = NextCodePoint(out, i);
  out.resize(lastStart);
  return c;
}

}  // namespace

std::string FoldForSearch(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t lastStart = std::string::npos;  // where the last written character begins
  char32_t last = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const char32_t c = FoldOne(NextCodePoint(utf8, i));
    if (c == 0) continue;
    // "ｶﾞ" and "か" + U+3099 are one character: join the mark to its kana.
    if (lastStart != std::string::npos && (IsVoicedMark(c) || IsSemiVoicedMark(c))) {
      const char32_t joined = IsVoicedMark(c) ? Voiced(last) : SemiVoiced(last);
      if (joined != 0) {
        PopLast(out, lastStart);
        Append(out, joined);
        last = joined;
        continue;
      }
    }
    lastStart = out.size();
    Append(out, c);
    last = c;
  }
  return out;
}

std::vector<std::string_view> SplitWords(std::string_view utf8) {
  std::vector<std::string_view> words;
  std::size_t start = 0;
  auto cut = [&](std::size_t end, std::size_t blank) {
    if (end > start) words.push_back(utf8.substr(start, end - start));
    start = end + blank;
  };
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == ' ' || utf8[i] == '\t') {
      cut(i, 1);
    } else if (utf8.compare(i, 3, "\xE3\x80\x80") == 0) {  // U+3000
      cut(i, 3);
      i += 2;
    }
  }
  cut(utf8.size(), 0);
  return words;
}

namespace {

// Leaves out what can never decide: a text holding another of the choice is
// held only when that one is (普通牛乳 beside 牛乳), and repeats.
std::vector<std::string> Prune(std::vector<std::string> choice) {
  std::sort(choice.begin(), choice.end(),
            [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
  std::vector<std::string> kept;
  for (std::string& text : choice) {
    const bool covered = std::any_of(kept.begin(), kept.end(), [&](const std::string& k) {
      return text.find(k) != std::string::npos;
    });
    if (!covered) kept.push_back(std::move(text));
  }
  return kept;
}

bool Holds(std::string_view name, const std::vector<std::string>& choice) {
  return std::any_of(choice.begin(), choice.end(),
                     [&](const std::string& text) { return name.find(text) != name.npos; });
}

}  // namespace

FoodQuery::FoodQuery(std::string_view typedUtf8, const EverydayNames& everyday) {
  for (std::string_view typed : SplitWords(typedUtf8)) {
    const std::string word = FoldForSearch(typed);
    // The word cut into everyday names, longest first from the left, and the
    // text between them. Byte by byte is safe: an everyday name is whole UTF-8
    // characters, so it never matches from inside a character.
    Pieces pieces;
    std::string between;
    bool everydayFound = false;
    for (std::size_t i = 0; i < word.size();) {
      const std::vector<std::string>* official = nullptr;
      std::size_t length = std::min(everyday.longest(), word.size() - i);
      while (length > 0 && !(official = everyday.Official(std::string_view(word).substr(i, length))))
        --length;
      if (!official) {
        between += word[i++];
        continue;
      }
      if (!between.empty()) pieces.push_back({std::move(between)});
      between.clear();
      Choice choice{word.substr(i, length)};
      choice.insert(choice.end(), official->begin(), official->end());
      pieces.push_back(Prune(std::move(choice)));
      everydayFound = true;
      i += length;
    }
    if (!between.empty()) pieces.push_back({std::move(between)});

    Word ways;
    // A word that is one everyday name: its choice holds the word itself.
    if (!everydayFound || pieces.size() > 1) ways.push_back({{word}});
    if (everydayFound) ways.push_back(std::move(pieces));
    words_.push_back(std::move(ways));
  }
}

bool FoodQuery::Matches(std::string_view foldedName) const {
  return std::all_of(words_.begin(), words_.end(), [&](const Word& ways) {
    return std::any_of(ways.begin(), ways.end(), [&](const Pieces& pieces) {
      return std::all_of(pieces.begin(), pieces.end(),
                         [&](const Choice& choice) { return Holds(foldedName, choice); });
    });
  });
}

void FoodNameIndex::Build(const FoodTable& table, EverydayNames everyday) {
  folded_.assign(static_cast<std::size_t>(table.rows()), std::string());
  for (int r = 1; r <= table.rows(); ++r) {
    const std::string_view name = table.Cell(2, r);
    if (!name.empty()) folded_[static_cast<std::size_t>(r - 1)] = FoldForSearch(Cp932ToUtf8(name));
  }
  everyday_ = std::move(everyday);
}

std::vector<int> FoodNameIndex::Find(std::string_view typedUtf8) const {
  const FoodQuery query(typedUtf8, everyday_);
  std::vector<int> rows;
  if (query.empty()) return rows;
  for (std::size_t i = 0; i < folded_.size(); ++i)
    if (query.Matches(folded_[i])) rows.push_back(static_cast<int>(i + 1));
  return rows;
}

}  // namespace eiyou
