#!/usr/bin/env bash
# Lays out the device co-installer's package from a 64-bit build and checks it: a folder
# and a zip holding the stripped skrcoinx.dll and its text. Its debugging information
# stays in skrcoinx.dll.debug beside the build's DLL. The tests' build of the DLL (in
# the bin folder's "hooked" folder) is never taken.
#   make-coinstaller-package.sh <repo> <win64-bin> <out-folder>
set -euo pipefail
repo=${1:?repo}; bin=${2:?win64 bin}; out=${3:?out}
name=skrcoinx
pkg="$out/$name"
die() { printf 'package: %s\n' "$*" >&2; exit 1; }

[ -f "$bin/skrcoinx.dll" ] || die "$bin/skrcoinx.dll is missing (build win64 first)"
rm -rf "$pkg" "$out/$name.zip"
mkdir -p "$pkg"
"$repo/packaging/strip-program.sh" x86_64-w64-mingw32-objcopy "$bin/skrcoinx.dll" "$pkg"
cp "$repo/packaging/skrcoinx.txt" "$pkg/"
"$repo/packaging/package-check.sh" coinstaller "$pkg" || { rm -rf "$pkg"; die "check failed: no package made"; }

(cd "$out" && cmake -E tar cf "$name.zip" --format=zip "$name")
printf 'package: %s and %s\n' "$pkg" "$out/$name.zip"
