#!/usr/bin/env bash
# CI: builds the Debian package as the README's Install section does, runs lintian on it, unpacks
# it into a temporary root and checks what a user gets from there: the desktop entry and the
# metainfo validate, the man pages, bash completion, and the installed norvel-batch replacing
# codes in a sample database. As root it installs the tools it needs.
# BUILD_DIR (default build-package) is configured for /usr, as the README says.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-package}

tools=(dpkg-dev lintian desktop-file-utils appstream help2man bash-completion sqlite3 file man-db
  groff-base)
missing=()
for p in "${tools[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [[ ${#missing[@]} -gt 0 ]]; then
  if [[ $(id -u) -ne 0 ]]; then
    echo "package-check: missing Debian packages: ${missing[*]} (install them as root)" >&2
    exit 1
  fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

echo "== building the package in $build"
# The build hardens itself (cmake/NorvelHardening.cmake): no flags from dpkg-buildflags, so that
# lintian judges what a user's build gives.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CCACHE_BASEDIR=$(cd .. && pwd) cmake -S . -B "$build" -G Ninja "${launcher[@]}" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DNORVEL_BUILD_TESTS=OFF -DNORVEL_BUILD_BENCH=OFF -DNORVEL_MAN_PAGES=ON >/dev/null
CCACHE_BASEDIR=$(cd .. && pwd) cmake --build "$build"
rm -f "$build"/norvel_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/norvel_*.deb)

echo "== $deb"
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"

# The window's Qt platform plugin is libqt6gui6's; Qt's own dialogs in Japanese come with
# qt6-translations-l10n.
dpkg-deb -f "$deb" Depends | grep -qw libqt6gui6
dpkg-deb -f "$deb" Recommends | grep -qw qt6-translations-l10n

echo "== lintian"
# Errors fail the check, and so do missing hardening and sections a stripped binary should not
# have; other warnings and notes are shown for a look.
findings=$(lintian --display-info "$deb" || true)
echo "$findings"
lintian --fail-on error "$deb" >/dev/null
if grep -E 'hardening-no-|binary-has-unneeded-section' <<<"$findings"; then
  echo "package-check: lintian finds missing hardening or unneeded sections" >&2
  exit 1
fi

tmp=$(mktemp -d)
trap 'chmod -R u+w "$tmp"; rm -rf "$tmp"' EXIT
chmod 755 "$tmp"
root=$tmp/root
dpkg-deb -x "$deb" "$root"
share=$root/usr/share

