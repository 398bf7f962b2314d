#!/usr/bin/env bash
# Registers ORVA's file-database driver with the ODBC driver manager under the
# three driver names that file-database connections use (text, dBase, Excel),
# and the installed Access driver (mdbtools) under the Access name. A name
# that is already registered with the same library is left alone, so running
# this again changes nothing; other registrations are never touched.
#
# Usage: register-drivers.sh [path of liborva_filedriver.so]
# The driver list is the system odbcinst.ini (ODBCSYSINI when set); writing
# it needs root, so sudo is used when needed and available.
set -euo pipefail
cd "$(dirname "$0")/.."

library="$(realpath "${1:-build/src/filedriver/liborva_filedriver.so}")"
[ -f "$library" ] || { echo "register-drivers: $library not found (build the orva_filedriver target first)" >&2; exit 1; }

as_admin=()
if [ "$(id -u)" -ne 0 ] && [ -z "${ODBCSYSINI:-}" ]; then
  if command -v sudo > /dev/null; then as_admin=(sudo); else
    echo "register-drivers: not root and no sudo: drivers not registered" >&2; exit 1
  fi
fi

# register <driver name> <library> <description>
register() {
  local name="$1" driver="$2" description="$3" current
  current="$(odbcinst -q -d -n "$name" 2> /dev/null | sed -n 's/^Driver[[:space:]]*=[[:space:]]*//p' | head -n 1)" || true
  if [ "$current" = "$driver" ]; then
    echo "register-drivers: \"$name\" already registered"
    return
  fi
  printf '[%s]\nDescription=%s\nDriver=%s\nThreading=0\n' "$name" "$description" "$driver" |
    "${as_admin[@]}" odbcinst -i -d -r > /dev/null
  echo "register-drivers: \"$name\" -> $driver"
}

register "Microsoft Text Driver (*.txt; *.csv)" "$library" "ORVA file driver: delimited text files"
register "Microsoft dBase Driver (*.dbf)" "$library" "ORVA file driver: dBase III files"
register "Microsoft Excel Driver (*.xls)" "$library" "ORVA file driver: Excel 97-2003 workbooks (read-only)"

mdb=""
for dir in /usr/lib/x86_64-linux-gnu/odbc /usr/lib/aarch64-linux-gnu/odbc /usr/lib64/odbc /usr/lib/odbc /usr/local/lib/odbc; do
  if [ -f "$dir/libmdbodbc.so" ]; then mdb="$dir/libmdbodbc.so"; break; fi
done
if [ -n "$mdb" ]; then
  register "Microsoft Access Driver (*.mdb)" "$mdb" "MDB Tools Access driver (read-only)"
else
  echo "register-drivers: mdbtools ODBC driver not installed: no Access driver registered"
fi
