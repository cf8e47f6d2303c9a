// Every opening of a data folder's store goes through here: the SQLite file
// or the shared server, as the folder's location says (store_location.h),
// read afresh each time. A store is opened for one action and closed after
// it, so each action on a server makes a fresh connection: a server that was
// restarted is reached again at the next action.
#pragma once

#include <ctime>
#include <memory>
#include <string>

#include "plans/plan_store.h"
#include "plans/sql/sql_connection.h"

namespace eiyou {

// The file (DayPlanStore::Open), or the server with the password typed in
// this run (RememberedServerPassword). Settings that cannot be read give a
// store with status Failed and their message: never the file in the
// server's place, where the user's work would go unseen by the team. The
// server is told the folder's food table (DayPlanStore::ServeFolderTable).
std::unique_ptr<DayPlanStore> OpenPlanStore(const std::string& dataDir, std::time_t now);

// What a connection test found: one Japanese message for each outcome
// (connected, with the layout version and the days stored; the server down;
// a wrong user or password; no such database; a layout newer than this
// program; an older one this user may not bring up to date; the connection
// lost).
struct ServerCheck {
  bool connected = false;        // the store opened (a newer layout: for reading only)
  bool needsPassword = false;    // the server asked for a password none gave: ask, try again
  bool passwordRefused = false;  // the password given was refused: not to be kept
  std::string message;           // UTF-8
};
ServerCheck CheckServer(const PgSettings& settings);

// Whether the server asks for a password that nothing gave (~/.pgpass, a
// service file, settings.password): it connects, so the program asks it off
// the window's thread (it touches nothing but `settings`).
bool ServerAsksForPassword(const PgSettings& settings);

// The main window's note of where the data is kept, "共有サーバー: db1 / kondate";
// empty for the file.
std::string StoreLocationCaption(const std::string& dataDir);

// The settings dialog's fields (UTF-8) as settings. False, with a Japanese
// message naming the field, for a port that is not 1–65535 or nothing to
// connect to (no host, database nor service).
bool ServerSettingsFromFields(const std::string& host, const std::string& port,
                              const std::string& dbname, const std::string& user,
                              const std::string& service, PgSettings& settings, std::string& error);

}  // namespace eiyou
