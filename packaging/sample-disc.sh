#!/usr/bin/env bash
# Makes a small sample installation disc for trying the wizard under Wine: the layout the
# wizard and its engine read, with stand-in images the DISM stand-in opens ("images=N")
# and no Windows file at all. The result is not bootable.
#   sample-disc.sh <folder> [label]
# The folder is emptied first. Its ".windows-label" gives the volume label once Wine
# serves the folder as an optical drive.
set -euo pipefail
dest=${1:?usage: sample-disc.sh <folder> [label]}
label=${2:-SAMPLE_X64_DVD}
case "$dest" in /|"") echo "sample-disc: refusing to use '$dest'" >&2; exit 1;; esac

rm -rf "$dest"
mkdir -p "$dest/sources" "$dest/boot" "$dest/efi/microsoft/boot" "$dest/efi/boot" "$dest/upgrade"
crlf() { printf '%s\r\n' "$@"; }

# Setup image with the index the engine updates (2), and four editions to install.
printf 'images=2\n' > "$dest/sources/boot.wim"
printf 'images=4\n' > "$dest/sources/install.wim"
crlf '[BUILDINFO]' 'BuildArch=AMD64' 'BuildBranch=sample' > "$dest/sources/idwbinfo.txt"
crlf '[SKU]' 'Type=Retail' > "$dest/sources/product.ini"
crlf '[AutoRun.Amd64]' 'open=setup.exe' 'icon=setup.exe,0' '' '[AutoRun]' 'open=sources\SetupError.exe x64' 'icon=sources\SetupError.exe,0' > "$dest/AUTORUN.INF"
crlf 'Sample disc made for trying the wizard; not an installation disc.' > "$dest/setup.exe"
crlf 'sample boot manager' > "$dest/bootmgr"
crlf 'sample EFI boot manager' > "$dest/bootmgr.efi"
crlf 'sample boot sector' > "$dest/boot/etfsboot.com"
crlf 'sample EFI boot image' > "$dest/efi/microsoft/boot/efisys.bin"
crlf 'sample EFI loader' > "$dest/efi/boot/bootx64.efi"
# A few MB of filler, so the size shown and the copy progress have something to count.
head -c 3145728 /dev/zero | tr '\0' 'S' > "$dest/sources/setup.dll"
head -c 2097152 /dev/zero | tr '\0' 'U' > "$dest/upgrade/upgrade.dat"
printf '%s' "$label" > "$dest/.windows-label"
