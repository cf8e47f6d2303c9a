// Where this data folder's day plans, target sets, prices and dishes are
// kept: the SQLite file KONDATE/献立表.db (the default, for one user) or a
// PostgreSQL server that a kitchen team shares.
//
// The choice is read afresh each time a store is opened, from
//   1. the environment variable EIYOU_SERVER, for scripted installs: the
//      settings as below on one line ("host=db1 dbname=kondate user=sato"),
//      or the word "file" for the file whatever the folder says;
//   2. the data folder's KONDATE/共有サーバー.TXT, written by the settings
//      dialog: host=, port=, dbname=, user=, service= (a section of the
//      libpq service file), one per line or several on a line, a value
//      quoted '…' with \' and \\ when it holds blanks.
// A password is never read from either: libpq's own ~/.pgpass or service
// file give it, or the program asks and keeps it for the run only.
#pragma once

#include <string>
#include <string_view>

#include "plans/sql/sql_connection.h"

namespace eiyou {

inline constexpr const char* kServerSettingsFileName = "共有サーバー.TXT";
inline constexpr const char* kServerEnvironmentName = "EIYOU_SERVER";

struct StoreLocation {
  bool server = false;
  PgSettings settings;  // when `server`; never with a password
  std::string from;     // where the choice was read: "EIYOU_SERVER", the file's path, or empty
  std::string error;    // a Japanese message when the settings could not be read: the store
                        // is then not opened at all (never the file in the server's place)
};

// The settings of one line or file. False, with a Japanese message naming
// the place ("2行目: …"), for an unknown key, a bad port, an unclosed quote,
// a password= entry (refused: it would be kept in clear text), or no host,
// dbname nor service. Keys unknown to us are refused rather than dropped.
bool ParseServerSettings(std::string_view text, PgSettings& settings, std::string& error);

// A port as typed: decimal digits only, 1–65535. False, `port` unchanged,
// otherwise.
bool ParsePort(std::string_view text, int& port);

// The settings in the file's form, one key per line, UTF-8, LF; empty values
// left out; never a password.
std::string WrittenServerSettings(const PgSettings& settings);

// The server as the user knows it: "db1 / kondate", "サービス kitchen".
std::string ServerName(const PgSettings& settings);

// The location of `dataDir`'s store, as described above.
StoreLocation ReadStoreLocation(const std::string& dataDir);

// Writes KONDATE/共有サーバー.TXT (atomically), or removes it when `settings`
// is null: the folder then uses its file again. False, with nothing changed,
// when it cannot be written; `error` says so in Japanese.
bool WriteStoreLocation(const std::string& dataDir, const PgSettings* settings, std::string& error);

// The password typed when the server asked for one, kept in this process's
// memory for the run only (the settings dialog and the start set it).
void RememberServerPassword(std::string password);
const std::string& RememberedServerPassword();

}  // namespace eiyou
