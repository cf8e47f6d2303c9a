#!/usr/bin/env bash
# A throw-away PostgreSQL server for the tests, in a folder of its own.
#   pg_test_server.sh start DIR   a new cluster in DIR (or the one there, started
#                                 again on its port), listening on 127.0.0.1 only,
#                                 with a test database; writes DIR/env
#   pg_test_server.sh kill DIR    stops it at once, as a crash would (-m immediate):
#                                 the data stays for the next start
#   pg_test_server.sh stop DIR    stops it and removes the cluster
# DIR/env holds PGHOST, PGPORT, PGUSER, PGDATABASE and PGPASSFILE, one KEY=VALUE
# a line; the password is in DIR/.pgpass (mode 0600) and nowhere else. Every
# connection, TCP or socket, needs it: nothing is trusted.
# The server refuses to run as root: as root it runs as the user "postgres"
# (made by Debian's postgresql package), otherwise as the caller.
set -euo pipefail

usage() { echo "usage: $0 start|kill|stop DIR" >&2; exit 2; }
(($# == 2)) || usage
command=$1
mkdir -p "$2"
dir=$(cd "$2" && pwd)
cluster=$dir/cluster
user=eiyou_test
password=eiyou-test-password
database=eiyou_test

say() { printf 'pg_test_server: %s\n' "$*" >&2; }

bin=$(printf '%s\n' /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
if [[ -z $bin || ! -x $bin/initdb ]]; then
  say "PostgreSQL is not installed (Debian package postgresql): the server tests cannot run"
  exit 1
fi

as_server=()
if ((EUID == 0)); then
  if ! id postgres >/dev/null 2>&1; then
    say "there is no user postgres to run the server as (the package postgresql makes it)"
    exit 1
  fi
  as_server=(runuser -u postgres --)
fi
# The cluster's folder by its real path: the server's user may not be able
# to pass through DIR (see make_cluster_folder).
home() { readlink -f "$cluster"; }
pg_ctl() { "${as_server[@]}" "$bin/pg_ctl" -D "$(home)/data" "$@"; }

running() { [[ -d $cluster/data ]] && pg_ctl status >/dev/null 2>&1; }

# A port nothing listens on now; the server may still lose it to another
# program before it binds, so starting tries again on another.
free_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 40000))
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
  done
}

# The folder for the cluster: inside DIR where the server's user can write and
# the socket's path stays short enough for the system (108 bytes), otherwise a
# temporary folder of that user's, linked as DIR/cluster (a build folder may lie
# under a folder only root may enter).
make_cluster_folder() {
  mkdir -p "$cluster"
  if ((EUID == 0)); then chown postgres: "$cluster"; fi
  chmod 700 "$cluster"
  if ((${#cluster} > 80)) || ! "${as_server[@]}" test -w "$cluster"; then
    rmdir "$cluster"
    local elsewhere
    elsewhere=$(mktemp -d "${TMPDIR:-/tmp}/eiyou-pg.XXXXXX")
    if ((EUID == 0)); then chown postgres: "$elsewhere"; fi
    ln -s "$elsewhere" "$cluster"
  fi
}

start_server() {
  local port
  for _ in 1 2 3 4 5 6 7 8; do
    port=$(grep -o '^port = [0-9]*' "$cluster/data/postgresql.conf" | tail -n 1 | cut -d' ' -f3)
    if pg_ctl start -w -t 60 -l "$(home)/server.log" >/dev/null; then
      echo "$port"
      return
    fi
    if ! grep -q 'could not bind\|could not create any TCP/IP sockets' "$cluster/server.log"; then
      break
    fi
    say "port $port taken, trying another"
    echo "port = $(free_port)" >>"$cluster/data/postgresql.conf"
  done
  say "the server did not start; its log:"
  cat "$cluster/server.log" >&2
  exit 1
}

write_env() {
  local port=$1
  (
    umask 077
    printf '127.0.0.1:%s:*:%s:%s\n%s:%s:*:%s:%s\n' \
      "$port" "$user" "$password" "$(home)" "$port" "$user" "$password" \
      >"$dir/.pgpass"
  )
  chmod 600 "$dir/.pgpass"
  printf 'PGHOST=127.0.0.1\nPGPORT=%s\nPGUSER=%s\nPGDATABASE=%s\nPGPASSFILE=%s\n' \
    "$port" "$user" "$database" "$dir/.pgpass" >"$dir/env.partial"
  mv "$dir/env.partial" "$dir/env"
}

case $command in
  start)
    if running; then exit 0; fi
    if [[ ! -f $cluster/data/PG_VERSION ]]; then
      if [[ -e $cluster ]]; then rm -rf "$(home)" "$cluster"; fi
      rm -f "$dir/env"
      make_cluster_folder
      socket_dir=$(home)
      pwfile=$socket_dir/pwfile
      printf '%s\n' "$password" >"$pwfile"
      if ((EUID == 0)); then chown postgres: "$pwfile"; fi
      chmod 600 "$pwfile"
      # UTF-8 and the C collation: the order of texts is by bytes, as in SQLite.
      "${as_server[@]}" "$bin/initdb" -D "$socket_dir/data" -U "$user" --pwfile="$pwfile" \
        --auth=scram-sha-256 --encoding=UTF8 --locale=C --no-sync >"$cluster/initdb.log" 2>&1 || {
        say "initdb failed:"
        cat "$cluster/initdb.log" >&2
        exit 1
      }
      rm -f "$pwfile"
      {
        echo "listen_addresses = '127.0.0.1'"
        echo "unix_socket_directories = '$socket_dir'"
        echo "port = $(free_port)"
      } >>"$cluster/data/postgresql.conf"
      port=$(start_server)
      write_env "$port"
      PGPASSFILE=$dir/.pgpass "$bin/createdb" -h 127.0.0.1 -p "$port" -U "$user" "$database"
    else
      port=$(start_server)
      write_env "$port"
    fi
    say "running on 127.0.0.1:$port (settings in $dir/env)"
    ;;
  kill)
    if running; then pg_ctl stop -m immediate -w >/dev/null; fi
    ;;
  stop)
    if running; then pg_ctl stop -m fast -w >/dev/null; fi
    if [[ -e $cluster ]]; then rm -rf "$(home)" "$cluster"; fi
    rm -f "$dir/env" "$dir/.pgpass"
    ;;
  *) usage ;;
esac
