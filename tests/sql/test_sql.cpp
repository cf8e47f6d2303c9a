// The SQL layer against both engines, with the same SQL: an SQLite file in a
// scratch folder and the throw-away server that scripts/pg_test_server.sh
// started for these tests (its settings in EIYOU_PG_TEST_DIR/env).
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cfloat>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <string>
#include <thread>

#include "plans/sql/sql_connection.h"
#include "pg_test_support.h"

namespace eiyou {

// The engine by name in the cases' names and messages.
void PrintTo(SqlEngine engine, std::ostream* out) {
  *out << (engine == SqlEngine::Sqlite ? "SQLite" : "PostgreSQL");
}

namespace {

bool HasAsciiLetter(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); });
}

class SqlTest : public ::testing::TestWithParam<SqlEngine> {
 protected:
  void SetUp() override {
    if (GetParam() == SqlEngine::Sqlite) {
      std::string pattern = (std::filesystem::temp_directory_path() / "eiyou-sql-XXXXXX").string();
      ASSERT_NE(mkdtemp(pattern.data()), nullptr);
      dir_ = pattern;
    } else {
      ASSERT_NO_FATAL_FAILURE(RequireServer());
    }
    db_ = Connect();
    ASSERT_TRUE(db_);
    ASSERT_TRUE(db_->Exec("DROP TABLE IF EXISTS kinds; DROP TABLE IF EXISTS counter; "
                          "DROP TABLE IF EXISTS log"));
  }
  void TearDown() override {
    db_.reset();
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  std::unique_ptr<SqlConnection> Connect() {
    SqlError error;
    auto db = GetParam() == SqlEngine::Sqlite ? OpenSqlite(dir_ + "/test.db", error)
                                              : ConnectPostgres(ServerSettings(), error);
    EXPECT_TRUE(db) << error.message;
    return db;
  }
  void Create(SqlConnection& db, const char* ddl) {
    ASSERT_TRUE(db.Exec(SchemaFor(GetParam(), ddl))) << db.lastError().message;
  }
  std::int64_t Scalar(const char* sql) {
    auto s = db_->Prepare(sql);
    EXPECT_TRUE(s && s->Step() == SqlStep::Row) << db_->lastError().message;
    return s ? s->Int(0) : -1;
  }

  std::string dir_;
  std::unique_ptr<SqlConnection> db_;
};

TEST_P(SqlTest, EveryTypeRoundTripsWithParametersInAnyOrder) {
  Create(*db_, "CREATE TABLE kinds (id BIGINT PRIMARY KEY, i BIGINT, d DOUBLE PRECISION, t TEXT, b BYTEA)");
  struct Row {
    std::int64_t i;
    double d;
    std::string t, b;
  };
  const Row rows[] = {
      // Japanese text with quotes; bytes with NULs, CP932 (献立, a full-width
      // blank) and the byte 5C that CP932 uses as a second byte.
      {std::numeric_limits<std::int64_t>::min(), 0.1, "献立表　'引用' \"名\" $1",
       std::string("\0\x8c\xa3\x97\xa7\x81\x40\x95\x5c\0", 10)},
      {std::numeric_limits<std::int64_t>::max(), 1.0 / 3, "", ""},
      {0, std::numeric_limits<double>::denorm_min(), "ａ", "\xff"},
      {-1, -DBL_MAX, "12,5", "\\x41"},
  };
  auto insert = db_->Prepare("INSERT INTO kinds (t, b, d, i, id) VALUES ($3, $5, $4, $2, $1)");
  ASSERT_TRUE(insert) << db_->lastError().message;
  for (std::int64_t id = 0; id < 4; ++id) {
    const Row& r = rows[id];
    insert->BindText(3, r.t);
    insert->BindDouble(4, r.d);
    insert->BindInt(1, id);
    insert->BindBlob(5, r.b);
    insert->BindInt(2, r.i);
    ASSERT_EQ(insert->Step(), SqlStep::Done) << db_->lastError().message;
    insert->Reset();
  }
  for (int k = 2; k <= 5; ++k) insert->BindNull(k);
  insert->BindInt(1, 4);
  ASSERT_EQ(insert->Step(), SqlStep::Done) << db_->lastError().message;

  auto select = db_->Prepare("SELECT i, d, t, b FROM kinds WHERE t = $2 OR id = $1");
  ASSERT_TRUE(select) << db_->lastError().message;
  for (std::int64_t id = 0; id < 4; ++id) {
    select->Reset();
    select->BindInt(1, id);
    select->BindText(2, "どれでもない");
    ASSERT_EQ(select->Step(), SqlStep::Row) << db_->lastError().message;
    EXPECT_EQ(select->Int(0), rows[id].i);
    EXPECT_EQ(select->Double(1), rows[id].d);  // exactly: no digit lost either way
    EXPECT_EQ(select->Text(2), rows[id].t);
    EXPECT_FALSE(select->IsNull(3));  // an empty blob stays empty, not NULL
    EXPECT_EQ(select->Bytes(3), rows[id].b);
    EXPECT_EQ(select->Step(), SqlStep::Done);
  }
  select->Reset();
  select->BindInt(1, 4);
  ASSERT_EQ(select->Step(), SqlStep::Row);
  for (int c = 0; c < 4; ++c) EXPECT_TRUE(select->IsNull(c)) << c;

  // The upsert of the common dialect replaces one row's value in place.
  auto upsert = db_->Prepare("INSERT INTO kinds (id, t) VALUES ($1, $2) "
                             "ON CONFLICT (id) DO UPDATE SET t = excluded.t");
  ASSERT_TRUE(upsert) << db_->lastError().message;
  upsert->BindInt(1, 1);
  upsert->BindText(2, "差し替え");
  ASSERT_EQ(upsert->Step(), SqlStep::Done) << db_->lastError().message;
  EXPECT_EQ(Scalar("SELECT count(*) FROM kinds"), 5);
  EXPECT_EQ(Scalar("SELECT i FROM kinds WHERE t = '差し替え'"), rows[1].i);
}

TEST_P(SqlTest, AFailedTransactionLeavesNothing) {
  Create(*db_, "CREATE TABLE kinds (id BIGINT PRIMARY KEY, t TEXT NOT NULL)");
  auto insert = db_->Prepare("INSERT INTO kinds (id, t) VALUES ($1, $2)");
  ASSERT_TRUE(insert);
  ASSERT_TRUE(db_->Begin()) << db_->lastError().message;
  insert->BindInt(1, 1);
  insert->BindText(2, "一");
  ASSERT_EQ(insert->Step(), SqlStep::Done);
  insert->Reset();
  ASSERT_EQ(insert->Step(), SqlStep::Error);  // the same key again
  EXPECT_EQ(db_->lastError().kind, SqlErrorKind::Constraint) << db_->lastError().message;
  EXPECT_FALSE(HasAsciiLetter(JapaneseMessage(db_->lastError())));
  ASSERT_TRUE(db_->Rollback()) << db_->lastError().message;
  EXPECT_EQ(Scalar("SELECT count(*) FROM kinds"), 0);
}

TEST_P(SqlTest, ConcurrentWritersLoseNothing) {
  Create(*db_, "CREATE TABLE counter (id BIGINT PRIMARY KEY, n BIGINT NOT NULL);"
               "CREATE TABLE log (id BIGSERIAL PRIMARY KEY, writer BIGINT NOT NULL)");
  ASSERT_TRUE(db_->Exec("INSERT INTO counter VALUES (1, 0)"));
  constexpr int kEach = 40;
  std::atomic<int> failures{0};
  const auto writer = [&](int who) {
    auto db = Connect();
    if (!db) return failures++, void();
    auto bump = db->Prepare("UPDATE counter SET n = n + 1 WHERE id = 1");
    auto note = db->Prepare("INSERT INTO log (writer) VALUES ($1)");
    note->BindInt(1, who);
    for (int done = 0; done < kEach;) {
      bump->Reset();
      note->Reset();
      if (db->Begin() && bump->Step() == SqlStep::Done && note->Step() == SqlStep::Done &&
          db->Commit()) {
        ++done;
        continue;
      }
      // Waiting too long for the other is Busy, and worth another try.
      if (db->lastError().kind != SqlErrorKind::Busy) return failures++, void();
      db->Rollback();
    }
  };
  std::thread first(writer, 1), second(writer, 2);
  first.join();
  second.join();
  EXPECT_EQ(failures, 0) << db_->lastError().message;
  EXPECT_EQ(Scalar("SELECT n FROM counter"), 2 * kEach);
  EXPECT_EQ(Scalar("SELECT count(*) FROM log WHERE writer = 2"), kEach);
  EXPECT_EQ(Scalar("SELECT count(DISTINCT id) FROM log"), 2 * kEach);
}

INSTANTIATE_TEST_SUITE_P(Engines, SqlTest, ::testing::Values(SqlEngine::Sqlite, SqlEngine::Postgres),
                         [](const auto& info) {
                           return info.param == SqlEngine::Sqlite ? "Sqlite" : "Postgres";
                         });

TEST(SqlSchema, SqliteGetsItsOwnTypeNames) {
  EXPECT_EQ(SchemaFor(SqlEngine::Sqlite,
                      "CREATE TABLE t (id bigserial PRIMARY KEY, bigint_n BIGINT, d DOUBLE\n PRECISION, "
                      "b BYTEA, x TEXT DEFAULT 'BYTEA') -- BIGINT"),
            "CREATE TABLE t (id INTEGER PRIMARY KEY, bigint_n INTEGER, d REAL, "
            "b BLOB, x TEXT DEFAULT 'BYTEA') -- BIGINT");
}

TEST(SqliteErrors, AFileThatIsNotADatabaseIsCorrupt) {
  const std::string path = std::filesystem::temp_directory_path() / "eiyou-sql-not-a-database";
  std::ofstream(path) << std::string(4096, 'x');
  SqlError error;
  EXPECT_FALSE(OpenSqlite(path, error));
  EXPECT_EQ(error.kind, SqlErrorKind::Corrupt) << error.message;
  std::filesystem::remove(path);
}

// A port on which nothing listens: the system's pick for a socket then closed.
int ClosedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), size);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  close(fd);
  return ntohs(address.sin_port);
}

