// The common SQL layer over a PostgreSQL server (Debian's libpq).
// Values travel as text written with std::to_chars and read with
// std::from_chars, never through the C library's locale; bytes travel as
// binary parameters and come back in the server's hex form.
#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "plans/sql/sql_connection.h"

namespace eiyou {
namespace {

constexpr Oid kByteaOid = 17;  // the server's fixed number of its bytea type

struct ResultDeleter {
  void operator()(PGresult* r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

SqlErrorKind KindOfState(std::string_view state) {
  if (state == "40001" || state == "40P01" || state == "55P03") return SqlErrorKind::Busy;
  if (state == "53100") return SqlErrorKind::DiskFull;
  if (state == "XX001" || state == "XX002") return SqlErrorKind::Corrupt;
  // Class 08, or the server shutting down or crashing under the connection.
  if (state.starts_with("08") || state == "57P01" || state == "57P02" || state == "57P03")
    return SqlErrorKind::ConnectionLost;
  if (state == "28P01" || state == "28000") return SqlErrorKind::AuthFailed;
  if (state == "3D000") return SqlErrorKind::NoDatabase;
  if (state.starts_with("23")) return SqlErrorKind::Constraint;
  if (state == "42501") return SqlErrorKind::NoPermission;
  return SqlErrorKind::Other;
}

// libpq has no field for the code of an error that refused a connection, but
// in verbose mode its message carries it after the severity:
// "…failed: FATAL:  28P01: password authentication failed…".
std::string StateInMessage(std::string_view message) {
  for (std::size_t at = message.find(":  "); at != std::string_view::npos;
       at = message.find(":  ", at + 1)) {
    const std::string_view code = message.substr(at + 3, 6);
    if (code.size() == 6 && code[5] == ':' &&
        std::all_of(code.begin(), code.begin() + 5, [](char c) {
          return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
        }))
      return std::string(code.substr(0, 5));
  }
  return {};
}

std::string Quoted(std::string_view value) {
  std::string out = "'";
  for (char c : value) {
    if (c == '\\' || c == '\'') out += '\\';
    out += c;
  }
  return out + "'";
}

template <typename Number>
std::string Written(Number value) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  return std::string(buffer, end);
}

class PgConnection;

class PgStatement final : public SqlStatement {
 public:
  PgStatement(PgConnection& owner, std::string name, std::vector<bool> bytea)
      : owner_(owner), name_(std::move(name)), bytea_(std::move(bytea)), values_(bytea_.size()) {}
  ~PgStatement() override;

  void BindInt(int i, std::int64_t value) override { Set(i, Written(value), false); }
  void BindDouble(int i, double value) override { Set(i, Written(value), false); }
  void BindText(int i, std::string_view utf8) override { Set(i, std::string(utf8), false); }
  // Binary unless the server reads the parameter as text: then the bytes
  // must be text of the database's encoding anyway.
  void BindBlob(int i, std::string_view bytes) override {
    if (Valid(i)) Set(i, std::string(bytes), bytea_[static_cast<std::size_t>(i - 1)]);
  }
  void BindNull(int i) override {
    if (Valid(i)) values_[static_cast<std::size_t>(i - 1)].reset();
  }

  SqlStep Step() override;
  void Reset() override {
    result_.reset();
    row_ = -1;
  }

  bool IsNull(int column) const override { return PQgetisnull(result_.get(), row_, column) != 0; }
  std::int64_t Int(int column) const override {
    std::int64_t value = 0;
    const std::string_view text = Text(column);
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
  }
  double Double(int column) const override {
    double value = 0;
    const std::string_view text = Text(column);
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
  }
  std::string_view Text(int column) const override {
    return std::string_view(PQgetvalue(result_.get(), row_, column),
                            static_cast<std::size_t>(PQgetlength(result_.get(), row_, column)));
  }
  std::string Bytes(int column) const override {
    if (PQftype(result_.get(), column) != kByteaOid) return std::string(Text(column));
    std::size_t length = 0;
    unsigned char* bytes = PQunescapeBytea(
        reinterpret_cast<const unsigned char*>(PQgetvalue(result_.get(), row_, column)), &length);
    if (!bytes) return {};
    std::string out(reinterpret_cast<const char*>(bytes), length);
    PQfreemem(bytes);
    return out;
  }

