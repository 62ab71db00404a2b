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

# Where the server keeps its files: DIR, or a folder of its own in /tmp when
# the server's user cannot reach DIR (a checkout under /root), whose socket
# DIR then links to.
home_of() {
  if [[ -f "$dir/elsewhere" ]]; then cat "$dir/elsewhere"; else echo "$dir"; fi
}

stop() {
  local home
  home="$(home_of)"
  if [[ -f "$home/data/postmaster.pid" ]]; then
    as_server "$bindir/pg_ctl" stop -D "$home/data" -m immediate -w >/dev/null || true
  fi
  if [[ "$home" != "$dir" ]]; then rm -rf "$home"; fi
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
  local home="$dir"
  if [[ $(id -u) -eq 0 ]]; then
    chown postgres: "$dir"
    if ! runuser -u postgres -- test -w "$dir"; then
      chown root: "$dir"
      home="$(mktemp -d /tmp/parvex-pg.XXXXXX)"
      chown postgres: "$home"
      echo "$home" >"$dir/elsewhere"
      ln -s "$home/.s.PGSQL.$port" "$dir/.s.PGSQL.$port"
    fi
  fi
  chmod 700 "$home"
  local admin_password role_password
  admin_password="$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')"
  role_password="$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')"
  as_server sh -c "umask 077 && printf '%s\n' '$admin_password' > '$home/admin-password'"
  as_server "$bindir/initdb" -D "$home/data" -U admin --pwfile="$home/admin-password" \
    --auth=scram-sha-256 -E UTF8 --locale=C.UTF-8 --no-sync >"$home/initdb.log" 2>&1 ||
    { cat "$home/initdb.log" >&2; exit 1; }
  # Only a socket in DIR; a test cluster needs no durability.
  as_server sh -c "cat >> '$home/data/postgresql.conf'" <<CONF
listen_addresses = ''
unix_socket_directories = '$home'
port = $port
fsync = off
synchronous_commit = off
full_page_writes = off
max_connections = 50
CONF
  as_server "$bindir/pg_ctl" start -D "$home/data" -l "$home/server.log" -w -t 60 >/dev/null ||
    { cat "$home/server.log" >&2; exit 1; }
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