TEST(PgServer, EachRefusedConnectionIsNamedInJapanese) {
  ASSERT_NO_FATAL_FAILURE(RequireServer());
  SqlError error;

  PgSettings wrongPassword = ServerSettings();
  wrongPassword.password = "違う";
  EXPECT_FALSE(ConnectPostgres(wrongPassword, error));
  EXPECT_EQ(error.kind, SqlErrorKind::AuthFailed) << error.message;
  EXPECT_EQ(JapaneseMessage(error), "ユーザー名またはパスワードが正しくありません。");

  // A name with a blank and quotes reaches the server whole.
  PgSettings noDatabase = ServerSettings();
  noDatabase.dbname = "ない '献立' \\";
  EXPECT_FALSE(ConnectPostgres(noDatabase, error));
  EXPECT_EQ(error.kind, SqlErrorKind::NoDatabase) << error.message;
  EXPECT_EQ(JapaneseMessage(error), "データベース「ない '献立' \\」がサーバーにありません。");

  PgSettings down = ServerSettings();
  down.port = ClosedPort();
  EXPECT_FALSE(ConnectPostgres(down, error));
  EXPECT_EQ(error.kind, SqlErrorKind::ServerDown) << error.message;
  EXPECT_EQ(JapaneseMessage(error), "データベースのサーバーに接続できません（ホスト 127.0.0.1 ポート " +
                                        std::to_string(down.port) +
                                        "）。サーバーが起動しているか確認してください。");

  // A password given in memory, with no password file to fall back on.
  const std::string passfile = ServerEnv().at("PGPASSFILE");
  setenv("PGPASSFILE", "/nonexistent", 1);
  PgSettings asked = ServerSettings();
  asked.password = "eiyou-test-password";
  EXPECT_TRUE(ConnectPostgres(asked, error)) << error.message;
  asked.password.clear();
  EXPECT_FALSE(ConnectPostgres(asked, error));
  EXPECT_EQ(error.kind, SqlErrorKind::AuthFailed) << error.message;
  setenv("PGPASSFILE", passfile.c_str(), 1);
}

