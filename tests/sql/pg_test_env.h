// The throw-away test server's settings and an emptied database, for the
// GoogleTest cases (pg_test_support.h) and the window tests alike.
#pragma once

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "plans/sql/sql_connection.h"

namespace eiyou {

// The test server's settings (EIYOU_PG_TEST_DIR/env), read once; PGPASSFILE
// goes to libpq through the environment, as a user's would. Empty when the
// fixture did not start a server.
inline const std::map<std::string, std::string>& ServerEnv() {
  static const std::map<std::string, std::string> env = [] {
    std::map<std::string, std::string> values;
    std::ifstream in(EIYOU_PG_TEST_DIR "/env");
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

// Drops every table of the test database, so that a store starts on an empty
// one (the other tests' tables too: they share the server). Empty, or what
// failed.
inline std::string EmptyServerDatabase() {
  SqlError error;
  auto db = ConnectPostgres(ServerSettings(), error);
  if (!db) return error.message;
  std::string tables;
  auto names = db->Prepare(
      "SELECT table_name FROM information_schema.tables WHERE table_schema = 'public'");
  while (names->Step() == SqlStep::Row)
    tables += (tables.empty() ? "" : ", ") + std::string("\"") + std::string(names->Text(0)) + "\"";
  names.reset();
  if (!tables.empty() && !db->Exec("DROP TABLE IF EXISTS " + tables + " CASCADE"))
    return db->lastError().message;
  if (!db->Exec("DROP SEQUENCE IF EXISTS row_version")) return db->lastError().message;
  return {};
}

}  // namespace eiyou
