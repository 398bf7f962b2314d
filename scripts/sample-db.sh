#!/usr/bin/env bash
# Creates the sample SQLite database from resources/sample/sample.sql (once)
# and registers it for this user as the ODBC data source "ORVA Sample" on the
# SQLite3 driver. Other data sources in ~/.odbc.ini are left as they are.
set -euo pipefail
cd "$(dirname "$0")/.."

data_dir="${XDG_DATA_HOME:-$HOME/.local/share}/orva"
db="$data_dir/sample.db"
mkdir -p "$data_dir"
if [ ! -s "$db" ] || [ resources/sample/sample.sql -nt "$db" ]; then
  rm -f "$db.new"
  sqlite3 "$db.new" < resources/sample/sample.sql > /dev/null
  mv -f "$db.new" "$db"
  echo "sample-db: created $db"
fi

template=$(mktemp)
trap 'rm -f "$template"' EXIT
cat > "$template" <<INI
[ORVA Sample]
Description=ORVA sample database
Driver=SQLite3
Database=$db
INI
odbcinst -i -s -h -f "$template" > /dev/null
echo "sample-db: data source \"ORVA Sample\" -> $db"