TEST(PgServer, AServerStoppedMidTransactionCommitsNothing) {
  ASSERT_NO_FATAL_FAILURE(RequireServer());
  SqlError error;
  auto db = ConnectPostgres(ServerSettings(), error);
  ASSERT_TRUE(db) << error.message;
  ASSERT_TRUE(db->Exec("DROP TABLE IF EXISTS kinds; CREATE TABLE kinds (id BIGINT PRIMARY KEY)"));
  auto insert = db->Prepare("INSERT INTO kinds VALUES ($1)");
  ASSERT_TRUE(db->Begin());
  insert->BindInt(1, 1);
  ASSERT_EQ(insert->Step(), SqlStep::Done);

  ServerScript("kill");
  // Started again whatever fails below: the other cases need it.
  struct Restart {
    ~Restart() { ServerScript("start"); }
  } restart;
  insert->Reset();
  insert->BindInt(1, 2);
  EXPECT_EQ(insert->Step(), SqlStep::Error);
  EXPECT_EQ(db->lastError().kind, SqlErrorKind::ConnectionLost) << db->lastError().message;
  EXPECT_EQ(JapaneseMessage(db->lastError()), "サーバーとの接続が切れました。保存は行われていません。");
  EXPECT_FALSE(db->Commit());
  EXPECT_FALSE(ConnectPostgres(ServerSettings(), error));
  EXPECT_EQ(error.kind, SqlErrorKind::ServerDown) << error.message;
  insert.reset();
  db.reset();

  ServerScript("start");
  db = ConnectPostgres(ServerSettings(), error);
  ASSERT_TRUE(db) << error.message;
  auto count = db->Prepare("SELECT count(*) FROM kinds");
  ASSERT_EQ(count->Step(), SqlStep::Row);
  EXPECT_EQ(count->Int(0), 0);
}

}  // namespace
}  // namespace eiyou
