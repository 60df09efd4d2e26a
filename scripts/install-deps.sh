#!/usr/bin/env bash
# Installs the Debian 12 packages Norvel needs, when any is missing:
#   install-deps.sh         what building, running and packaging need (scripts/run.sh)
#   install-deps.sh --test  that and what the tests need: GoogleTest, python3-openpyxl and
#                           python3-xlrd (they read the workbooks back), the PostgreSQL and
#                           MariaDB servers, the ja_JP.UTF-8 locale (scripts/test.sh)
# The servers are installed for their programs only: the tests start throwaway servers of their
# own, so the system's services are disabled, neither started now nor at boot.
set -euo pipefail

tests=false
if [[ ${1:-} == --test ]]; then tests=true; fi

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libqt6widgets6 qt6-translations-l10n fonts-noto-cjk
  libsqlite3-dev unixodbc unixodbc-dev odbc-postgresql libsqliteodbc odbc-mariadb odbc-mdbtools
  libzip-dev libpugixml-dev libexpat1-dev libcli11-dev gettext
  # The Debian package (README, Install): help2man writes the man pages, cpack's dependency
  # scan needs dpkg-shlibdeps and file.
  dpkg-dev help2man file
)
servers=(postgresql-15 mariadb-server)
if [[ $tests == true ]]; then
  packages+=(libgtest-dev libgmock-dev python3 python3-openpyxl python3-xlrd sqlite3 bash-completion
    locales "${servers[@]}")
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# norvel-batch's Japanese texts are tested under ja_JP.UTF-8, which Debian does not generate
# by default.
locale_missing=false
if [[ $tests == true ]]; then
  locale -a 2>/dev/null | grep -qixE 'ja_JP\.utf-?8' || locale_missing=true
fi
[[ ${#missing[@]} -eq 0 && $locale_missing == false ]] && exit 0

# The servers installed now, and their services: only those are disabled, a server already in
# use stays as it is.
new_servers=()
services=()
for p in "${missing[@]}"; do
  case $p in
    postgresql-*) new_servers+=("$p") services+=(postgresql) ;;
    mariadb-server) new_servers+=("$p") services+=(mariadb) ;;
  esac
done

# What to run as root when this script cannot: itself, or the same by hand; then the user starts
# again what they ran (run.sh and test.sh name themselves).
self="bash $(cd "$(dirname "$0")" && pwd)/$(basename "$0")${1:+ $1}"
again=${NORVEL_DEPS_CALLER:-scripts/install-deps.sh${1:+ $1}}
as_root_advice() {
  if [[ ${#missing[@]} -gt 0 ]]; then
    echo "install-deps: these Debian packages are missing: ${missing[*]}" >&2
  fi
  echo "install-deps: $1 Run as root:" >&2
  echo "  $self" >&2
  echo "or by hand:" >&2
  if [[ ${#missing[@]} -gt 0 ]]; then
    echo "  apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends ${missing[*]}" >&2
  fi
  if [[ ${#new_servers[@]} -gt 0 && -d /run/systemd/system ]]; then
    echo "  systemctl disable --now ${services[*]}   # the tests start servers of their own" >&2
  elif [[ ${#new_servers[@]} -gt 0 ]]; then
    # No systemd (a container, a chroot): the services' links are the init scripts'.
    echo "  for s in ${services[*]}; do update-rc.d \$s disable; done   # the tests start servers of their own" >&2
  fi
  if [[ $locale_missing == true ]]; then echo "  localedef -i ja_JP -f UTF-8 ja_JP.UTF-8" >&2; fi
  echo "then, as $(id -un), run $again again." >&2
}

sudo=()
if [[ $(id -u) -ne 0 ]]; then
  if ! command -v sudo >/dev/null; then
    if [[ ${#missing[@]} -eq 0 ]]; then
      echo "install-deps: the ja_JP.UTF-8 locale is missing (its tests are skipped); as root:" >&2
      echo "  localedef -i ja_JP -f UTF-8 ja_JP.UTF-8" >&2
      exit 0
    fi
    as_root_advice "installing them needs root, and there is no sudo here (or install sudo and give this user sudo rights)."
    exit 1
  fi
  # Asked once, before anything changes: a user sudo refuses (not in the sudoers file, no
  # terminal for the password) gets the commands instead of sudo's refusal alone.
  echo "install-deps: installing needs root; asking sudo" >&2
  if ! sudo -v; then
    as_root_advice "sudo refused this user."
    exit 1
  fi
  sudo=(sudo)
fi
# Through `env`: sudo drops the caller's environment, and debconf would ask its questions.
apt_get=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get)

if [[ ${#missing[@]} -gt 0 ]]; then
  echo "installing: ${missing[*]}" >&2
  policy=/usr/sbin/policy-rc.d
  if [[ ${#new_servers[@]} -gt 0 && ! -e $policy ]]; then
    # Keeps the packages' scripts from starting the servers while they install.
    printf '#!/bin/sh\nexit 101\n' | "${sudo[@]}" tee "$policy" >/dev/null
    "${sudo[@]}" chmod 755 "$policy"
    trap '"${sudo[@]}" rm -f "$policy"' EXIT
  fi
  "${apt_get[@]}" update -qq
  "${apt_get[@]}" install -y -qq --no-install-recommends "${missing[@]}" >&2
  if [[ ${#new_servers[@]} -gt 0 ]]; then
    enable="sudo systemctl enable --now ${services[*]}"
    if [[ -d /run/systemd/system ]]; then
      "${sudo[@]}" systemctl disable --now --quiet "${services[@]}" 2>/dev/null || true
    elif [[ -x /usr/sbin/update-rc.d ]]; then
      # By its path: an ordinary user's PATH has no sbin.
      for service in "${services[@]}"; do
        "${sudo[@]}" /usr/sbin/update-rc.d "$service" disable >/dev/null 2>&1 || true
      done
      enable="for s in ${services[*]}; do sudo update-rc.d \$s enable; done"
    fi
    echo "install-deps: ${new_servers[*]} installed with their services disabled: they do not" \
      "start at boot (the tests run servers of their own). To use them yourself: $enable" >&2
  fi
fi
if [[ $locale_missing == true ]]; then
  echo "generating the ja_JP.UTF-8 locale" >&2
  "${sudo[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