 private:
  struct Value {
    std::string bytes;
    bool binary = false;
  };
  bool Valid(int i) {
    if (i >= 1 && static_cast<std::size_t>(i) <= values_.size()) return true;
    badParameter_ = i;
    return false;
  }
  void Set(int i, std::string bytes, bool binary) {
    if (Valid(i)) values_[static_cast<std::size_t>(i - 1)] = Value{std::move(bytes), binary};
  }

  PgConnection& owner_;
  std::string name_;
  std::vector<bool> bytea_;  // per parameter: whether the server reads it as bytea
  std::vector<std::optional<Value>> values_;
  int badParameter_ = 0;  // a parameter number the statement does not have
  Result result_;
  int row_ = -1;
};

class PgConnection final : public SqlConnection {
 public:
  explicit PgConnection(PGconn* conn) : conn_(conn) {}
  ~PgConnection() override { PQfinish(conn_); }

  SqlEngine engine() const override { return SqlEngine::Postgres; }
  PGconn* conn() const { return conn_; }

  std::unique_ptr<SqlStatement> Prepare(std::string_view sql) override {
    const std::string name = "eiyou_" + std::to_string(++statements_);
    const Result prepared(PQprepare(conn_, name.c_str(), std::string(sql).c_str(), 0, nullptr));
    if (PQresultStatus(prepared.get()) != PGRES_COMMAND_OK) {
      Failed(prepared.get());
      return nullptr;
    }
    const Result described(PQdescribePrepared(conn_, name.c_str()));
    if (PQresultStatus(described.get()) != PGRES_COMMAND_OK) {
      Failed(described.get());
      return nullptr;
    }
    std::vector<bool> bytea(static_cast<std::size_t>(PQnparams(described.get())));
    for (std::size_t i = 0; i < bytea.size(); ++i)
      bytea[i] = PQparamtype(described.get(), static_cast<int>(i)) == kByteaOid;
    return std::make_unique<PgStatement>(*this, name, std::move(bytea));
  }

  bool Exec(std::string_view sql) override {
    const Result r(PQexec(conn_, std::string(sql).c_str()));
    const ExecStatusType status = PQresultStatus(r.get());
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || Failed(r.get());
  }
  bool Begin() override { return Exec("BEGIN"); }
  bool Rollback() override { return Exec("ROLLBACK"); }
  bool Commit() override {
    const Result r(PQexec(conn_, "COMMIT"));
    if (PQresultStatus(r.get()) != PGRES_COMMAND_OK) return Failed(r.get());
    // A transaction that had an error is rolled back by COMMIT, successfully.
    if (std::string_view(PQcmdStatus(r.get())) == "ROLLBACK") {
      error_ = {SqlErrorKind::Other, "25P02", "the transaction had failed and was rolled back",
                {}, {}, {}, 0, 0};
      return false;
    }
    return true;
  }

  // Always false, for `return ok || Failed(result)`.
  bool Failed(const PGresult* result) {
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    error_ = {};
    error_.sqlstate = state ? state : "";
    error_.message = result ? PQresultErrorMessage(result) : PQerrorMessage(conn_);
    // Lost under a statement: libpq marks the connection bad, with or
    // without a last word from the server.
    error_.kind = PQstatus(conn_) == CONNECTION_BAD ? SqlErrorKind::ConnectionLost
                                                    : KindOfState(error_.sqlstate);
    error_.host = PQhost(conn_);
    error_.port = PQport(conn_);
    error_.database = PQdb(conn_);
    return false;
  }
  void BadParameter(int i) {
    error_ = {SqlErrorKind::Other, "42P02", "no parameter $" + std::to_string(i), {}, {}, {}, 0, 0};
  }

