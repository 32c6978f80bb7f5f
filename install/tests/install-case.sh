#!/usr/bin/env bash
# install-case.sh CASE: runs install.exe through its wizard (wizard_driver.exe)
# in a Wine prefix of its own, a copy of a fresh one, and checks what the
# wizard showed and what it left behind: the driver file, the registration,
# and that a separate program can then use the codec.
#
# Environment (set by CTest): DRAV_TEMPLATE_PREFIX, DRAV_CASE_DIR,
# DRAV_INSTALL_EXE, DRAV_DRIVER_FILE, DRAV_LICENSE_BIN, DRAV_WIZARD_DRIVER,
# DRAV_CODEC_ROUNDTRIP, DRAV_VERSION (the build's); for the wow64_ cases,
# which run in a 64-bit prefix (DRAV_TEMPLATE_PREFIX64), also
# DRAV_DRIVER64_FILE and DRAV_CODEC_ROUNDTRIP64. DRAV_SEQUENCE_SEED: another
# walk for the *sequences cases.
# Each case has an X server (Xvfb) of its own, so that no other window can
# cover the status marks it reads off the screen.
set -euo pipefail
source "$(dirname "$0")/../../scripts/wine-session.sh"
name=${1:?case}
prefix=$DRAV_CASE_DIR/$name
system32=$prefix/drive_c/windows/system32
target_windows='C:\windows\system32\DRAV32.VCM'
if [[ $name == wow64_* ]]; then
  # install.exe runs under WoW64: its DRAV32.VCM lands in syswow64.
  template=$DRAV_TEMPLATE_PREFIX64
  use_prefix "$prefix" win64
  target=$prefix/drive_c/windows/syswow64/DRAV32.VCM
  target64=$system32/DRAV64.VCM
else
  template=$DRAV_TEMPLATE_PREFIX
  use_prefix "$prefix"
  target=$system32/DRAV32.VCM
fi
nt_key='HKLM\Software\Microsoft\Windows NT\CurrentVersion'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Drevantic'
log=$prefix/wizard.log

# --- the prefix and its server ------------------------------------------------

