#!/usr/bin/env bash
# The Windows packages from a mingw build folder: a per-user installer (NSIS) and a portable zip,
# for the bitness the build was made for.
#   scripts/windows-package.sh build-mingw [out-dir]
# Packs bin/norvel-batch.exe and bin/norvel-pairs.exe, and bin/norvel.exe when the build has the
# window; the programs are stripped of their symbols. Needs makensis (apt-get install
# nsis), zip and the mingw binutils. Prints the two files it wrote.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=$(realpath "${1:?usage: windows-package.sh <mingw build dir> [out dir]}")
out_dir=$(realpath -m "${2:-$build_dir/package}")

for tool in makensis zip; do
  command -v "$tool" >/dev/null || {
    echo "windows-package: $tool is missing (apt-get install nsis zip)" >&2
    exit 2
  }
done
bin="$build_dir/bin"
programs=(norvel-batch.exe norvel-pairs.exe)
for program in "${programs[@]}"; do
  [[ -f $bin/$program ]] || {
    echo "windows-package: $bin/$program is missing: build norvel-batch and norvel-pairs first" >&2
    exit 2
  }
done
window=()
if [[ -f $bin/norvel.exe ]]; then
  programs+=(norvel.exe)
  window=(-DWINDOW)
fi

# The bitness from the PE header, and the matching binutils.
case $(x86_64-w64-mingw32-objdump -f "$bin/norvel-batch.exe" | sed -n 's/.*file format //p') in
  pei-x86-64) bits=64 triplet=x86_64-w64-mingw32 ;;
  pei-i386) bits=32 triplet=i686-w64-mingw32 ;;
  *)
    echo "windows-package: $bin/norvel-batch.exe is no Windows program" >&2
    exit 2
    ;;
esac
strip_tool=$triplet-strip
command -v "$strip_tool" >/dev/null || strip_tool=x86_64-w64-mingw32-strip
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")
[[ -n $version ]] || version=0.0.0
name="norvel-$version-win$bits"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/$name" "$out_dir"
for program in "${programs[@]}"; do
  "$strip_tool" --strip-all -o "$stage/$name/$program" "$bin/$program"
done
# Notepad reads UTF-8 with or without a BOM; CR LF for older ones.
{
  printf '\xEF\xBB\xBF'
  sed 's/$/\r/' <<TEXT
郵便番号置換ユーティリティ (norvel) $version、Windows $bits ビット版

norvel-batch.exe  1 つのテーブルの 1 つのフィールドの郵便番号を置換します（norvel-batch --help）
norvel-pairs.exe  置換リストを作ります（norvel-pairs --help）
$( [[ ${#window[@]} -gt 0 ]] && echo "norvel.exe        ウィンドウ版" )

置換リストは、ポータブル版（この zip）ではプログラムのフォルダーに書き込めればそこに、
書き込めなければ %APPDATA%\\norvel\\ に置きます。インストーラーでインストールしたものは
%APPDATA%\\norvel\\ に置きます（プログラムのフォルダーに置換リストがあればそれを使います）。

Access の .mdb は、Windows に付属の 32 ビットの Jet ドライバーで開くため 32 ビット版で
開けます。64 ビット版では 64 ビットの Access データベース エンジン（64 ビットの Office）が
必要です。
TEXT
} >"$stage/$name/README.txt"

# The installer's marker, outside the zip: an installed copy keeps its pair list in %APPDATA%
# (src/platform/win32/win32_process.h). Its name is all the programs read.
mkdir -p "$stage/installed"
{
  printf '\xEF\xBB\xBF'
  printf 'このフォルダーのプログラムはセットアップでインストールしたものです。\r\n'
  printf '置換リストは %%APPDATA%%\\norvel\\ に保存します。\r\n'
} >"$stage/installed/norvel-installed.txt"

zip_file="$out_dir/$name-portable.zip"
rm -f "$zip_file"
(cd "$stage" && zip -q -r -X "$zip_file" "$name")

setup="$out_dir/$name-setup.exe"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DBITS="$bits" \
  -DSTAGE="$stage/$name" -DMARKER="$stage/installed/norvel-installed.txt" -DOUTFILE="$setup" \
  "${window[@]}" scripts/windows-installer.nsi >&2
echo "$setup"
echo "$zip_file"
