#!/usr/bin/env bash
# Serves a folder as an optical drive of a Wine prefix (WINEPREFIX must be set).
#   wine-cdrom.sh <letter> <folder>     e.g. wine-cdrom.sh r /tmp/disc
# The folder's ".windows-label" gives the volume label. The wine server is restarted so
# the drive's type takes effect (every program of the prefix ends).
set -euo pipefail
letter=${1:?letter}; folder=${2:?folder}
letter=${letter,,}
: "${WINEPREFIX:?WINEPREFIX must be set}"
[ -d "$folder" ] || { echo "wine-cdrom: no folder $folder" >&2; exit 1; }
ln -sfn "$(cd "$folder" && pwd)" "$WINEPREFIX/dosdevices/$letter:"
wine reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /t REG_SZ /d cdrom /f >/dev/null 2>&1
wineserver -k 2>/dev/null || true
