#!/bin/sh
# Runs a Windows test program under wine64 in the build tree's own prefix.
# Usage: wine-run.sh <build-dir> <program> [args...]
build=$1; shift
export WINEPREFIX="${WINEPREFIX:-$build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=;mshtml=;winedbg.exe=d}"
exec wine "$@"
