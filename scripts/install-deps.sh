#!/usr/bin/env bash
# Installs the Debian 12 packages Norvel builds, tests and runs with, when any is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config dpkg-dev help2man
  libgtest-dev libgmock-dev
  qt6-base-dev libqt6widgets6 qt6-translations-l10n fonts-noto-cjk
  libsqlite3-dev sqlite3
  unixodbc unixodbc-dev odbc-postgresql libsqliteodbc odbc-mariadb odbc-mdbtools
  libzip-dev libpugixml-dev libcli11-dev
  python3 python3-openpyxl
  postgresql-15 mariadb-server
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
if [[ $(id -u) -ne 0 ]]; then
  if ! command -v sudo >/dev/null; then
    echo "install-deps: these Debian packages are missing: ${missing[*]}" >&2
    echo "install-deps: installing them needs root, and there is no sudo here. Run as root:" >&2
    echo "  apt-get update && apt-get install --no-install-recommends ${missing[*]}" >&2
    echo "or install sudo and give this user sudo rights, then run this script again." >&2
    exit 1
  fi
  sudo=(sudo)
fi
echo "installing: ${missing[*]}" >&2
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
  "${missing[@]}" >&2
