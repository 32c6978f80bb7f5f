#!/usr/bin/env bash
# check-driver-file.sh OBJDUMP DRAV32.VCM: the driver imports system DLLs only
# and exports exactly one name, DriverProc.
set -euo pipefail
objdump=${1:?objdump}; file=${2:?driver file}
headers=$("$objdump" -p "$file")
allowed='^(kernel32|msvcrt|winmm|user32|advapi32|comctl32|gdi32)\.dll$'
status=0
shopt -s nocasematch
while read -r dll; do
  if ! [[ $dll =~ $allowed ]]; then echo "unexpected import: $dll"; status=1; fi
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" | sed -n 's/^\s*\[\s*[0-9]*\] //p')
if [ "$exports" != "DriverProc" ]; then echo "exports: [$exports], expected DriverProc alone"; status=1; fi
exit $status