echo "== desktop entry, icons and metainfo"
desktop-file-validate "$share"/applications/*.desktop
appstreamcli validate --no-net --strict "$share"/metainfo/*.metainfo.xml
icon=$(grep -m1 '^Icon=' "$share"/applications/*.desktop | cut -d= -f2)
file "$share/icons/hicolor/32x32/apps/$icon.png" | grep -q '32 x 32'
test -s "$share/icons/hicolor/scalable/apps/$icon.svg"

echo "== man pages"
# Each page reads without a troff warning in any locale (the Japanese in it too), and
# norvel-batch's SYNOPSIS holds its whole usage.
for page in norvel norvel-batch norvel-pairs; do
  file=$share/man/man1/$page.1.gz
  zcat "$file" | grep -q '^\.SH NAME'
  for locale in C C.UTF-8; do
    warnings=$(env -i PATH=/usr/bin:/bin LANG=$locale MANWIDTH=80 man -l "$file" 2>&1 >/dev/null)
    [[ -z $warnings ]] || { echo "$page under LANG=$locale: $warnings" >&2; exit 1; }
  done
  warnings=$(zcat "$file" | groff -ww -man -Tutf8 2>&1 >/dev/null)
  [[ -z $warnings ]] || { echo "$page: groff -ww: $warnings" >&2; exit 1; }
done
synopsis=$(env -i PATH=/usr/bin:/bin LANG=C.UTF-8 MANWIDTH=200 man -l "$share/man/man1/norvel-batch.1.gz" |
  sed -n '/^SYNOPSIS/,/^DESCRIPTION/p')
for option in --db --connect --table --field --strict; do
  grep -q -- "$option" <<<"$synopsis" || { echo "norvel-batch's SYNOPSIS lacks $option" >&2; exit 1; }
done

echo "== bash completion"
# A completion offers the options, and only .xlsx files (and folders) after --xls.
mkdir -p "$tmp/files/sub" && touch "$tmp/files/book.xlsx" "$tmp/files/notes.txt"
completions=$(cd "$tmp/files" && bash -c '
  source /usr/share/bash-completion/bash_completion
  source "$1"
  complete_line() {
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    COMPREPLY=(); _norvel_batch; printf "%s\n" "${COMPREPLY[@]}"
  }
  complete_line norvel-batch --d
  complete_line norvel-batch --xls ""' _ "$share/bash-completion/completions/norvel-batch")
for want in --db --dry-run book.xlsx sub; do
  grep -qx -- "$want" <<<"$completions" || { echo "completion lacks $want" >&2; exit 1; }
done
if grep -qx notes.txt <<<"$completions"; then
  echo "completion offers notes.txt after --xls" >&2
  exit 1
fi

echo "== the installed programs"
for program in norvel norvel-batch norvel-pairs; do
  if ldd "$root/usr/bin/$program" | grep 'not found'; then exit 1; fi
done
# An ordinary user with a home of their own runs the installed copy (root may write anywhere,
# which would hide where the programs keep their files).
run_as=()
if [[ $(id -u) -eq 0 ]]; then
  user=${NORVEL_CI_USER:-norvel-ci}
  id "$user" >/dev/null 2>&1 || useradd --create-home --shell /bin/bash "$user"
  run_as=(runuser -u "$user" --)
fi
chmod -R a-w "$root/usr"
home=$tmp/home
mkdir -p "$home" "$tmp/sample"
"$build/bin/norvel-sample" --out "$tmp/sample" >/dev/null
chmod -R a+rwX "$home" "$tmp/sample"
installed() {
  "${run_as[@]}" env -i HOME="$home" PATH="$root/usr/bin:/usr/bin:/bin" LANG=C.UTF-8 "$@"
}
db=$tmp/sample/sample.sqlite
count() { sqlite3 "$db" "SELECT count(*) FROM 住所 WHERE 郵便番号 = '$1'"; }
old=$(head -n1 "$tmp/sample/norvel-batch.csv" | cut -d, -f1)
new=$(head -n1 "$tmp/sample/norvel-batch.csv" | cut -d, -f2 | tr -d '\r')
before_old=$(count "$old")
installed norvel-batch --db "$db" --table 住所 --field 郵便番号 --quiet \
  --pairs "$tmp/sample/norvel-batch.csv"
test "$(count "$old")" -eq 0
test "$(count "$new")" -ge "$before_old"

# --version of both installed programs, and the pair list an installed norvel-batch reads from
# ~/.config/norvel when none is beside it.
installed norvel-batch --version | grep -q "$(dpkg-deb -f "$deb" Version)"
installed norvel-pairs --version | grep -q "$(dpkg-deb -f "$deb" Version)"
installed env QT_QPA_PLATFORM=offscreen norvel --version | grep -q "$(dpkg-deb -f "$deb" Version)"
# norvel-batch's own texts follow the locale: Japanese from the installed catalog under ja_JP
# (scripts/install-deps.sh generates that locale), English in the man page.
test -s "$share/locale/ja/LC_MESSAGES/norvel-batch.mo"
if ! locale -a | grep -qixE 'ja_JP\.utf-?8'; then
  echo "package-check: the ja_JP.UTF-8 locale is missing (scripts/install-deps.sh makes it)" >&2
  exit 1
fi
help=$(installed env LANG=ja_JP.UTF-8 norvel-batch --help)
grep -q '^使い方: norvel-batch' <<<"$help"
page=$(zcat "$share/man/man1/norvel-batch.1.gz")
grep -q 'Replaces postal codes' <<<"$page"
# Without --pairs the installed norvel-batch reads ~/.config/norvel/norvel-batch.csv.
"$build/bin/norvel-sample" --out "$tmp/sample2" >/dev/null
chmod -R a+rwX "$tmp/sample2"
installed mkdir -p "$home/.config/norvel"
installed cp "$tmp/sample2/norvel-batch.csv" "$home/.config/norvel/norvel-batch.csv"
db=$tmp/sample2/sample.sqlite
installed norvel-batch --db "$db" --table 住所 --field 郵便番号 --quiet
test "$(count "$old")" -eq 0
echo "package-check: $deb is fine"
