#!/usr/bin/env bash
# Starts and stops a private PostgreSQL server for the test suite: a fresh
# cluster in a temporary folder, listening only on a private Unix socket
# folder and port, with trust authentication. Run as root, the server runs as
# the postgres user. Source this file, then call orva_pg_start / orva_pg_stop.
# orva_pg_start exports ORVA_PG_SOCKET_DIR, ORVA_PG_PORT, ORVA_PG_USER and
# ORVA_PG_DATABASE for the tests.

orva_pg_bindir() {
  local dir
  for dir in /usr/lib/postgresql/*/bin; do
    [ -x "$dir/initdb" ] && { echo "$dir"; return 0; }
  done
  command -v initdb >/dev/null && dirname "$(command -v initdb)" && return 0
  return 1
}

orva_pg_as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    su postgres -s /bin/sh -c "$*"
  else
    sh -c "$*"
  fi
}

orva_pg_start() {
  local bindir
  bindir=$(orva_pg_bindir) || { echo "pgserver: PostgreSQL server binaries not found" >&2; return 1; }
  ORVA_PG_ROOT=$(mktemp -d /tmp/orva-pg.XXXXXX)
  chmod 755 "$ORVA_PG_ROOT"
  mkdir -p "$ORVA_PG_ROOT/data" "$ORVA_PG_ROOT/socket"
  if [ "$(id -u)" -eq 0 ]; then
    chown -R postgres "$ORVA_PG_ROOT"
    ORVA_PG_USER=postgres
  else
    ORVA_PG_USER=$(id -un)
  fi
  # A free port in the private range, so a second suite can run alongside.
  ORVA_PG_PORT=${ORVA_PG_PORT:-$(( 20000 + RANDOM % 20000 ))}
  orva_pg_as_owner "'$bindir/initdb' -D '$ORVA_PG_ROOT/data' -A trust -E UTF8 --locale=C.UTF-8 -U '$ORVA_PG_USER'" \
    > "$ORVA_PG_ROOT/initdb.log" 2>&1 || { cat "$ORVA_PG_ROOT/initdb.log" >&2; return 1; }
  orva_pg_as_owner "'$bindir/pg_ctl' -D '$ORVA_PG_ROOT/data' -l '$ORVA_PG_ROOT/server.log' -w -t 60 \
    -o \"-k '$ORVA_PG_ROOT/socket' -p $ORVA_PG_PORT -c listen_addresses='' -c fsync=off -c max_connections=200\" start" \
    > /dev/null || { cat "$ORVA_PG_ROOT/server.log" >&2; return 1; }
  ORVA_PG_BINDIR=$bindir
  ORVA_PG_SOCKET_DIR="$ORVA_PG_ROOT/socket"
  ORVA_PG_DATABASE=orva_test
  "$bindir/createdb" -h "$ORVA_PG_SOCKET_DIR" -p "$ORVA_PG_PORT" -U "$ORVA_PG_USER" "$ORVA_PG_DATABASE" || return 1
  export ORVA_PG_ROOT ORVA_PG_BINDIR ORVA_PG_SOCKET_DIR ORVA_PG_PORT ORVA_PG_USER ORVA_PG_DATABASE
  echo "pgserver: PostgreSQL running on socket $ORVA_PG_SOCKET_DIR port $ORVA_PG_PORT"
}

orva_pg_stop() {
  [ -n "${ORVA_PG_ROOT:-}" ] && [ -d "$ORVA_PG_ROOT/data" ] || return 0
  orva_pg_as_owner "'$ORVA_PG_BINDIR/pg_ctl' -D '$ORVA_PG_ROOT/data' -m immediate -w stop" > /dev/null 2>&1 || true
  rm -rf "$ORVA_PG_ROOT"
  unset ORVA_PG_ROOT
}

# Stops the running server at once (as a crash or a restart would), keeping
# its cluster, so that orva_pg_resume can start it again on the same socket
# folder and port. For tests of lost connections.
orva_pg_halt() {
  orva_pg_as_owner "'$ORVA_PG_BINDIR/pg_ctl' -D '$ORVA_PG_ROOT/data' -m immediate -w stop" > /dev/null
}

orva_pg_resume() {
  orva_pg_as_owner "'$ORVA_PG_BINDIR/pg_ctl' -D '$ORVA_PG_ROOT/data' -l '$ORVA_PG_ROOT/server.log' -w -t 60 \
    -o \"-k '$ORVA_PG_ROOT/socket' -p $ORVA_PG_PORT -c listen_addresses='' -c fsync=off -c max_connections=200\" start" \
    > /dev/null
}
