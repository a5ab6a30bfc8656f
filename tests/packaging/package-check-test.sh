#!/usr/bin/env bash
# Each row lays out a package folder and expects the check to pass, or to fail naming why.
#   package-check-test.sh <repo> <win64-bin>
set -uo pipefail
repo=${1:?repo}; bin=${2:?win64 bin}
check="$repo/packaging/package-check.sh"
strip64() { "$repo/packaging/strip-program.sh" x86_64-w64-mingw32-objcopy "$@"; }
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
failures=0

# expect <kind> <folder> <"ok" or a text the refusal must contain> <what the row is>
expect() {
  local out rc
  out=$("$check" "$1" "$2" 2>&1); rc=$?
  if [ "$3" = ok ]; then
    [ $rc = 0 ] && return
  elif [ $rc != 0 ] && grep -qF -- "$3" <<<"$out"; then
    return
  fi
  echo "FAILED: $4: expected '$3', got (rc $rc): $out"; failures=$((failures + 1))
}

# The co-installer's folder from <DLL to ship> [strip|keep]; extra files come after.
coin() {
  local dir how=$2; dir=$(mktemp -d "$work/coin.XXXX")
  mkdir -p "$dir/built"
  cp "$1" "$dir/built/skrcoinx.dll"
  case "$how" in
    strip) strip64 "$dir/built/skrcoinx.dll" "$dir" ;;
    nolink) x86_64-w64-mingw32-objcopy --strip-all "$dir/built/skrcoinx.dll" "$dir/skrcoinx.dll" ;;
    keep) cp "$dir/built/skrcoinx.dll" "$dir/" ;;
  esac
  rm -rf "$dir/built"
  cp "$repo/packaging/skrcoinx.txt" "$dir/"
  echo "$dir"
}
expect coinstaller "$(coin "$bin/skrcoinx.dll" strip)" ok "the shipped DLL, stripped"
expect coinstaller "$(coin "$bin/skrcoinx.dll" keep)" "carries debugging sections" "an unstripped DLL"
expect coinstaller "$(coin "$bin/skrcoinx.dll" nolink)" "not linked to its debugging file" "no link to the debugging file"
expect coinstaller "$(coin "$bin/hooked/skrcoinx.dll" strip)" "the tests' build" "the tests' build"
expect coinstaller "$(coin "$bin/coinstaller_host.exe" strip)" "is not a DLL" "a program"
expect coinstaller "$(coin "$bin/VxMultiLang.dll" strip)" "does not export CoDeviceInstall" "another DLL"
expect coinstaller "$(coin "$repo/packaging/skrcoinx.txt" keep)" "not an x86-64 program" "a text file"
d=$(coin "$bin/skrcoinx.dll" strip); cp "$bin/skrcoinx.dll" "$d/skrcoinx.dll.debug"
expect coinstaller "$d" "must not ship" "the debugging file beside the DLL"
d=$(coin "$bin/skrcoinx.dll" strip); rm "$d/skrcoinx.txt"
expect coinstaller "$d" "skrcoinx.txt is missing" "no text"

# The wizard's check, with a small i386 program built with debugging information.
printf 'int main(void) { return 0; }\n' > "$work/tiny.c"
i686-w64-mingw32-gcc -g -o "$work/tiny.exe" "$work/tiny.c" || { echo "FAILED: no i386 compiler"; exit 1; }
wizard() {
  local dir; dir=$(mktemp -d "$work/wiz.XXXX")
  mkdir -p "$dir/OS/AutoUnattend/x64"
  touch "$dir/config.xml" "$dir/Folders.txt"
  for f in BrindleSln.exe VxMultiLang.dll; do
    cp "$work/tiny.exe" "$work/$f"
    if [ "$1" = strip ]; then
      "$repo/packaging/strip-program.sh" i686-w64-mingw32-objcopy "$work/$f" "$dir"
    else
      cp "$1" "$dir/$f"
    fi
  done
  echo "$dir"
}
expect wizard "$(wizard strip)" ok "stripped i386 programs"
expect wizard "$(wizard "$work/tiny.exe")" "carries debugging sections" "unstripped i386 programs"
expect wizard "$(wizard "$bin/BrindleSln.exe")" "is not an i386 program" "64-bit programs"
d=$(wizard strip); cp "$bin/dismapi.dll" "$d/"
expect wizard "$d" "must not ship" "the DISM stand-in"
d=$(wizard strip); touch "$d/OS/AutoUnattend/x64/driver.inf"
expect wizard "$d" "must be empty" "a file in a folder beside the program"

[ $failures = 0 ] && echo "all rows passed"
exit $((failures > 0))
