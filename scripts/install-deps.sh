#!/usr/bin/env bash
# Installs the Debian 12 packages Norvel builds, tests and runs with, when any is missing, and
# generates the ja_JP.UTF-8 locale.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config dpkg-dev help2man
  libgtest-dev libgmock-dev
  qt6-base-dev libqt6widgets6 qt6-translations-l10n fonts-noto-cjk
  libsqlite3-dev sqlite3
  unixodbc unixodbc-dev odbc-postgresql libsqliteodbc odbc-mariadb odbc-mdbtools
  libzip-dev libpugixml-dev libexpat1-dev libcli11-dev gettext locales
  python3 python3-openpyxl
  postgresql-15 mariadb-server
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# norvel-batch's Japanese texts are tested under ja_JP.UTF-8, which Debian does not generate
# by default.
locale_missing=false
locale -a 2>/dev/null | grep -qixE 'ja_JP\.utf-?8' || locale_missing=true
[[ ${#missing[@]} -eq 0 && $locale_missing == false ]] && exit 0

sudo=()
if [[ $(id -u) -ne 0 ]]; then
  if ! command -v sudo >/dev/null; then
    if [[ ${#missing[@]} -eq 0 ]]; then
      echo "install-deps: the ja_JP.UTF-8 locale is missing (its tests are skipped); as root:" >&2
      echo "  localedef -i ja_JP -f UTF-8 ja_JP.UTF-8" >&2
      exit 0
    fi
    echo "install-deps: these Debian packages are missing: ${missing[*]}" >&2
    echo "install-deps: installing them needs root, and there is no sudo here. Run as root:" >&2
    echo "  apt-get update && apt-get install --no-install-recommends ${missing[*]}" >&2
    echo "  localedef -i ja_JP -f UTF-8 ja_JP.UTF-8" >&2
    echo "or install sudo and give this user sudo rights, then run this script again." >&2
    exit 1
  fi
  sudo=(sudo)
fi
if [[ ${#missing[@]} -gt 0 ]]; then
  echo "installing: ${missing[*]}" >&2
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >&2
fi
if [[ $locale_missing == true ]]; then
  echo "generating the ja_JP.UTF-8 locale" >&2
  "${sudo[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
