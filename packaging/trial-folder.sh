#!/usr/bin/env bash
# Lays out a folder like the package, around the 64-bit wizard, for trying it under Wine:
# the DISM API and ISO tool stand-ins beside it and a few sample driver files, so an ISO
# job runs to its end. Nothing here is bootable; it is never shipped.
#   trial-folder.sh <repo> <win64-bin> <dest>
set -euo pipefail
repo=${1:?repo}; bin=${2:?win64 bin}; dest=${3:?dest}
die() { printf 'trial-folder: %s\n' "$*" >&2; exit 1; }
for f in BrindleSln.exe VxMultiLang.dll dismapi.dll oscdimg.exe; do
  [ -f "$bin/$f" ] || die "$bin/$f is missing (build win64 first)"
done
case "$dest" in /|"") die "refusing to use '$dest'";; esac
rm -rf "$dest"
mkdir -p "$dest"
cp "$bin/BrindleSln.exe" "$bin/VxMultiLang.dll" "$bin/dismapi.dll" "$dest/"
[ -f "$repo/assets/config.xml" ] && cp "$repo/assets/config.xml" "$dest/"
for f in "$repo"/assets/*.txt; do [ -f "$f" ] && cp "$f" "$dest/"; done
cp "$repo/packaging/Folders.txt" "$dest/"
crlf() { printf '%s\r\n' "$@"; }
for arch in x64 x86; do
  mkdir -p "$dest/OS/AutoUnattend/$arch/usb3" "$dest/Other/$arch" "$dest/Hotfix/$arch" "$dest/Hotfix/NVMe/$arch"
  crlf '[Version]' 'Signature="$Windows NT$"' "; sample xHCI driver package ($arch)" > "$dest/OS/AutoUnattend/$arch/usb3/samplexhci.inf"
  crlf "sample update package ($arch)" > "$dest/Hotfix/$arch/sample-usb3-$arch.msu"
  crlf "sample NVMe update package ($arch)" > "$dest/Hotfix/NVMe/$arch/sample-nvme-$arch.msu"
  crlf "sample tool for after setup ($arch)" > "$dest/Other/$arch/readme-$arch.txt"
done
crlf '<?xml version="1.0"?>' '<unattend/>' > "$dest/OS/AutoUnattend.xml"
mkdir -p "$dest/efi/boot"
crlf 'sample EFI loader' > "$dest/efi/boot/bootx64.efi"
for tool in Oscdimg_x86 Oscdimg_amd64; do
  mkdir -p "$dest/$tool/Oscdimg"
  cp "$bin/oscdimg.exe" "$dest/$tool/Oscdimg/"
  crlf 'stand-in boot sector' > "$dest/$tool/Oscdimg/etfsboot.com"
  crlf 'stand-in EFI boot image' > "$dest/$tool/Oscdimg/efisys.bin"
done
# The DISM stand-in keeps its mounts and journal here.
mkdir -p "$dest/dismapi-state"
