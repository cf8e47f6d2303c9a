// One SQL layer over the two engines the store can live in: an SQLite file
// for a single user, a PostgreSQL server for a kitchen team.
//
// Why sqlite3 and libpq behind this small interface, not Qt SQL: the store
// libraries are plain C++ without Qt; the program must start without loading
// either library (the store lives in the module opened on first use); and
// libpq gives the server's own error codes (SQLSTATE), from which the user
// gets a precise Japanese message.
//
// The SQL is written once for both engines, in this common dialect:
// - Parameters are $1, $2 … (PostgreSQL's form). SQLite binds them by name, so
//   the order they appear in does not matter and one may appear twice. `?` is
//   refused. A parameter's type comes from where it stands (a column, a
//   comparison); where nothing tells it (SELECT $1), write CAST($1 AS BIGINT).
// - A schema is written with PostgreSQL's type names and passed through
//   SchemaFor(): BIGINT for integers (never INTEGER: 32 bits on the server),
//   BIGSERIAL PRIMARY KEY for a key the database numbers, DOUBLE PRECISION,
//   TEXT (UTF-8 only: the server checks it), BYTEA for bytes (the CP932 texts).
//   SQLite gets INTEGER, INTEGER PRIMARY KEY, REAL, TEXT and BLOB.
// - Booleans are 0/1 in BIGINT columns (the server's boolean reads back "t").
// - Upserts are INSERT … ON CONFLICT (key) DO UPDATE SET c = excluded.c; never
//   INSERT OR REPLACE (SQLite's own; it deletes the row, firing cascades).
// - No GLOB; LIKE ignores ASCII case in SQLite only: compare with = instead.
// - Texts order by bytes: SQLite always, the server in a database made with
//   the C collation (the administrator's CREATE DATABASE says LC_COLLATE 'C').
// - After a failed statement inside a transaction, roll back: the server
//   refuses every further statement of it, SQLite would commit the rest.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct sqlite3;

namespace eiyou {

enum class SqlEngine { Sqlite, Postgres };

enum class SqlErrorKind {
  None,
  Busy,            // locked by another writer, a serialization failure, a deadlock: try again
  DiskFull,
  Corrupt,
  ConnectionLost,  // the server went away during a statement: nothing of it was committed
  ServerDown,      // no server answered the connection
  AuthFailed,      // wrong user name or password, or none to be had
  NoDatabase,      // the server has no database of that name
  Constraint,      // a key, a unique or a foreign key refused the change
  NoPermission,    // the user's role may not do this (a read-only user saving, a user changing the layout)
  Other,
};

struct SqlError {
  SqlErrorKind kind = SqlErrorKind::None;
  std::string sqlstate;  // the server's five-character code, or SQLite's extended code
  std::string message;   // the engine's own text (English): for a log, never for the user
  // What a connection was asked for, for the user's message.
  std::string host;
  std::string port;
  std::string database;
  // SQLite's extended result code and the system's errno behind it (for I/O
  // errors): what a caller that words SQLite's failures itself needs.
  int code = 0;
  int systemErrno = 0;
  // The server asked for a password and none was to be had (not in
  // ~/.pgpass, a service file, nor given): the program may ask the user.
  bool needsPassword = false;
};

// What the user is told, in Japanese: no engine's English reaches the user.
// Empty for SqlErrorKind::None.
std::string JapaneseMessage(const SqlError& error);

// A schema written in the common dialect, in the given engine's type names.
std::string SchemaFor(SqlEngine engine, std::string_view ddl);

enum class SqlStep { Row, Done, Error };

// A prepared statement. It must not outlive its connection. Values bound are
// copied, kept over Reset(), and NULL until bound; parameters are numbered
// from 1 ($1), columns from 0.
class SqlStatement {
 public:
  virtual ~SqlStatement() = default;

  virtual void BindInt(int i, std::int64_t value) = 0;
  virtual void BindDouble(int i, double value) = 0;
  virtual void BindText(int i, std::string_view utf8) = 0;
  virtual void BindBlob(int i, std::string_view bytes) = 0;
  virtual void BindNull(int i) = 0;

  // The next row, Done after the last (or for a statement without rows), or
  // Error (the connection's lastError() says why). The first Step runs it.
  virtual SqlStep Step() = 0;
  // Ready to run again, with the same values unless bound anew.
  virtual void Reset() = 0;

  // The current row's values. A text stays valid until the next Step or Reset.
  virtual bool IsNull(int column) const = 0;
  virtual std::int64_t Int(int column) const = 0;
  virtual double Double(int column) const = 0;
  virtual std::string_view Text(int column) const = 0;
  virtual std::string Bytes(int column) const = 0;
};

class SqlConnection {
 public:
  virtual ~SqlConnection() = default;

  virtual SqlEngine engine() const = 0;
  // The last failure of this connection or one of its statements.
  const SqlError& lastError() const { return error_; }

  // Null when the SQL is refused or the connection failed (lastError()).
  virtual std::unique_ptr<SqlStatement> Prepare(std::string_view sql) = 0;
  // Statements without parameters or rows, one or several separated by ";".
  virtual bool Exec(std::string_view sql) = 0;

  // A transaction for writing. On SQLite it takes the write lock at once, so
  // that a second writer waits for the first (up to a busy timeout, then
  // Busy) rather than failing at its first change.
  virtual bool Begin() = 0;
  // False also when the server had already abandoned the transaction.
  virtual bool Commit() = 0;
  virtual bool Rollback() = 0;

 protected:
  SqlError error_;
};

// An SQLite database file, made when missing: WAL, foreign keys on, a busy
// timeout. Null when it cannot be opened (error says why).
std::unique_ptr<SqlConnection> OpenSqlite(const std::string& path, SqlError& error);

// The common layer over an SQLite handle its caller opened and closes (the
// day-plan store, which opens, checks and moves its file its own way). The
// handle must outlive the connection and report extended result codes.
std::unique_ptr<SqlConnection> BorrowSqlite(sqlite3* db);

// Where the server is. Empty fields are left to libpq's defaults and its
// environment (PGHOST, PGPORT, PGSERVICE …). The password is never kept in a
// file of ours: libpq finds it in ~/.pgpass, PGPASSFILE or a service file
// (PGSERVICEFILE), or the program asks at start and passes it here, in memory.
struct PgSettings {
  std::string host;  // a name, an address, or a socket folder
  int port = 0;      // 0: the default
  std::string dbname;
  std::string user;
  std::string service;  // a section of the service file
  int connectTimeout = 10;  // seconds
  std::string password;
};

// The settings as a libpq connection string, each value quoted.
std::string PgConnInfo(const PgSettings& settings);

// A connection to the server, its texts in UTF-8. Null when it cannot be had
// (error: ServerDown, AuthFailed, NoDatabase …).
std::unique_ptr<SqlConnection> ConnectPostgres(const PgSettings& settings, SqlError& error);

}  // namespace eiyou
