#!/usr/bin/env bash
# A throw-away PostgreSQL server for the history store's tests.
#   pg-server.sh start DIR   a fresh cluster in DIR, listening only on a Unix
#                            socket in DIR, with password (SCRAM) logins
#   pg-server.sh stop DIR    stops it and removes DIR
# After start, DIR holds:
#   uri      the address of the database "parvex" for the role "parvex"
#            (no password in it)
#   pgpass   the password file libpq reads (give its path in PGPASSFILE)
# The server runs as the "postgres" system user when this runs as root
# (initdb refuses root).
set -euo pipefail

command="${1:-}"
dir="${2:-}"
if [[ -z "$command" || -z "$dir" ]]; then
  echo "usage: $0 start|stop DIR" >&2
  exit 2
fi
port=5432  # names the socket file only: nothing listens on TCP

bindir="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
if [[ -z "$bindir" || ! -x "$bindir/initdb" ]]; then
  echo "pg-server: no PostgreSQL server found in /usr/lib/postgresql (install postgresql)" >&2
  exit 1
fi

as_server() {
  if [[ $(id -u) -eq 0 ]]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

stop() {
  if [[ -f "$dir/data/postmaster.pid" ]]; then
    as_server "$bindir/pg_ctl" stop -D "$dir/data" -m immediate -w >/dev/null || true
  fi
  rm -rf "$dir"
}

start() {
  stop
  dir="$(mkdir -p "$dir" && cd "$dir" && pwd)"
  # The socket's full path must fit in a socket address (107 bytes).
  if ((${#dir} > 90)); then
    echo "pg-server: $dir is too long a path for a Unix socket" >&2
    exit 1
  fi
  if [[ $(id -u) -eq 0 ]]; then chown postgres: "$dir"; fi
  chmod 700 "$dir"
  local admin_password role_password
  admin_password="$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')"
  role_password="$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')"
  as_server sh -c "umask 077 && printf '%s\n' '$admin_password' > '$dir/admin-password'"
  as_server "$bindir/initdb" -D "$dir/data" -U admin --pwfile="$dir/admin-password" \
    --auth=scram-sha-256 -E UTF8 --locale=C.UTF-8 --no-sync >"$dir/initdb.log" 2>&1 ||
    { cat "$dir/initdb.log" >&2; exit 1; }
  # Only a socket in DIR; a test cluster needs no durability.
  as_server sh -c "cat >> '$dir/data/postgresql.conf'" <<CONF
listen_addresses = ''
unix_socket_directories = '$dir'
port = $port
fsync = off
synchronous_commit = off
full_page_writes = off
max_connections = 50
CONF
  as_server "$bindir/pg_ctl" start -D "$dir/data" -l "$dir/server.log" -w -t 60 >/dev/null ||
    { cat "$dir/server.log" >&2; exit 1; }
  # An ordinary role that may create databases (one for each test), as a
  # team's store would use; it is no superuser.
  PGPASSWORD="$admin_password" "$bindir/psql" -h "$dir" -p "$port" -U admin -d postgres \
    -v ON_ERROR_STOP=1 -q \
    -c "CREATE ROLE parvex LOGIN CREATEDB PASSWORD '$role_password'" \
    -c "CREATE DATABASE parvex OWNER parvex" >/dev/null
  (umask 077 && printf '*:*:*:parvex:%s\n' "$role_password" >"$dir/pgpass")
  printf 'postgresql://parvex@/parvex?host=%s&port=%s\n' "$dir" "$port" >"$dir/uri"
}

case "$command" in
  start) start ;;
  stop) stop ;;
  *)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