# Hard links for the prefix's many read-only files; real copies of the files
# that Wine rewrites in place.
copy_fresh_prefix() {
  [ -e "$target" ] && chattr -i "$target" 2>/dev/null
  rm -rf "$prefix"
  mkdir -p "$DRAV_CASE_DIR"
  cp -al "$template" "$prefix"
  local f
  for f in "$prefix"/*.reg "$prefix"/drive_c/windows/*.ini; do
    cp --remove-destination "$template/${f#"$prefix"/}" "$f"
  done
}

# Leaves nothing behind that a later run could not remove.
finish_case() {
  stop_server
  stop_display
  chattr -i "$target" 2>/dev/null || true
}

# --- observations -------------------------------------------------------------

failures=0
check() {  # check WHAT ACTUAL EXPECTED
  if [ "$2" == "$3" ]; then
    echo "ok: $1"
  else
    echo "FAIL: $1: got [$2], expected [$3]"
    failures=$((failures + 1))
  fi
}

run_wizard() {  # run_wizard [wizard_driver options]; INSTALLER: another path of install.exe
  local rc=0
  wine "$DRAV_WIZARD_DRIVER" "$@" "${INSTALLER:-$(windows_path "$DRAV_INSTALL_EXE")}" </dev/null >"$log" 2>&1 || rc=$?
  sed 's/^/  wizard: /' "$log"
  check "the wizard ran to its end" "$rc" 0
}

field() { sed -n "s/^$1: //p" "$log" | tr -d '\r'; }

# "REG_SZ data" of a value, or "absent"; in the 32-bit view of a 64-bit
# prefix with /reg:32.
# reg.exe now and then fails under load although the value is there: a
# failed query is asked once more before the value counts as absent.
reg_value() {  # reg_value KEY NAME [/reg:32]
  local out _
  for _ in 1 2; do
    out=$(wine reg query "$1" /v "$2" ${3:-} </dev/null 2>/dev/null | tr -d '\r') && break
  done
  awk -v name="$2" '$1 == name { $1 = ""; sub(/^ +/, ""); gsub(/ {2,}/, " "); print; found = 1 } END { if (!found) print "absent" }' <<<"$out"
}

key_exists() { wine reg query "$1" ${2:-} </dev/null >/dev/null 2>&1 && echo yes || echo no; }

# The value of KEY in [SECTION] of an ini file; "absent" when it has none.
ini_value() {  # ini_value FILE SECTION KEY
  tr -d '\r' <"$1" | awk -v section="[$2]" -v key="$3" '
    tolower($0) == tolower(section) { inside = 1; next }
    /^\[/ { inside = 0 }
    inside && tolower(substr($0, 1, length(key) + 1)) == tolower(key "=") { print substr($0, length(key) + 2); found = 1 }
    END { if (!found) print "absent" }'
}

expect_pages() {  # expect_pages [PAGES_IN_ORDER]
  check "pages in order" "$(field page | paste -sd '|')" "${1:-Welcome|Software License Agreement|Setup}"
  check "buttons, page by page" "$(field buttons | paste -sd '|')" \
    "back=0 next=1 finish=0|back=1 next=1 finish=0|back=0 next=0 finish=1"
  check "licence text shown whole" "$(field licence-length)" "$(($(stat -c %s "$DRAV_LICENSE_BIN") - 1))"
  check "finish hint shown" "$(field finish-hint)" visible
  check "install.exe exit code" "$(field exit)" 0
}

# The marks are read off the screen: icon 106 (pending) or 107 (done), each
# shown at 16 x 16.
expect_marks() {  # expect_marks COPY_MARK REGISTER_MARK
  check "status mark beside Copying files" "$(field copy-mark)" "$1 16x16"
  check "status mark beside Modifying system settings" "$(field register-mark)" "$2 16x16"
}

expect_success() {  # expect_success OS_NAME OS_VERSION [PAGES_IN_ORDER]
  expect_pages "${3:-}"
  expect_marks 107 107
  check "system name" "$(field os-name)" "$1"
  check "system version" "$(field os-version)" "$2"
  check "no error box" "$(field box)" ""
  check "result" "$(field result)" "Instalation succesful."
  expect_driver_file
}

expect_failure() {  # expect_failure ERROR_BOX COPY_MARK REGISTER_MARK
  expect_pages
  expect_marks "$2" "$3"
  check "error box" "$(field box)" "$1"
  check "result" "$(field result)" "Installation failed."
}

expect_driver_file() {
  check "system32\\DRAV32.VCM equals the built driver" "$(cmp -s "$target" "$DRAV_DRIVER_FILE" && echo same)" same
}

expect_nt_registration() {
  check "Drivers32\\vidc.DRAV" "$(reg_value "$nt_key\\Drivers32" vidc.DRAV)" "REG_SZ DRAV32.VCM"
  check "Drivers.Desc\\DRAV32.VCM" "$(reg_value "$nt_key\\Drivers.Desc" DRAV32.VCM)" "REG_SZ Drevantic"
}

expect_no_registration() {
  check "no Drivers32\\vidc.DRAV" "$(reg_value "$nt_key\\Drivers32" vidc.DRAV)" absent
  check "no [drivers32] vidc.drav" "$(ini_value "$prefix/drive_c/windows/system.ini" drivers32 vidc.drav)" absent
}

expect_codec_usable() {  # expect_codec_usable [CLIENT LABEL]
  local rc=0 out client=${1:-$DRAV_CODEC_ROUNDTRIP} label=${2:-a separate program}
  out=$(wine "$client" </dev/null 2>&1) || rc=$?
  sed 's/^/  roundtrip: /' <<<"$out"
  check "$label round-trips frames through ICOpen('vidc', 'DRAV')" "$rc" 0
  check "the opened codec is ours" "$(sed -n 's/^codec: //p' <<<"$out" | tr -d '\r')" Drevantic
}

previous_driver() { printf 'a driver installed earlier\n' | tee "$target" ${target64:+"$target64"} >/dev/null; }

# Every NT system has Drivers.Desc; Wine's prefixes have none, and the
# installer only opens keys.
like_windows_nt() { wine reg add "$nt_key\\Drivers.Desc" /f </dev/null >/dev/null 2>&1; }

# --- cases --------------------------------------------------------------------

case_nt_fresh() {
  like_windows_nt
  run_wizard --back-and-forth
  expect_success "Microsoft Windows 2000 " '6.1 (Build 7601)\n' \
    "Welcome|Software License Agreement|Welcome|Software License Agreement|Setup"
  check "licence page kept its window" "$(field licence-same-window)" 1
  check "licence text kept after Back" "$(field licence-length-after-return)" "$(field licence-length)"
  check "licence scroll kept after Back" "$(field licence-scroll)" "before=5 after=5"
  expect_nt_registration
  expect_codec_usable
}

case_win98() {
  wine reg add 'HKCU\Software\Wine\AppDefaults\install.exe' /v Version /t REG_SZ /d win98 /f </dev/null >/dev/null 2>&1
  run_wizard
  expect_success "Microsoft Windows 98 " '4.10 (Build 2222)\n'
  check "system.ini [drivers32] vidc.drav" \
    "$(ini_value "$prefix/drive_c/windows/system.ini" drivers32 vidc.drav)" DRAV32.VCM
  check "no registry record on the 95/98 family" "$(reg_value "$nt_key\\Drivers32" vidc.DRAV)" absent
  expect_codec_usable
  # Removal on 95/98 by the uninstall command with the driver in use: both it
  # and the running copy get a NUL= line in wininit.ini's [rename], after
  # another program's, for the restart; system.ini loses our key only.
  local wininit=$prefix/drive_c/windows/wininit.ini
  printf '[rename]\r\nNUL=C:\\OTHER.TMP\r\n' >"$wininit"
  wine reg add 'HKCU\Software\Wine\AppDefaults\DRAVINST.EXE' /v Version /t REG_SZ /d win98 /f </dev/null >/dev/null 2>&1
  INSTALLER='C:\windows\DRAVINST.EXE' run_installer '/S /uninstall' --lock "$target_windows"
  check "removal: exit code" "$(field exit)" 0
  check "removal: the user is told" "$(grep -c 'Files in use will be deleted when Windows restarts.' "$log")" 1
  check "wininit.ini [rename]" "$(ini_value "$wininit" rename NUL | paste -sd '|')" \
    "C:\\OTHER.TMP|$target_windows|C:\\windows\\DRAVINST.EXE"
  check "system.ini: vidc.drav removed, vidc.mrle kept" \
    "$(ini_value "$prefix/drive_c/windows/system.ini" drivers32 vidc.drav) $(ini_value "$prefix/drive_c/windows/system.ini" drivers32 vidc.mrle)" \
    "absent msrle32.dll"
}

case_unsupported_platform() {
  wine reg add 'HKCU\Software\Wine\AppDefaults\install.exe' /v Version /t REG_SZ /d win31 /f </dev/null >/dev/null 2>&1
  run_wizard
  expect_failure 'Error|Target platform not supported.\nInstallation failed.' 106 106
  check "system name" "$(field os-name)" "Microsoft Win32s "
  check "no driver file" "$(test -e "$target" && echo present || echo absent)" absent
  expect_no_registration
}

# Root may write to any file whatever its mode, and Wine's read-only
# attribute is the file's mode: only an immutable file is read-only for the
# installer here. Skipped (77) where the file system cannot make one.
case_read_only_target() {
  previous_driver
  chattr +i "$target" 2>/dev/null || { echo "cannot make an immutable file here"; exit 77; }
  run_wizard
  expect_failure "Error|File creation error ($target_windows)." 106 106
  check "the read-only file is untouched" "$(cat "$target")" "a driver installed earlier"
  expect_no_registration
}

case_locked_target() {
  run_wizard --lock "$target_windows"
  expect_failure "Error|File creation error ($target_windows)." 106 106
  check "the locked file is untouched" "$(stat -c %s "$target")" 0
  expect_no_registration
}

case_no_description_key() {
  check "a fresh prefix has no Drivers.Desc" "$(key_exists "$nt_key\\Drivers.Desc")" no
  run_wizard
  expect_success "Microsoft Windows 2000 " '6.1 (Build 7601)\n'
  check "Drivers32\\vidc.DRAV" "$(reg_value "$nt_key\\Drivers32" vidc.DRAV)" "REG_SZ DRAV32.VCM"
  check "Drivers.Desc is not created" "$(key_exists "$nt_key\\Drivers.Desc")" no
  expect_codec_usable
}

case_registration_fails() {
  wine reg delete "$nt_key\\Drivers32" /f </dev/null >/dev/null 2>&1
  run_wizard
  expect_failure "" 107 106
  expect_driver_file
  check "Drivers32 is not created" "$(key_exists "$nt_key\\Drivers32")" no
}

case_second_run() {
  like_windows_nt
  previous_driver
  run_wizard
  expect_success "Microsoft Windows 2000 " '6.1 (Build 7601)\n'
  run_wizard
  expect_success "Microsoft Windows 2000 " '6.1 (Build 7601)\n'
  expect_nt_registration
  expect_codec_usable
}

case_cancel_after_copy() {
  like_windows_nt
  run_wizard --cancel
  expect_pages
  expect_marks 107 107
  check "result" "$(field result)" "Instalation succesful."
  expect_driver_file
  expect_nt_registration
}

# --- 64-bit Windows: both drivers ---------------------------------------------

# install.exe with options instead of the wizard (wizard_driver --options).
run_installer() {  # run_installer OPTIONS [wizard_driver options]
  local options=$1; shift
  run_wizard "$@" --options "$options"
}

# Both views get a description key, as on Windows, and a codec of someone
# else's beside ours, which every removal must leave alone.
like_windows_x64() {
  local view
  for view in "" /reg:32; do
    wine reg add "$nt_key\Drivers.Desc" /f $view </dev/null >/dev/null 2>&1
    wine reg add "$nt_key\Drivers32" /v vidc.OTHR /d other.dll /f $view </dev/null >/dev/null 2>&1
  done
}

expect_both_installed() {
  expect_driver_file
  check "system32\DRAV64.VCM equals the built 64-bit driver" "$(cmp -s "$target64" "$DRAV_DRIVER64_FILE" && echo same)" same
  check "64-bit view Drivers32\vidc.DRAV" "$(reg_value "$nt_key\Drivers32" vidc.DRAV)" "REG_SZ DRAV64.VCM"
  check "64-bit view Drivers.Desc\DRAV64.VCM" "$(reg_value "$nt_key\Drivers.Desc" DRAV64.VCM)" "REG_SZ Drevantic"
  check "32-bit view Drivers32\vidc.DRAV" "$(reg_value "$nt_key\Drivers32" vidc.DRAV /reg:32)" "REG_SZ DRAV32.VCM"
  check "32-bit view Drivers.Desc\DRAV32.VCM" "$(reg_value "$nt_key\Drivers.Desc" DRAV32.VCM /reg:32)" "REG_SZ Drevantic"
  check "uninstall entry" "$(for v in DisplayName DisplayVersion Publisher UninstallString; do
    reg_value "$uninstall_key" $v; done | paste -sd '|')" \
    "REG_SZ Drevantic|REG_SZ $DRAV_VERSION|REG_SZ Korvell|REG_SZ \"C:\\windows\\DRAVINST.EXE\" /uninstall"
  check "the uninstall command's program is install.exe" \
    "$(cmp -s "$prefix/drive_c/windows/DRAVINST.EXE" "$DRAV_INSTALL_EXE" && echo same)" same
  expect_codec_usable
  expect_codec_usable "$DRAV_CODEC_ROUNDTRIP64" "a 64-bit program"
}

expect_both_removed() {
  check "no DRAV32.VCM" "$(test -e "$target" && echo present || echo absent)" absent
  check "no DRAV64.VCM" "$(test -e "$target64" && echo present || echo absent)" absent
  local view
  for view in "" /reg:32; do
    check "no vidc.DRAV ${view:-64-bit view}" "$(reg_value "$nt_key\Drivers32" vidc.DRAV $view)" absent
    check "no Drivers.Desc value ${view:-64-bit view}" \
      "$(reg_value "$nt_key\Drivers.Desc" DRAV64.VCM $view)|$(reg_value "$nt_key\Drivers.Desc" DRAV32.VCM $view)" \
      "absent|absent"
    check "the other codec stays ${view:-64-bit view}" "$(reg_value "$nt_key\Drivers32" vidc.OTHR $view)" "REG_SZ other.dll"
  done
  check "no uninstall entry" "$(key_exists "$uninstall_key")" no
}

expect_setup_click() {  # expect_setup_click CLIENT LABEL
  local rc=0
  wine "$1" --toggle-conversion </dev/null 2>&1 | tr -d '\r' | sed 's/^/  client: /' || rc=$?
  check "$2 took the click on OK" "$rc" 0
}

case_wow64_fresh() {
  like_windows_x64
  run_wizard
  expect_success "Microsoft Windows 2000 " '6.1 (Build 7601)\n'
  expect_both_installed
  # One set of switches: the Setup dialog opened by a 64-bit host turns
  # colour depth conversion off, and the 32-bit driver then refuses the 16-bit
  # output its client asks for; the 32-bit driver's dialog turns it back on.
  local settings='HKLM\Software\Korvell\DRAV' refused
  expect_setup_click "$DRAV_CODEC_ROUNDTRIP64" "a 64-bit host's Setup dialog"
  check "the switch, in the 64-bit view" "$(reg_value "$settings" ColorDepthConversion)" "REG_SZ 1"
  refused=$(wine "$DRAV_CODEC_ROUNDTRIP" </dev/null 2>&1 | tr -d '\r' | sed -n 's/^roundtrip: failed: //p') || true
  check "the 32-bit driver reads it" "$refused" ICDecompressBegin
  expect_setup_click "$DRAV_CODEC_ROUNDTRIP" "a 32-bit host's Setup dialog"
  check "the 32-bit driver wrote the 64-bit view" "$(reg_value "$settings" ColorDepthConversion)" "REG_SZ 0"
  check "nothing in the 32-bit view" "$(key_exists "$settings" /reg:32)" no
  expect_codec_usable "$DRAV_CODEC_ROUNDTRIP64" "a 64-bit program, conversion allowed again,"
  wine reg delete 'HKLM\Software\Korvell' /f </dev/null >/dev/null 2>&1
  # The system's list runs the entry's command: a box says it is done.
  INSTALLER='C:\windows\DRAVINST.EXE' run_installer /uninstall
  check "removal box" "$(field box)" "Drevantic|Drevantic was removed from this computer."
  check "removal exit code" "$(field exit)" 0
  expect_both_removed
}

case_wow64_silent() {
  like_windows_x64
  run_installer /S
  check "no window" "$(field windows)" 0
  check "exit code" "$(field exit)" 0
  expect_both_installed
  previous_driver
  run_installer /S
  check "upgrade: exit code" "$(field exit)" 0
  check "upgrade: both files replaced" \
    "$(cmp -s "$target" "$DRAV_DRIVER_FILE" && cmp -s "$target64" "$DRAV_DRIVER64_FILE" && echo same)" same
  run_installer /bogus
  check "unknown option: exit code" "$(field exit)" 2
  check "unknown option: the options listed" "$(grep -c '^  /S /uninstall' "$log")" 1
  check "unknown option: named" "$(grep -c '^unknown option /bogus$' "$log")" 1
  run_installer '/S /uninstall'
  check "removal: no window" "$(field windows)" 0
  check "removal: exit code" "$(field exit)" 0
  expect_both_removed
}

case_wow64_in_use() {
  like_windows_x64
  run_installer /S --lock "$target_windows"
  check "target in use: exit code" "$(field exit)" 1
  # The message names the file where it really is.
  check "target in use: message" "$(grep -cF 'File creation error (C:\windows\syswow64\DRAV32.VCM).' "$log")" 1
  run_installer /S
  check "exit code" "$(field exit)" 0
  run_installer '/S /uninstall' --lock "$target_windows"
  check "removal with a file in use: exit code" "$(field exit)" 0
  check "removal with a file in use: the user is told" \
    "$(grep -c 'Files in use will be deleted when Windows restarts.' "$log")" 1
  check "the file in use is left for the restart, by its real name" \
    "$(wine reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations \
      </dev/null 2>/dev/null | grep -oiF 'C:\windows\syswow64\DRAV32.VCM' | wc -l)" 1
  check "no DRAV64.VCM" "$(test -e "$target64" && echo present || echo absent)" absent
  check "no vidc.DRAV in either view" \
    "$(reg_value "$nt_key\Drivers32" vidc.DRAV)|$(reg_value "$nt_key\Drivers32" vidc.DRAV /reg:32)" "absent|absent"
}

# --- the command line without the wizard ----------------------------------------

# install.exe OPTIONS, its standard output in $log (beside wizard_driver's
# observations) and its standard error in $log.err.
run_options() {  # run_options OPTIONS
  local rc=0
  wine "$DRAV_WIZARD_DRIVER" --options "$1" "$(windows_path "$DRAV_INSTALL_EXE")" </dev/null >"$log" 2>"$log.err" ||
    rc=$?
  check "[$1] ran to its end" "$rc" 0
}

trim() { local text=${1#"${1%%[! ]*}"}; echo "${text%"${text##*[! ]}"}"; }

# What install.exe printed itself, its lines joined with |.
printed() { grep -v -E '^(box|windows|exit|locked|error): ' "$1" | tr -d '\r' | paste -sd '|'; }

# check_like WHAT ACTUAL PATTERN: PATTERN exactly, or its beginning when it
# ends in * (nothing else in it is special).
check_like() {
  if [[ $3 == *'*' && $2 == "${3%'*'}"* ]] || [[ $2 == "$3" ]]; then
    echo "ok: $1"
  else
    echo "FAIL: $1: got [$2], expected [$3]"
    failures=$((failures + 1))
  fi
}

# Every word counts, an empty one too; /? and an unknown option show the
# options in a box unless /S; removal where nothing is installed says so,
# exits 3 and changes nothing. Fields: options, exit code, the box (caption|
# text, line breaks as \n), standard output, standard error (lines joined
# with |; a closing * takes any rest).
case_command_lines() {
  local row options code box out err usage='Usage: install *' absent='Drevantic is not installed on this computer. Nothing was changed.'
  while IFS= read -r row; do
    [ -n "$row" ] || continue
    IFS=$'\x1f' read -r options code box out err <<<"${row//::/$'\x1f'}"
    options=$(trim "$options") code=$(trim "$code") box=$(trim "$box") out=$(trim "$out") err=$(trim "$err")
    run_options "$options"
    check "[$options] exit code" "$(field exit)" "$code"
    check_like "[$options] box" "$(field box)" "${box//USAGE/$usage}"
    check "[$options] windows" "$(field windows)" "$([ -n "$box" ] && echo 1 || echo 0)"
    check_like "[$options] standard output" "$(printed "$log")" "${out//USAGE/$usage}"
    check_like "[$options] standard error" "$(printed "$log.err")" "${err//USAGE/$usage}"
  done <<TABLE
/? :: 0 :: Drevantic|USAGE :: USAGE :: 
/S /? :: 0 ::  :: USAGE :: 
-s /uninstall /? :: 0 ::  :: USAGE :: 
/x :: 2 :: Drevantic|unknown option /x\n\nUsage: install * ::  :: unknown option /x||USAGE
/S /x :: 2 ::  ::  :: unknown option /x||USAGE
/S "" /uninstall :: 2 ::  ::  :: unknown option ""||USAGE
"" /S :: 2 ::  ::  :: unknown option ""||USAGE
"" :: 2 :: Drevantic|unknown option ""\n\nUsage: install * ::  :: unknown option ""||USAGE
/S "/S /uninstall" :: 2 ::  ::  :: unknown option /S /uninstall||USAGE
/uninstall :: 3 :: Drevantic|$absent :: $absent :: 
/S /uninstall :: 3 ::  :: $absent :: 
-S -UNINSTALL :: 3 ::  :: $absent :: 
TABLE
  check "nothing installed, nothing copied" \
    "$(ls "$target" "$prefix/drive_c/windows/DRAVINST.EXE" 2>/dev/null | wc -l) $(key_exists "$uninstall_key")" "0 no"
}

# --- install, removal, reinstall, held files and restarts, in random order --------

# A walk of random steps from a seed (DRAV_SEQUENCE_SEED picks another; the
# steps are printed): install.exe or DRAVINST.EXE installs or removes without
# windows, now and then with one of the driver files held open, and Windows
# restarts (wineboot -r does what was queued for the restart). After every
# step what the registrations and the uninstall entry say is installed must be
# on disk, in both views, and stay there across the restart; what they do not
# claim must be gone after the restart, or queued to go.
family=nt  # nt, or win98 for the 95/98 family (system.ini, wininit.ini)
installed=0

dravinst=$prefix/drive_c/windows/DRAVINST.EXE
# The driver files: Unix path, Windows path (their real one), how to hold it.
driver_files() {
  if [ -n "${target64:-}" ]; then
    echo "$target|C:\\windows\\syswow64\\DRAV32.VCM|--lock|$DRAV_DRIVER_FILE"
    echo "$target64|C:\\windows\\system32\\DRAV64.VCM|--lock-native|$DRAV_DRIVER64_FILE"
  else
    echo "$target|$target_windows|--lock|$DRAV_DRIVER_FILE"
  fi
}

# Lines of the restart's queue that name Windows path $1, any case.
queued() {
  local wininit=$prefix/drive_c/windows/wininit.ini
  if [ $family = win98 ]; then
    if [ -f "$wininit" ]; then ini_value "$wininit" rename NUL | grep -ciF -x -- "$1"; else echo 0; fi
  else
    wine reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations \
      </dev/null 2>/dev/null | grep -oiF -- "$1" | wc -l
  fi
}

registration_of() {  # registration_of FILE_NAME: what names the driver, "absent" if nothing
  if [ $family = win98 ]; then
    ini_value "$prefix/drive_c/windows/system.ini" drivers32 vidc.drav
  elif [ "$1" = DRAV32.VCM ] && [ -n "${target64:-}" ]; then
    reg_value "$nt_key\Drivers32" vidc.DRAV /reg:32 | sed 's/^REG_SZ //'
  else
    reg_value "$nt_key\Drivers32" vidc.DRAV | sed 's/^REG_SZ //'
  fi
}

expect_sequence_state() {  # expect_sequence_state LABEL [restarted]
  local unix windows how built name exists
  while IFS='|' read -r unix windows how built; do
    name=${windows##*\\}
    exists=$(test -e "$unix" && echo yes || echo no)
    if [ $installed = 1 ]; then
      check "$1: $name registered" "$(registration_of "$name")" "$name"
      check "$1: $name is the built one" "$(cmp -s "$unix" "$built" && echo same)" same
      check "$1: $name stays after a restart" "$(queued "$windows")" 0
    else
      check "$1: $name not registered" "$(registration_of "$name")" absent
      if [ -n "${2:-}" ]; then
        check "$1: $name gone" "$exists" no
      elif [ $exists = yes ]; then
        check "$1: $name queued to go" "$(queued "$windows" | sed 's/^[1-9][0-9]*$/yes/')" yes
      fi
    fi
  done < <(driver_files)
  check "$1: uninstall entry" "$(key_exists "$uninstall_key")" "$([ $installed = 1 ] && echo yes || echo no)"
  if [ $installed = 1 ]; then
    check "$1: the entry's DRAVINST.EXE" "$(cmp -s "$dravinst" "$DRAV_INSTALL_EXE" && echo same)" same
    check "$1: DRAVINST.EXE stays after a restart" "$(queued 'C:\windows\DRAVINST.EXE')" 0
  elif [ -n "${2:-}" ]; then
    check "$1: DRAVINST.EXE gone" "$(test -e "$dravinst" && echo present || echo absent)" absent
  elif [ -e "$dravinst" ]; then
    check "$1: DRAVINST.EXE queued to go" "$(queued 'C:\windows\DRAVINST.EXE' | sed 's/^[1-9][0-9]*$/yes/')" yes
  fi
}

restart_windows() {
  wine wineboot.exe -r </dev/null >/dev/null 2>&1
  stop_server
  start_server
}

# random N: a number below N in $drawn, from a 64-bit linear congruential
# generator (bash's own RANDOM repeats itself on small seeds).
random() {
  seed_state=$((seed_state * 6364136223846793005 + 1442695040888963407))
  drawn=$((((seed_state >> 33) & 0x7FFFFFFF) % $1))
}

# One random step; $1 numbers it.
sequence_step() {
  local roll program=install.exe options held=() label file= files unix windows how
  INSTALLER=
  random 3
  if [ -e "$dravinst" ] && [ $drawn -gt 0 ]; then INSTALLER='C:\windows\DRAVINST.EXE' program=DRAVINST.EXE; fi
  random 10
  roll=$drawn
  if [ $roll -ge 8 ]; then
    echo "step $1: restart"
    restart_windows
    expect_sequence_state "step $1, restart" restarted
    return
  fi
  options=/S
  [ $roll -ge 4 ] && options='/S /uninstall'
  # Now and then a driver file that is there is held open: an installation
  # holds the first one it writes, so that a failure writes nothing.
  random 3
  if [ $drawn = 0 ]; then
    mapfile -t files < <(driver_files)
    random ${#files[@]}
    [ "$options" = /S ] || file=${files[drawn]}
    file=${file:-${files[0]}}
    IFS='|' read -r unix windows how _ <<<"$file"
    [ -e "$unix" ] && held=("$how" "$windows")
  fi
  label="step $1: $program $options${held:+ holding ${held[1]}}"
  echo "$label"
  run_installer "$options" "${held[@]}"
  if [ "$options" = /S ]; then
    if [ ${#held[@]} -gt 0 ]; then
      check "$label: exit code" "$(field exit)" 1
    else
      check "$label: exit code" "$(field exit)" 0
      installed=1
    fi
  elif [ $installed = 1 ]; then
    check "$label: exit code" "$(field exit)" 0
    [ ${#held[@]} -gt 0 ] &&
      check "$label: the user is told" "$(grep -c 'Files in use will be deleted when Windows restarts.' "$log")" 1
    installed=0
  else
    check "$label: exit code (nothing to remove)" "$(field exit)" 3
  fi
  expect_sequence_state "$label"
}

run_sequences() {  # run_sequences SEED STEPS
  local seed=${DRAV_SEQUENCE_SEED:-$1} step
  echo "seed $seed (DRAV_SEQUENCE_SEED), $2 steps"
  seed_state=$seed
  for ((step = 1; step <= $2; step++)); do sequence_step $step; done
  restart_windows
  expect_sequence_state "after the last restart" restarted
}

case_sequences() {
  like_windows_nt
  run_sequences 5 16
}

case_win98_sequences() {
  family=win98
  local exe
  for exe in install.exe DRAVINST.EXE; do
    wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$exe" /v Version /t REG_SZ /d win98 /f </dev/null >/dev/null 2>&1
  done
  run_sequences 5 12
}

case_wow64_sequences() {
  like_windows_x64
  run_sequences 4 16
}

# --- main -----------------------------------------------------------------------

declare -F "case_$name" >/dev/null || { echo "unknown case: $name" >&2; exit 2; }
copy_fresh_prefix
trap finish_case EXIT
start_display
start_server
"case_$name"
finish_case
trap - EXIT
[ "$failures" -eq 0 ] && rm -rf "$prefix"
echo "$name: $failures failed check(s)"
[ "$failures" -eq 0 ]
