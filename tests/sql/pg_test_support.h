// The throw-away server that scripts/pg_test_server.sh started for the tests
// (its settings in EIYOU_PG_TEST_DIR/env), for every test that needs it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#include "plans/sql/sql_connection.h"

namespace eiyou {

// The test server's settings, read once; PGPASSFILE goes to libpq through
// the environment, as a user's would.
inline const std::map<std::string, std::string>& ServerEnv() {
  static const std::map<std::string, std::string> env = [] {
    std::map<std::string, std::string> values;
    std::ifstream in(std::string(EIYOU_PG_TEST_DIR) + "/env");
    for (std::string line; std::getline(in, line);)
      if (const auto eq = line.find('='); eq != std::string::npos)
        values[line.substr(0, eq)] = line.substr(eq + 1);
    if (values.count("PGPASSFILE")) setenv("PGPASSFILE", values["PGPASSFILE"].c_str(), 1);
    return values;
  }();
  return env;
}

inline PgSettings ServerSettings() {
  const auto& env = ServerEnv();
  PgSettings s;
  s.host = env.at("PGHOST");
  s.port = std::stoi(env.at("PGPORT"));
  s.dbname = env.at("PGDATABASE");
  s.user = env.at("PGUSER");
  return s;
}

// The server is needed: without it the server's cases fail and say why.
inline void RequireServer() {
  ASSERT_TRUE(ServerEnv().count("PGPORT"))
      << "no test server: " << EIYOU_PG_TEST_DIR << "/env is missing. It is written by "
      << EIYOU_PG_TEST_SCRIPT << " start DIR, which needs PostgreSQL (Debian package postgresql).";
}

// Drops every table of the test database, so that a store starts on an empty
// one (the other tests' tables too: they share the server).
inline void DropServerTables() {
  SqlError error;
  auto db = ConnectPostgres(ServerSettings(), error);
  ASSERT_TRUE(db) << error.message;
  std::string tables;
  auto names = db->Prepare(
      "SELECT table_name FROM information_schema.tables WHERE table_schema = 'public'");
  while (names->Step() == SqlStep::Row)
    tables += (tables.empty() ? "" : ", ") + std::string("\"") + std::string(names->Text(0)) + "\"";
  names.reset();
  if (!tables.empty()) {
    ASSERT_TRUE(db->Exec("DROP TABLE IF EXISTS " + tables + " CASCADE")) << db->lastError().message;
  }
  ASSERT_TRUE(db->Exec("DROP SEQUENCE IF EXISTS row_version")) << db->lastError().message;
}

inline void ServerScript(const char* command) {
  const std::string line =
      std::string(EIYOU_PG_TEST_SCRIPT) + " " + command + " '" + EIYOU_PG_TEST_DIR + "'";
  ASSERT_EQ(std::system(line.c_str()), 0) << line;
}

// Kills the server `after` from now, as a crash would, in the middle of what
// the case does meanwhile; started again when this goes, whatever failed:
// the other cases need it.
class ServerKilledAfter {
 public:
  explicit ServerKilledAfter(std::chrono::milliseconds after)
      : killer_([after] {
          std::this_thread::sleep_for(after);
          ServerScript("kill");
        }) {}
  ~ServerKilledAfter() {
    killer_.join();
    ServerScript("start");
  }
  ServerKilledAfter(const ServerKilledAfter&) = delete;
  ServerKilledAfter& operator=(const ServerKilledAfter&) = delete;

 private:
  std::thread killer_;
};

}  // namespace eiyou