 private:
  PGconn* conn_;
  int statements_ = 0;
};

PgStatement::~PgStatement() {
  // The name would otherwise stay taken for the rest of the session.
  if (PQstatus(owner_.conn()) == CONNECTION_OK && PQtransactionStatus(owner_.conn()) != PQTRANS_INERROR)
    Result(PQexec(owner_.conn(), ("DEALLOCATE " + name_).c_str()));
}

SqlStep PgStatement::Step() {
  if (!result_) {
    if (badParameter_ != 0) {
      owner_.BadParameter(badParameter_);
      return SqlStep::Error;
    }
    std::vector<const char*> values(values_.size());
    std::vector<int> lengths(values_.size()), formats(values_.size());
    for (std::size_t i = 0; i < values_.size(); ++i) {
      if (!values_[i]) continue;
      values[i] = values_[i]->bytes.c_str();
      lengths[i] = static_cast<int>(values_[i]->bytes.size());
      formats[i] = values_[i]->binary ? 1 : 0;
    }
    result_.reset(PQexecPrepared(owner_.conn(), name_.c_str(), static_cast<int>(values.size()),
                                 values.data(), lengths.data(), formats.data(), 0));
    const ExecStatusType status = PQresultStatus(result_.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
      owner_.Failed(result_.get());
      Reset();
      return SqlStep::Error;
    }
    row_ = -1;
  }
  return ++row_ < PQntuples(result_.get()) ? SqlStep::Row : SqlStep::Done;
}

}  // namespace

std::string PgConnInfo(const PgSettings& settings) {
  std::string info;
  const auto add = [&](std::string_view key, std::string_view value) {
    if (value.empty()) return;
    if (!info.empty()) info += ' ';
    info.append(key).append("=").append(Quoted(value));
  };
  add("host", settings.host);
  if (settings.port > 0) add("port", Written(settings.port));
  add("dbname", settings.dbname);
  add("user", settings.user);
  add("service", settings.service);
  if (settings.connectTimeout > 0) add("connect_timeout", Written(settings.connectTimeout));
  return info;
}

std::unique_ptr<SqlConnection> ConnectPostgres(const PgSettings& settings, SqlError& error) {
  // The password goes beside the connection string, never into it, so that
  // the string can be shown or logged.
  const std::string info = PgConnInfo(settings);
  const char* keys[] = {"dbname", "client_encoding", "password", nullptr};
  const char* values[] = {info.c_str(), "UTF8",
                          settings.password.empty() ? nullptr : settings.password.c_str(), nullptr};
  PGconn* conn = PQconnectStartParams(keys, values, 1);
  if (!conn) {
    error = {SqlErrorKind::Other, {}, "out of memory", {}, {}, {}, 0, 0};
    return nullptr;
  }
  // Connected step by step so that the server's code for a refusal can be
  // had (StateInMessage); the time limit is then ours to keep.
  PQsetErrorVerbosity(conn, PQERRORS_VERBOSE);
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::seconds(settings.connectTimeout > 0 ? settings.connectTimeout : 3600);
  PostgresPollingStatusType polled = PQstatus(conn) == CONNECTION_BAD ? PGRES_POLLING_FAILED
                                                                      : PGRES_POLLING_WRITING;
  bool timedOut = false;
  while (polled != PGRES_POLLING_OK && polled != PGRES_POLLING_FAILED) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd fd{PQsocket(conn), static_cast<short>(polled == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
    const int ready = left.count() > 0 ? poll(&fd, 1, static_cast<int>(left.count())) : 0;
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) {
      timedOut = true;
      break;
    }
    polled = PQconnectPoll(conn);
  }
  if (polled != PGRES_POLLING_OK) {
    error = {};
    error.message = timedOut ? "timed out" : PQerrorMessage(conn);
    error.sqlstate = StateInMessage(error.message);
    if (!error.sqlstate.empty()) {
      error.kind = KindOfState(error.sqlstate);
      // The server starting up or shutting down refuses as if it were down.
      if (error.kind == SqlErrorKind::ConnectionLost) error.kind = SqlErrorKind::ServerDown;
    } else {
      // No word from the server: it was not reached, unless libpq itself gave
      // up for want of a password.
      error.kind = PQconnectionNeedsPassword(conn) ? SqlErrorKind::AuthFailed : SqlErrorKind::ServerDown;
    }
    error.needsPassword = PQconnectionNeedsPassword(conn) != 0;
    error.host = PQhost(conn) ? PQhost(conn) : settings.host;
    error.port = PQport(conn) ? PQport(conn) : "";
    error.database = PQdb(conn) ? PQdb(conn) : settings.dbname;
    PQfinish(conn);
    return nullptr;
  }
  PQsetErrorVerbosity(conn, PQERRORS_DEFAULT);
  // The server's notices ("table does not exist, skipping") are not for the
  // user, and libpq would print them on the standard error.
  PQsetNoticeProcessor(conn, [](void*, const char*) {}, nullptr);
  auto connection = std::make_unique<PgConnection>(conn);
  // Doubles written shortest and exact, bytes in hex, whatever the server's
  // own settings say.
  if (!connection->Exec("SET extra_float_digits = 3; SET bytea_output = 'hex'")) {
    error = connection->lastError();
    return nullptr;
  }
  error = {};
  return connection;
}

}  // namespace eiyou
