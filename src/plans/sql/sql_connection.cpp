// What both engines share: the user's messages and the schema's type names.
#include "plans/sql/sql_connection.h"

#include <algorithm>
#include <cctype>

namespace eiyou {

std::string JapaneseMessage(const SqlError& error) {
  switch (error.kind) {
    case SqlErrorKind::None:
      return {};
    case SqlErrorKind::Busy:
      return "ほかの利用者またはプログラムが同じデータを変更中です。少し待ってからもう一度試してください。";
    case SqlErrorKind::DiskFull:
      return "データベースを置いたディスクがいっぱいです。保存は行われていません。";
    case SqlErrorKind::Corrupt:
      return "データベースが壊れています。";
    case SqlErrorKind::ConnectionLost:
      return "サーバーとの接続が切れました。保存は行われていません。";
    case SqlErrorKind::ServerDown: {
      std::string where;
      if (!error.host.empty()) where += "ホスト " + error.host;
      if (!error.port.empty()) where += (where.empty() ? "" : " ") + ("ポート " + error.port);
      return "データベースのサーバーに接続できません" + (where.empty() ? "" : "（" + where + "）") +
             "。サーバーが起動しているか確認してください。";
    }
    case SqlErrorKind::AuthFailed:
      if (error.needsPassword)
        return "サーバーがパスワードを求めていますが、入力されていません。"
               "「設定」の「接続テスト」で入力するか、~/.pgpass に書いてください。";
      return "ユーザー名またはパスワードが正しくありません。";
    case SqlErrorKind::NoDatabase:
      return "データベース「" + error.database + "」がサーバーにありません。";
    case SqlErrorKind::Constraint:
      return "データベースの決まりに合わない内容のため、保存できませんでした。";
    case SqlErrorKind::NoPermission:
      return "この利用者には、サーバーのデータを変更する権限がありません。保存は行われていません。"
             "権限はサーバーの管理者に確かめてください。";
    case SqlErrorKind::Other:
      break;
  }
  return "データベースの処理に失敗しました" +
         (error.sqlstate.empty() ? std::string() : "（エラー番号 " + error.sqlstate + "）") + "。";
}

namespace {

bool IsWordByte(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

bool SameWord(std::string_view word, std::string_view upper) {
  return word.size() == upper.size() &&
         std::equal(word.begin(), word.end(), upper.begin(), [](char a, char b) {
           return std::toupper(static_cast<unsigned char>(a)) == b;
         });
}

}  // namespace

std::string SchemaFor(SqlEngine engine, std::string_view ddl) {
  if (engine == SqlEngine::Postgres) return std::string(ddl);
  std::string out;
  out.reserve(ddl.size());
  std::size_t i = 0;
  while (i < ddl.size()) {
    const char c = ddl[i];
    if (c == '\'' || c == '"') {  // a literal or a quoted name, copied as it stands
      const std::size_t end = ddl.find(c, i + 1);
      const std::size_t stop = end == std::string_view::npos ? ddl.size() : end + 1;
      out.append(ddl.substr(i, stop - i));
      i = stop;
      continue;
    }
    if (c == '-' && ddl.substr(i, 2) == "--") {
      const std::size_t stop = std::min(ddl.find('\n', i), ddl.size());
      out.append(ddl.substr(i, stop - i));
      i = stop;
      continue;
    }
    if (!IsWordByte(c)) {
      out += c;
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < ddl.size() && IsWordByte(ddl[end])) ++end;
    const std::string_view word = ddl.substr(i, end - i);
    if (SameWord(word, "BIGINT") || SameWord(word, "BIGSERIAL")) {
      out += "INTEGER";
    } else if (SameWord(word, "BYTEA")) {
      out += "BLOB";
    } else if (SameWord(word, "DOUBLE")) {
      std::size_t next = end;
      while (next < ddl.size() && std::isspace(static_cast<unsigned char>(ddl[next]))) ++next;
      std::size_t after = next;
      while (after < ddl.size() && IsWordByte(ddl[after])) ++after;
      if (SameWord(ddl.substr(next, after - next), "PRECISION")) end = after;
      out += "REAL";
    } else {
      out.append(word);
    }
    i = end;
  }
  return out;
}

}  // namespace eiyou
