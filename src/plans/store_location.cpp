#include "plans/store_location.h"

#include <charconv>
#include <cstdlib>

#include "tables/data_dir.h"
#include "tables/errors.h"
#include "tables/file_io.h"

namespace eiyou {
namespace {

// Larger than any settings file a person writes: anything bigger is not one.
constexpr std::size_t kSettingsLimit = 64 * 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string LinePlace(int line) { return std::to_string(line) + "行目: "; }

std::string SettingsPath(const std::string& dataDir) {
  return JoinPath(JoinPath(dataDir, kDishDirName), kServerSettingsFileName);
}

}  // namespace

bool ParsePort(std::string_view text, int& port) {
  int read = 0;
  // from_chars takes no sign nor blank, and never the locale's digits.
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), read);
  if (ec != std::errc() || end != text.data() + text.size() || read < 1 || read > 65535) return false;
  port = read;
  return true;
}

bool ParseServerSettings(std::string_view text, PgSettings& settings, std::string& error) {
  PgSettings read;
  int line = 1;
  std::size_t i = 0;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") i = 3;  // a mark left by an editor
  const auto fail = [&](const std::string& what) {
    error = LinePlace(line) + what;
    return false;
  };
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\n') {
      ++line;
      ++i;
      continue;
    }
    if (IsBlank(c)) {
      ++i;
      continue;
    }
    if (c == '#') {  // a comment to the line's end
      while (i < text.size() && text[i] != '\n') ++i;
      continue;
    }
    std::size_t keyEnd = i;
    while (keyEnd < text.size() && text[keyEnd] != '=' && text[keyEnd] != '\n' &&
           !IsBlank(text[keyEnd]))
      ++keyEnd;
    const std::string key(text.substr(i, keyEnd - i));
    i = keyEnd;
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size() || text[i] != '=')
      return fail("「" + key + "」の後に「=」がありません。");
    ++i;
    while (i < text.size() && IsBlank(text[i])) ++i;
    std::string value;
    if (i < text.size() && text[i] == '\'') {
      ++i;
      bool closed = false;
      while (i < text.size()) {
        if (text[i] == '\\' && i + 1 < text.size()) {
          value += text[i + 1];
          i += 2;
        } else if (text[i] == '\'') {
          closed = true;
          ++i;
          break;
        } else {
          if (text[i] == '\n') ++line;
          value += text[i++];
        }
      }
      if (!closed) return fail("「" + key + "」の値の引用符 ' が閉じていません。");
    } else {
      while (i < text.size() && text[i] != '\n' && !IsBlank(text[i])) value += text[i++];
    }
    if (key == "host") {
      read.host = value;
    } else if (key == "port") {
      if (!ParsePort(value, read.port))
        return fail("ポート番号「" + value + "」は 1～65535 の整数ではありません。");
    } else if (key == "dbname") {
      read.dbname = value;
    } else if (key == "user") {
      read.user = value;
    } else if (key == "service") {
      read.service = value;
    } else if (key == "password") {
      return fail("パスワードは設定に書けません。~/.pgpass などサーバーの仕組みで渡してください。");
    } else {
      return fail("「" + key + "」は設定の項目ではありません（host, port, dbname, user, service）。");
    }
  }
  if (read.host.empty() && read.dbname.empty() && read.service.empty()) {
    error = "サーバーの設定に host, dbname, service のどれもありません。";
    return false;
  }
  settings = read;
  return true;
}

std::string WrittenServerSettings(const PgSettings& settings) {
  std::string out;
  const auto add = [&](const char* key, const std::string& value) {
    if (value.empty()) return;
    out.append(key).append("=");
    const bool quote = value.find_first_of(" \t\r\n'\\#") != std::string::npos || value.empty();
    if (quote) out += '\'';
    for (char c : value) {
      if (quote && (c == '\\' || c == '\'')) out += '\\';
      out += c;
    }
    if (quote) out += '\'';
    out += '\n';
  };
  add("host", settings.host);
  if (settings.port > 0) add("port", std::to_string(settings.port));
  add("dbname", settings.dbname);
  add("user", settings.user);
  add("service", settings.service);
  return out;
}

std::string ServerName(const PgSettings& s) {
  std::string name = !s.host.empty() ? s.host : !s.service.empty() ? "サービス " + s.service : "既定";
  return s.dbname.empty() ? name : name + " / " + s.dbname;
}

StoreLocation ReadStoreLocation(const std::string& dataDir) {
  StoreLocation location;
  if (const char* named = std::getenv(kServerEnvironmentName); named && *named) {
    location.from = kServerEnvironmentName;
    if (std::string_view(named) == "file") return location;
    location.server = true;
    std::string error;
    if (!ParseServerSettings(named, location.settings, error))
      location.error = std::string("環境変数 ") + kServerEnvironmentName + " の " + error;
    return location;
  }
  const std::string path = SettingsPath(dataDir);
  if (!EntryExists(path)) return location;
  location.from = path;
  location.server = true;
  std::string text;
  try {
    text = ReadFileStart(path, kSettingsLimit + 1);
  } catch (const IoError& e) {
    location.error = e.what();
    return location;
  }
  std::string error;
  if (text.size() > kSettingsLimit)
    location.error = path + " は大きすぎて、サーバーの設定として読めません。";
  else if (!ParseServerSettings(text, location.settings, error))
    location.error = path + " の " + error;
  return location;
}

bool WriteStoreLocation(const std::string& dataDir, const PgSettings* settings,
                        std::string& error) {
  const std::string path = SettingsPath(dataDir);
  if (!settings) {
    if (!EntryExists(path) || std::remove(path.c_str()) == 0) return true;
    error = path + " を削除できません。";
    return false;
  }
  PgSettings kept = *settings;
  kept.password.clear();
  if (!EntryExists(path)) {
    // ReplaceFileContents replaces a file; the first one is made empty here.
    if (std::FILE* made = std::fopen(path.c_str(), "wb")) {
      std::fclose(made);
    } else {
      error = WriteFailureMessage(path);
      return false;
    }
  }
  if (!ReplaceFileContents(path, WrittenServerSettings(kept))) {
    error = WriteFailureMessage(path);
    return false;
  }
  return true;
}

namespace {
std::string& Password() {
  static std::string password;
  return password;
}
}  // namespace

void RememberServerPassword(std::string password) { Password() = std::move(password); }
const std::string& RememberedServerPassword() { return Password(); }

}  // namespace eiyou
