#!/usr/bin/env bash
# Runs the real-wizard test in a Wine prefix of its own, where drive R: is an optical
# drive holding the sample disc and the wizard sits in a folder laid out like the package.
#   run-real-wizard.sh <repo> <build-dir>
set -euo pipefail
repo=$1; build=$2
work="$build/wizard-e2e"
export WINEPREFIX="$build/e2e-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=;winedbg.exe=d"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1 </dev/null || true
fi
# Wine links the Desktop to the user's home folder: the image the test writes there must
# stay inside this prefix, apart from other builds' runs.
for desk in "$WINEPREFIX"/drive_c/users/*/Desktop; do
  [ -L "$desk" ] && rm "$desk" && mkdir "$desk"
done
"$repo/packaging/trial-folder.sh" "$repo" "$build/bin" "$work/BrindleSln"
"$repo/packaging/sample-disc.sh" "$work/disc" SAMPLE_X64_DVD
"$repo/packaging/wine-cdrom.sh" r "$work/disc"
# Without a window manager Wine waits two seconds for each hidden window to be withdrawn:
# the wizard's windows are left unmanaged.
wine reg add "HKCU\\Software\\Wine\\AppDefaults\\BrindleSln.exe\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1 </dev/null || true
# Wine's background programs start detached from ctest's output, or it would wait on them.
wineboot >/dev/null 2>&1 </dev/null || true
rc=0
cd "$build/bin"
BRINDLE_TRIAL="$(winepath -w "$work/BrindleSln")" wine ./test_wizard_real.exe || rc=$?
wineserver -k >/dev/null 2>&1 || true
exit $rc
