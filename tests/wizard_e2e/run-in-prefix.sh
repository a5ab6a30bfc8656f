#!/usr/bin/env bash
# Runs a wizard test program in the end-to-end Wine prefix, where drive Q: holds a fresh
# sample disc and drive S: an empty folder standing for a USB stick's root. The disk fake
# in the program tells what kind of drive each letter is.
#   run-in-prefix.sh <repo> <build-dir> <program> [arguments...]
set -euo pipefail
repo=$1; build=$2; prog=$3; shift 3
work="$build/wizard-e2e"
export WINEPREFIX="$build/e2e-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=;winedbg.exe=d"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1 </dev/null || true
fi
"$repo/packaging/sample-disc.sh" "$work/flow-disc" SAMPLE_X64_DVD
rm -rf "$work/flow-stick"; mkdir -p "$work/flow-stick"
ln -sfn "$work/flow-disc" "$WINEPREFIX/dosdevices/q:"
ln -sfn "$work/flow-stick" "$WINEPREFIX/dosdevices/s:"
# Without a window manager Wine waits two seconds for each hidden window to be withdrawn:
# the wizard's windows are left unmanaged.
wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$(basename "$prog")\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1 </dev/null || true
# Wine's background programs start detached from ctest's output, or it would wait on them.
wineboot >/dev/null 2>&1 </dev/null || true
rc=0
cd "$build/bin"
WIZARD_DISC_LETTER=Q WIZARD_STICK_LETTER=S wine "$prog" "$@" || rc=$?
wineserver -k >/dev/null 2>&1 || true
exit $rc
