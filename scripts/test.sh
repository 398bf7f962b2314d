#!/usr/bin/env bash
# Installs what is missing, builds ORVA and its tests, starts a private
# PostgreSQL server, runs the whole suite and stops the server again.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > build-configure.log 2>&1 || { cat build-configure.log; exit 1; }
cmake --build build -j2

source tests/support/pgserver.sh
trap orva_pg_stop EXIT
orva_pg_start

cd build
ctest --output-on-failure -j2 --timeout 600
