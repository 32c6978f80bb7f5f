#!/usr/bin/env bash
# take-dialog-screenshots.sh BUILD_DIR OUT_DIR
# Pictures of the codec's Setup and About dialogs as PNGs (OUT_DIR/codec-setup.png,
# OUT_DIR/codec-about.png), opened through the Video Compression Manager of the
# build's Wine prefix on $DISPLAY. Start the session first:
#   DRAV_DISPLAY=:85 bash scripts/wine-session.sh start BUILD_DIR/wineprefix
#   DISPLAY=:85 bash driver/tests/take-dialog-screenshots.sh BUILD_DIR docs/images
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
mkdir -p "${2:?output dir}"
out=$(cd "$2" && pwd)
: "${DISPLAY:?the dialogs need an X display}"
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all

cp "$build/driver/DRAV32.VCM" "$WINEPREFIX/drive_c/windows/system32/DRAV32.VCM"
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Drivers32' \
  /v vidc.DRAV /t REG_SZ /d DRAV32.VCM /f </dev/null >/dev/null 2>&1

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for dialog in setup about; do
  wine "$build/driver/tests/dialog_screenshot.exe" "$dialog" "$(winepath -w "$scratch/$dialog.bmp")" </dev/null
  /usr/bin/convert "$scratch/$dialog.bmp" "$out/codec-$dialog.png"
  echo "$out/codec-$dialog.png"
done
