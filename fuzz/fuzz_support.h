// Shared pieces of the fuzz targets: a scratch directory in memory, a failing
// check that libFuzzer reports as a crash, and small independent models of the
// readers that the targets compare the real code against.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "tables/errors.h"

namespace eiyou::fuzz {

// A broken property is a finding: print it and abort, which libFuzzer reports
// as a crash and keeps the input as a reproducer.
[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "\n*** property broken at %s:%d: %s\n", file, line, what);
  std::abort();
}

#define FUZZ_CHECK(cond)                                         \
  do {                                                           \
    if (!(cond)) ::eiyou::fuzz::Fail(#cond, __FILE__, __LINE__); \
  } while (0)

// One directory per process, made once. $EIYOU_FUZZ_DIR (set by scripts/fuzz.sh,
// which removes it afterwards) or else /dev/shm, so every input written as a
// file stays in memory. The targets that load tables chdir into it.
inline const std::string& ScratchDir() {
  static const std::string dir = [] {
    std::string base;
    if (const char* env = std::getenv("EIYOU_FUZZ_DIR"); env && *env) {
      base = env;
    } else {
      struct stat st;
      base = stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm" : "/tmp";
    }
    mkdir(base.c_str(), 0700);  // the script's directory may not exist yet
    std::string path = base + "/eiyou-fuzz-" + std::to_string(getpid());
    if (mkdir(path.c_str(), 0700) != 0 && access(path.c_str(), W_OK) != 0) {
      std::perror(path.c_str());
      std::abort();
    }
    return path;
  }();
  return dir;
}

// Makes the scratch directory the working directory (the loaders' data
// directory) for one run, and goes back afterwards: libFuzzer resolves the
// corpus and artifact paths it was given against the original one.
class InScratchDir {
 public:
  InScratchDir() : back_(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (back_ < 0 || chdir(ScratchDir().c_str()) != 0) std::abort();
  }
  ~InScratchDir() {
    if (fchdir(back_) != 0) std::abort();
    close(back_);
  }
  InScratchDir(const InScratchDir&) = delete;
  InScratchDir& operator=(const InScratchDir&) = delete;

 private:
  int back_;
};

// Replaces the file with exactly these bytes. A failure here is the harness's,
// not the program's: abort with a clear message rather than fuzz nothing.
inline void WriteFileOrDie(const std::string& path, const std::uint8_t* data, std::size_t size) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) {
    std::perror(path.c_str());
    std::abort();
  }
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = write(fd, data + done, size - done);
    if (n <= 0) {
      std::perror(path.c_str());
      std::abort();
    }
    done += static_cast<std::size_t>(n);
  }
  close(fd);
}

// Swallows the user's messages; counts them so that targets can check how many.
class CountingSink : public MessageSink {
 public:
  void Show(const std::string& utf8Text) override {
    ++count;
    last = utf8Text;
  }
  int count = 0;
  std::string last;
};

// ---- independent models ----------------------------------------------------

// The table files' line rule, written plainly over the whole text: 0x1A ends the
// text, CR ends a line and swallows one LF right after it, a lone LF is text,
// and a last line without CR counts only when it holds at least one byte.
inline std::vector<std::string> ModelTableLines(std::string_view bytes) {
  std::vector<std::string> lines;
  const std::size_t eof = bytes.find('\x1A');
  if (eof != std::string_view::npos) bytes = bytes.substr(0, eof);
  std::size_t start = 0;
  for (;;) {
    const std::size_t cr = bytes.find('\r', start);
    if (cr == std::string_view::npos) break;
    lines.emplace_back(bytes.substr(start, cr - start));
    start = cr + 1;
    if (start < bytes.size() && bytes[start] == '\n') ++start;
  }
  if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
  return lines;
}

// The dish file's line rule: NUL ends the text; CR LF, CR or LF end a line.
inline std::vector<std::string> ModelDishLines(std::string_view bytes) {
  const std::size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  std::vector<std::string> lines;
  std::string current;
  bool pending = false;  // bytes since the last line end
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\n' && i > 0 && bytes[i - 1] == '\r') continue;  // second half of CR LF
    if (c == '\r' || c == '\n') {
      lines.push_back(current);
      current.clear();
      pending = false;
    } else {
      current.push_back(c);
      pending = true;
    }
  }
  if (pending) lines.push_back(current);
  return lines;
}

inline std::size_t CountByte(std::string_view text, char c) {
  std::size_t n = 0;
  for (char x : text) n += x == c;
  return n;
}

inline std::string Join(const std::vector<std::string>& pieces, std::size_t from, std::size_t to,
                        char separator) {
  std::string out;
  for (std::size_t k = from; k < to && k < pieces.size(); ++k) {
    if (k > from) out += separator;
    out += pieces[k];
  }
  return out;
}

// The table files' field rule: fields 1..n end at the first n commas (a missing
// comma empties that field and all later ones), field n + 1 is the rest.
inline std::vector<std::string> ModelFields(std::string_view line, int n) {
  std::vector<std::string> commaPieces;  // every piece between commas
  std::size_t from = 0;
  for (std::size_t i = 0; i <= line.size(); ++i) {
    if (i == line.size() || line[i] == ',') {
      commaPieces.emplace_back(line.substr(from, i - from));
      from = i + 1;
    }
  }
  const std::size_t commas = commaPieces.size() - 1;
  std::vector<std::string> fields(static_cast<std::size_t>(n) + 1);
  if (commas < static_cast<std::size_t>(n)) {
    for (std::size_t k = 0; k < commas; ++k) fields[k] = commaPieces[k];
    return fields;
  }
  for (int k = 0; k < n; ++k) fields[k] = commaPieces[k];
  fields[n] = Join(commaPieces, n, commaPieces.size(), ',');
  return fields;
}

// Cuts a fuzz input into pieces at '\n'; an input of n separators gives n + 1.
inline std::vector<std::string_view> Pieces(std::string_view input) {
  std::vector<std::string_view> pieces;
  for (;;) {
    const std::size_t cut = input.find('\n');
    if (cut == std::string_view::npos) {
      pieces.push_back(input);
      return pieces;
    }
    pieces.push_back(input.substr(0, cut));
    input.remove_prefix(cut + 1);
  }
}

}  // namespace eiyou::fuzz
