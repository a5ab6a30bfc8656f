#!/usr/bin/env bash
# Checks a laid-out package folder before it is zipped; names every fault, fails on any.
#   package-check.sh wizard <folder>       the 32-bit wizard with the folders beside it
#   package-check.sh coinstaller <folder>  the 64-bit device co-installer and its text
set -uo pipefail
kind=${1:?wizard or coinstaller}; pkg=${2:?package folder}; pkg=${pkg%/}
ok=1
fault() { echo "package: $*"; ok=0; }
[ -d "$pkg" ] || { echo "package: $pkg is not a folder"; exit 1; }

# A shipped program carries no debugging sections and no symbol table, only the link to
# its debugging file, which stays in the build tree.
check_stripped() {
  local od=$1 f=$2 sections link tmp
  sections=$($od -h "$f" 2>/dev/null | awk '$1 ~ /^[0-9]+$/ && $2 ~ /^\.(z?debug|stab)/ { print $2 }')
  [ -z "$sections" ] || fault "$f carries debugging sections:" $sections
  $od -f "$f" 2>/dev/null | grep -q 'HAS_SYMS' && fault "$f carries a symbol table"
  tmp=$(mktemp -d)
  link=
  if ${od%objdump}objcopy --dump-section .gnu_debuglink="$tmp/link" "$f" "$tmp/copy" 2>/dev/null &&
     [ -f "$tmp/link" ]; then
    link=$(tr '\0' '\n' < "$tmp/link" | head -n1)
  fi
  rm -rf "$tmp"
  [ "$link" = "$(basename "$f").debug" ] || fault "$f is not linked to its debugging file $(basename "$f").debug"
}

# The DLL bit of the PE header's characteristics.
is_dll() {
  local value
  value=$(sed -n 's/^Characteristics[[:space:]]*0x\([0-9a-fA-F]*\).*/\1/p' <<<"$1" | head -n1)
  [ -n "$value" ] && (( 0x$value & 0x2000 ))
}

case "$kind" in
  wizard)
    od=i686-w64-mingw32-objdump
    while IFS= read -r -d '' f; do
      base=$(basename "$f")
      case "${base,,}" in
        dismapi.dll|oscdimg.exe|diskpart.exe|msiexec.exe|test_*|*test*.exe|*.pdb|*.a|*.obj|*.debug)
          fault "$f must not ship"; continue ;;
      esac
      case "${base,,}" in
        *.exe|*.dll)
          if $od -f "$f" 2>/dev/null | grep -q 'file format pei-i386'; then
            check_stripped "$od" "$f"
          else
            fault "$f is not an i386 program"
          fi ;;
      esac
    done < <(find "$pkg" -type f -print0)
    for f in BrindleSln.exe VxMultiLang.dll config.xml Folders.txt; do
      [ -f "$pkg/$f" ] || fault "$f is missing"
    done
    if [ -n "$(find "$pkg" -mindepth 2 -type f)" ]; then
      fault "the folders beside the program must be empty:" $(find "$pkg" -mindepth 2 -type f)
    fi ;;
  coinstaller)
    od=x86_64-w64-mingw32-objdump
    dll="$pkg/skrcoinx.dll"
    # The DLL and its text, nothing else.
    while IFS= read -r -d '' f; do
      case "${f#"$pkg"/}" in
        skrcoinx.dll|skrcoinx.txt) [ -f "$f" ] && continue ;;
      esac
      fault "$f must not ship"
    done < <(find "$pkg" -mindepth 1 -print0)
    [ -f "$pkg/skrcoinx.txt" ] || fault "skrcoinx.txt is missing"
    if [ ! -f "$dll" ]; then
      fault "skrcoinx.dll is missing"
    else
      header=$($od -p "$dll" 2>/dev/null)
      if ! grep -q 'file format pei-x86-64' <<<"$header"; then
        fault "$dll is not an x86-64 program"
      else
        is_dll "$header" || fault "$dll is not a DLL"
        grep -qE '\]\s+CoDeviceInstall$' <<<"$header" || fault "$dll does not export CoDeviceInstall"
        check_stripped "$od" "$dll"
      fi
      # The tests' build starts whatever this variable names: it never leaves the test tree.
      LC_ALL=C grep -aq 'SKRCOINX_TEST_MSIEXEC' "$dll" && fault "$dll is the tests' build"
    fi ;;
  *) echo "package: unknown kind $kind"; exit 2 ;;
esac
[ $ok = 1 ]
