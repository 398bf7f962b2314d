#!/usr/bin/env bash
# Installs what is missing, builds ORVA and its file-database driver,
# registers the driver for text, dBase and Excel files, prepares the sample
# database as the ODBC data source "ORVA Sample" for this user, and starts ORVA.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > build-configure.log 2>&1 || { cat build-configure.log; exit 1; }
cmake --build build -j2 --target orva orva_filedriver
bash scripts/register-drivers.sh build/src/filedriver/liborva_filedriver.so
bash scripts/sample-db.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting ORVA on a virtual X server (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1280x800x24" ./build/orva "$@"
fi
exec ./build/orva "$@"
