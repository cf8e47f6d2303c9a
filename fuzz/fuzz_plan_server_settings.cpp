// The shared server's settings (KONDATE/共有サーバー.TXT, or EIYOU_SERVER)
// over arbitrary bytes.
//
// Properties: settings that are read never carry a password and name where to
// connect (a host, a database or a service); a port read is a port; the
// settings written from them read back as the same settings, and that text is
// stable. A refusal always says why, and names the line.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_support.h"
#include "plans/store_location.h"

using namespace eiyou;

namespace {
bool Same(const PgSettings& a, const PgSettings& b) {
  return a.host == b.host && a.port == b.port && a.dbname == b.dbname && a.user == b.user &&
         a.service == b.service && a.password == b.password;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  PgSettings read;
  std::string error;
  if (!ParseServerSettings(text, read, error)) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  FUZZ_CHECK(read.password.empty());
  FUZZ_CHECK(!read.host.empty() || !read.dbname.empty() || !read.service.empty());
  FUZZ_CHECK(read.port == 0 || (read.port >= 1 && read.port <= 65535));
  const std::string written = WrittenServerSettings(read);
  PgSettings again;
  FUZZ_CHECK(ParseServerSettings(written, again, error));
  FUZZ_CHECK(Same(again, read));
  FUZZ_CHECK(WrittenServerSettings(again) == written);
  return 0;
}
