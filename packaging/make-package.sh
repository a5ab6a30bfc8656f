#!/usr/bin/env bash
# Lays out the Windows package from a 32-bit build and checks it: a folder and a zip.
#   make-package.sh <repo> <win32-bin> <out-folder>
# Only the shipped i386 programs go in; a stand-in, a test program or a 64-bit file
# makes the check fail.
set -euo pipefail
repo=${1:?repo}; bin=${2:?win32 bin}; out=${3:?out}
name=BrindleSln
pkg="$out/$name"
od=i686-w64-mingw32-objdump
die() { printf 'package: %s\n' "$*" >&2; exit 1; }

for f in BrindleSln.exe VxMultiLang.dll; do
  [ -f "$bin/$f" ] || die "$bin/$f is missing (build win32 first)"
done
[ -f "$repo/assets/config.xml" ] || die "assets/config.xml is missing"

rm -rf "$pkg" "$out/$name.zip"
mkdir -p "$pkg"
cp "$bin/BrindleSln.exe" "$bin/VxMultiLang.dll" "$pkg/"
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

# The check: every program is i386, nothing is a stand-in or a test, the folders are empty.
ok=1
while IFS= read -r -d '' f; do
  base=$(basename "$f")
  case "${base,,}" in
    dismapi.dll|oscdimg.exe|diskpart.exe|msiexec.exe|test_*|*test*.exe|*.pdb|*.a|*.obj)
      echo "package: $f must not ship"; ok=0; continue ;;
  esac
  case "${base,,}" in
    *.exe|*.dll)
      $od -f "$f" 2>/dev/null | grep -q 'file format pei-i386' || { echo "package: $f is not an i386 program"; ok=0; } ;;
  esac
done < <(find "$pkg" -type f -print0)
if [ -n "$(find "$pkg" -mindepth 2 -type f)" ]; then
  echo "package: the folders beside the program must be empty:"; find "$pkg" -mindepth 2 -type f; ok=0
fi
[ $ok = 1 ] || die "check failed"

(cd "$out" && cmake -E tar cf "$name.zip" --format=zip "$name")
printf 'package: %s and %s\n' "$pkg" "$out/$name.zip"
