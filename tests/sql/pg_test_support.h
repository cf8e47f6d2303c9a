// The throw-away server that scripts/pg_test_server.sh started for the tests
// (its settings in EIYOU_PG_TEST_DIR/env, pg_test_env.h), for every
// GoogleTest case that needs it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "pg_test_env.h"
#include "plans/sql/sql_connection.h"

namespace eiyou {

// The server is needed: without it the server's cases fail and say why.
inline void RequireServer() {
  ASSERT_TRUE(ServerEnv().count("PGPORT"))
      << "no test server: " << EIYOU_PG_TEST_DIR << "/env is missing. It is written by "
      << EIYOU_PG_TEST_SCRIPT << " start DIR, which needs PostgreSQL (Debian package postgresql).";
}

// An empty test database for the case (EmptyServerDatabase).
inline void DropServerTables() { ASSERT_EQ(EmptyServerDatabase(), ""); }

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
