#!/usr/bin/env bash
# Installs every Debian package ORVA needs to build, run and test.
# Idempotent: packages already present are skipped. Works as root or via sudo.
set -euo pipefail

PACKAGES=(
  # toolchain and tests
  g++ cmake make ccache pkg-config googletest libgtest-dev
  # GUI
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6printsupport6 libgl-dev
  # database access and drivers
  unixodbc unixodbc-dev libsqliteodbc odbc-postgresql odbc-mdbtools tdsodbc odbc-mariadb
  sqlite3 libsqlite3-dev
  # file databases (.xls reading) and .xlsx export
  libfreexl-dev libxlsxwriter-dev
  # test server
  postgresql
  # pictures, fonts
  libjpeg-dev fonts-wqy-microhei
  # independent readers of the files ORVA writes, and .xls fixtures
  python3 python3-openpyxl python3-xlwt
  # running the GUI headless (screenshots, the run command on a machine without a display)
  xvfb xauth
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
