#!/usr/bin/env bash
# Copies a built program into a package without its debugging information. That goes
# into <program>.debug beside the built program, and the shipped copy is linked to it
# (name and checksum), so an address from a technician's crash can still be read here.
#   strip-program.sh <objcopy> <built program> <package folder>
set -euo pipefail
oc=${1:?objcopy}; built=${2:?program}; dest=${3:?package folder}
debug="$built.debug"
"$oc" --only-keep-debug "$built" "$debug"
"$oc" --strip-all --add-gnu-debuglink="$debug" "$built" "$dest/$(basename "$built")"
