#include "tables/cp932.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <iconv.h>
#include <vector>

namespace eiyou {
namespace {

// A conversion descriptor; iconv keeps shift state in it between calls.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }
  // Back to the initial state, as if freshly opened.
  void Reset() {
    if (ok()) iconv(cd_, nullptr, nullptr, nullptr, nullptr);
  }

 private:
  iconv_t cd_;
};

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// Opening a converter costs more than converting a list item's text, and
// lists convert thousands of them: each thread keeps one per direction and
// resets it before every use.
Iconv& FromCp932() {
  thread_local Iconv cd("UTF-8", "CP932");
  cd.Reset();
  return cd;
}

Iconv& ToCp932() {
  thread_local Iconv cd("CP932", "UTF-8");
  cd.Reset();
  return cd;
}

// Runs the whole input through `cd`. A byte it cannot convert goes to
// `badByte`, which returns false to stop the conversion there (the result is
// then false) or true to skip that byte and go on.
template <class BadByte>
bool Convert(Iconv& cd, std::string_view input, std::string& out, BadByte badByte) {
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  char buffer[1024];
  while (inLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    size_t rc = iconv(cd.get(), &in, &inLeft, &dst, &dstLeft);
    out.append(buffer, dst - buffer);
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      if (!badByte()) return false;
      ++in;
      --inLeft;
      iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
  }
  return true;
}

// Decoding by table. The table is iconv's own answer for every single byte
// and every two-byte sequence, asked once per process, so the result is the
// same as running iconv over the text, only without a call per text: lists
// decode tens of thousands of dish lines.
class DecodeTable {
 public:
  static const DecodeTable& Get() {
    static const DecodeTable table;
    return table;
  }
  bool ok() const { return ok_; }
  // Appends the text decoded; the same bytes as Cp932ToUtf8ByIconv.
  void Decode(std::string_view cp932, std::string& out) const {
    const auto* p = reinterpret_cast<const unsigned char*>(cp932.data());
    const std::size_t n = cp932.size();
    // At most three bytes of UTF-8 for each byte; written through a pointer
    // and cut to size once.
    const std::size_t start = out.size();
    out.resize(start + 3 * n);
    char* o = out.data() + start;
    for (std::size_t i = 0; i < n;) {
      const unsigned char c = p[i];
      if (c < 0x80) {
        *o++ = static_cast<char>(c);
        ++i;
        continue;
      }
      std::uint16_t cp = 0;
      if (lead_[c] && i + 1 < n && (cp = pair_[(c << 8) | p[i + 1]]) != 0) {
        i += 2;
      } else {
        // A byte iconv cannot take shows as U+FFFD, and decoding goes on
        // with the next byte, as the iconv loop does.
        cp = single_[c] != 0 ? single_[c] : 0xFFFD;
        ++i;
      }
      o = PutUtf8(cp, o);
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
  }

 private:
  DecodeTable() {
    Iconv cd("UTF-8", "CP932");
    if (!cd.ok()) return;
    auto decode = [&](const unsigned char* bytes, std::size_t size) -> std::uint32_t {
      cd.Reset();
      char* in = reinterpret_cast<char*>(const_cast<unsigned char*>(bytes));
      size_t inLeft = size;
      char buffer[16];
      char* dst = buffer;
      size_t dstLeft = sizeof buffer;
      if (iconv(cd.get(), &in, &inLeft, &dst, &dstLeft) == static_cast<size_t>(-1) || inLeft != 0)
        return errno == EINVAL ? 0xFFFFFFFF : 0;
      return OneCodePoint(std::string_view(buffer, static_cast<std::size_t>(dst - buffer)));
    };
    for (unsigned b = 0x80; b <= 0xFF; ++b) {
      const unsigned char one = static_cast<unsigned char>(b);
      const std::uint32_t cp = decode(&one, 1);
      lead_[b] = cp == 0xFFFFFFFF;  // a lead byte waiting for its trail
      single_[b] = cp <= 0xFFFF && cp != 0xFFFFFFFF ? static_cast<std::uint16_t>(cp) : 0;
      if (!lead_[b]) continue;
      for (unsigned t = 0; t <= 0xFF; ++t) {
        const unsigned char two[2] = {one, static_cast<unsigned char>(t)};
        const std::uint32_t pcp = decode(two, 2);
        if (pcp != 0 && pcp <= 0xFFFF) pair_[(b << 8) | t] = static_cast<std::uint16_t>(pcp);
      }
    }
    ok_ = true;
  }

  // The code point of a UTF-8 text of exactly one character, else 0.
  static std::uint32_t OneCodePoint(std::string_view u) {
    const auto* p = reinterpret_cast<const unsigned char*>(u.data());
    if (u.size() == 1 && p[0] < 0x80) return p[0];
    if (u.size() == 2 && (p[0] & 0xE0) == 0xC0) return ((p[0] & 0x1Fu) << 6) | (p[1] & 0x3Fu);
    if (u.size() == 3 && (p[0] & 0xF0) == 0xE0)
      return ((p[0] & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
    return 0;
  }

  static char* PutUtf8(std::uint32_t cp, char* o) {
    if (cp < 0x80) {
      *o++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
      *o++ = static_cast<char>(0xC0 | (cp >> 6));
      *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      *o++ = static_cast<char>(0xE0 | (cp >> 12));
      *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return o;
  }

  bool ok_ = false;
  std::array<bool, 256> lead_{};
  std::array<std::uint16_t, 256> single_{};  // 0: not a character by itself
  std::vector<std::uint16_t> pair_ = std::vector<std::uint16_t>(65536);  // 0: no pair
};

}  // namespace

std::string Cp932ToUtf8ByIconv(std::string_view cp932) {
  std::string out;
  Iconv& cd = FromCp932();
  if (!cd.ok()) {
    // No converter: keep ASCII, mark the rest, never crash.
    for (unsigned char c : cp932) out += c < 0x80 ? std::string(1, char(c)) : kReplacement;
    return out;
  }
  out.reserve(cp932.size() * 3 / 2 + 4);
  // EILSEQ or EINVAL (a trailing lone lead byte): that byte shows as U+FFFD.
  Convert(cd, cp932, out, [&] {
    out += kReplacement;
    return true;
  });
  return out;
}

std::string Cp932ToUtf8(std::string_view cp932) {
  const DecodeTable& table = DecodeTable::Get();
  if (!table.ok()) return Cp932ToUtf8ByIconv(cp932);
  std::string out;
  table.Decode(cp932, out);
  return out;
}

bool Utf8ToCp932(std::string_view utf8, std::string& out) {
  out.clear();
  Iconv& cd = ToCp932();
  if (!cd.ok()) return false;
  return Convert(cd, utf8, out, [] { return false; });
}

std::string Cp932(std::string_view utf8) {
  std::string out;
  Utf8ToCp932(utf8, out);
  return out;
}

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t length;
    unsigned min;
    unsigned cp;
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2, min = 0x80, cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3, min = 0x800, cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4, min = 0x10000, cp = c & 0x07;
    } else {
      return false;
    }
    if (i + length > n) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const unsigned char d = static_cast<unsigned char>(text[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

std::string_view Utf8OrCp932Text(std::string_view bytes, std::string& decoded) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  if (IsValidUtf8(bytes)) return bytes;
  decoded = Cp932ToUtf8(bytes);
  return decoded;
}

}  // namespace eiyou
