#include "tables/cp932.h"

#include <cerrno>
#include <iconv.h>

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

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
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

}  // namespace eiyou
