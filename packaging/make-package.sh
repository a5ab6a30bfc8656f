#!/usr/bin/env bash
# Lays out the Windows package from a 32-bit build and checks it: a folder and a zip.
#   make-package.sh <repo> <win32-bin> <out-folder>
# Only the shipped i386 programs go in, stripped: their debugging information stays in
# <program>.debug beside the build's programs. A stand-in, a test program, a 64-bit file
# or a program that still carries debugging sections makes the check fail.
set -euo pipefail
repo=${1:?repo}; bin=${2:?win32 bin}; out=${3:?out}
name=BrindleSln
pkg="$out/$name"
die() { printf 'package: %s\n' "$*" >&2; exit 1; }

for f in BrindleSln.exe VxMultiLang.dll; do
  [ -f "$bin/$f" ] || die "$bin/$f is missing (build win32 first)"
done
[ -f "$repo/assets/config.xml" ] || die "assets/config.xml is missing"

rm -rf "$pkg" "$out/$name.zip"
mkdir -p "$pkg"
for f in BrindleSln.exe VxMultiLang.dll; do
  "$repo/packaging/strip-program.sh" i686-w64-mingw32-objcopy "$bin/$f" "$pkg"
done
cp "$repo/assets/config.xml" "$pkg/"
# The licence texts config.xml names, in the encodings the licence page reads.
while IFS= read -r licence; do
  [ -n "$licence" ] || continue
  [ -f "$repo/assets/$licence" ] || die "config.xml names $licence, which assets/ lacks"
  cp "$repo/assets/$licence" "$pkg/"
done < <(sed -n '/<eula>/,/<\/eula>/p' "$repo/assets/config.xml" | grep -o '<[A-Za-z]*>[^<]*</[A-Za-z]*>' |
         sed 's/<[^>]*>//g; s/\\/\//g; s/^[[:space:]]*//; s/[[:space:]]*$//' | sort -u)
cp "$repo/packaging/Folders.txt" "$pkg/"
for d in "OS/AutoUnattend/x64" "OS/AutoUnattend/x86" "Other/x64" "Other/x86" \
         "Hotfix/x64" "Hotfix/x86" "Hotfix/NVMe/x64" "Hotfix/NVMe/x86" "efi" \
         "Oscdimg_x86/Oscdimg" "Oscdimg_amd64/Oscdimg"; do
  mkdir -p "$pkg/$d"
done

"$repo/packaging/package-check.sh" wizard "$pkg" || { rm -rf "$pkg"; die "check failed: no package made"; }

(cd "$out" && cmake -E tar cf "$name.zip" --format=zip "$name")
printf 'package: %s and %s\n' "$pkg" "$out/$name.zip"
