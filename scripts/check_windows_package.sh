#!/usr/bin/env bash
# Checks the Windows Installer package under Wine, in a fresh prefix, as a school's IT would use it:
#   check_windows_package.sh PACKAGE SAME_VERSION_PACKAGE NEWER_PACKAGE EXAMPLE_FOLDER
# looks at the package's summary (x64, Chinese); installs PACKAGE silently; finds the program, the Start-menu
# shortcut, the answer-file association with its Chinese verb and the entry in Programs and Features (icon,
# version, install location); starts the program from the shortcut and sees it work in the user's Documents folder;
# opens EXAMPLE_FOLDER/张三.stu as a double click would and sees the program start on it; installs
# SAME_VERSION_PACKAGE, another build of the same version, over it and NEWER_PACKAGE over that (one entry remains
# each time) and PACKAGE again (refused, as it is older); then removes the program, which leaves nothing behind.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$root_dir/scripts/wine_session.sh"
ensure_packages msitools xdotool

package=$(realpath "$1")
same=$(realpath "$2")
newer=$(realpath "$3")
example=$(realpath "$4")
prefix=$(mktemp -d "${TMPDIR:-/tmp}/vq-msi-wine.XXXXXX")
# A home of its own: Wine makes the user's Documents folder a link to it.
export HOME=$prefix/home
mkdir -p "$HOME"
start_wine "$prefix"
trap 'stop_wine; [ -n "${VQ_KEEP_PREFIX:-}" ] || rm -rf "$prefix"' EXIT

fail() {
    echo "FAILED: $*"
    exit 1
}
program_files="$prefix/drive_c/Program Files/VQ/vq_stu"
# The Start menu: Wine 8 puts a per-machine shortcut in the user's Start menu.
shortcuts() { find "$prefix/drive_c" -name 'VQ试卷评测系统答题端.lnk' 2>/dev/null; }
# The entries in Programs and Features, as regedit exports them (UTF-16).
entries() {
    local file="$prefix/uninstall.reg"
    rm -f "$file"
    wine regedit /e "$(winepath -w "$file")" 'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall'
    iconv -f UTF-16 -t UTF-8 "$file" | tr -d '\r' | awk '
        /^\[/ { key = $0 }
        /^"DisplayName"="VQ试卷评测系统答题端/ { found[key] = 1 }
        /^"DisplayVersion"=/ { version[key] = $0 }
        /^"InstallLocation"=/ { location[key] = $0 }
        END { for (k in found) print k " " version[k] " " location[k] }'
}
# The icon that Programs and Features shows: Windows Installer keeps the package's product icon.
product_icon() {
    local file="$prefix/products.reg"
    rm -f "$file"
    wine regedit /e "$(winepath -w "$file")" 'HKEY_CLASSES_ROOT\Installer\Products'
    iconv -f UTF-16 -t UTF-8 "$file" | tr -d '\r' | sed -n 's/^"ProductIcon"="\(.*vq_stu\.ico\)"$/\1/p'
}
# What reg query prints, in the console's code page (936, GBK, as on Chinese Windows).
registry() { wine reg query "$1" 2>/dev/null | iconv -f GBK -t UTF-8 -c | tr -d '\r' | grep -av '^reg: ' || true; }

echo "== the package"
msiinfo suminfo "$package" | grep -q '^Template: x64;2052$' || fail "the summary does not say x64 and Chinese (2052)"

echo "== install"
wine msiexec /i "$(winepath -w "$package")" /qn || fail "msiexec /i answered $?"
[ -f "$program_files/vq_stu.exe" ] && [ -f "$program_files/platforms/qwindows.dll" ] || fail "the program is not installed"
[ -n "$(shortcuts)" ] || fail "no Start-menu shortcut"
registry 'HKCR\.stu' | grep -aq 'VQ.AnswerFile' || fail ".stu is not associated"
registry 'HKCR\VQ.AnswerFile\shell\open\command' | grep -aqF '"C:\Program Files\VQ\vq_stu\vq_stu.exe" "%1"' ||
    fail "the open command is not the program's"
registry 'HKCR\VQ.AnswerFile\DefaultIcon' | grep -aqF 'vq_stu.exe,0' || fail "answer files have no icon"
registry 'HKCR\VQ.AnswerFile\shell\open' | grep -aq '打开' || fail "the open verb does not say 打开"
listed=$(entries)
echo "Programs and Features: $listed"
version=$(msiinfo export "$package" Property | tr -d '\r' | sed -n 's/^ProductVersion\t//p')
[ "$(grep -c . <<<"$listed")" -eq 1 ] && grep -qF "\"DisplayVersion\"=\"$version\"" <<<"$listed" ||
    fail "not one entry with the version $version"
grep -qF '"InstallLocation"="C:\\Program Files\\VQ\\vq_stu\\"' <<<"$listed" || fail "no install location"
icon=$(product_icon)
echo "product icon: $icon"
[ -n "$icon" ] && [ -f "$(winepath -u "$(sed 's/\\\\/\\/g' <<<"$icon")")" ] || fail "no product icon"

# Gives the window $1 the keyboard, through the window manager where it answers, else directly.
activate() {
    for _ in $(seq 10); do
        xdotool windowactivate --sync "$1" 2>/dev/null && return
        sleep 1
    done
    echo "the window manager did not activate window $1 (display $DISPLAY); focusing it directly"
    xdotool windowfocus --sync "$1"
}

# The window whose title is $1, once it shows.
find_window() {
    local window=""
    for _ in $(seq 100); do
        window=$(xdotool search --name "$1" 2>/dev/null | head -n 1 || true)
        [ -n "$window" ] && break
        sleep 0.2
    done
    echo "$window"
}

echo "== started from the Start menu: its dialogs open in the user's Documents folder"
# As a student would: 新建答卷 (Shift+Tab from 打开答卷, where the focus starts), a bare file name typed into the
# dialog, Enter; the answer file appears where the dialog started.
documents=$(registry 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' |
    sed -n 's/^ *Personal *REG_SZ *//p')
documents=$(winepath -u "$documents")
cp "$example/problem.prb" "$documents/"
wine start "$(winepath -w "$(shortcuts | head -n 1)")"
window=$(find_window 'VQ试卷评测系统2.0-答题端vq_stu')
[ -n "$window" ] || fail "the shortcut started no window"
activate "$window"
xdotool key shift+Tab space
dialog=$(find_window '新建答卷文件')
[ -n "$dialog" ] || fail "新建答卷 showed no dialog"
activate "$dialog"
sleep 0.5 # the dialog puts the keyboard in its file name box once it is shown
xdotool type --delay 40 start-menu-check.stu
xdotool key Return
for _ in $(seq 50); do
    [ -s "$documents/start-menu-check.stu" ] && break
    sleep 0.2
done
[ -s "$documents/start-menu-check.stu" ] || fail "the new answer file is not in Documents: $(ls "$documents/")"
echo "新建答卷 wrote $(winepath -w "$documents/start-menu-check.stu")"
rm -f "$documents/start-menu-check.stu" "$documents/problem.prb"
pkill -f 'vq_stu\.exe' || true
wineserver -w

echo "== an answer file opened from the desktop"
work=$(mktemp -d)
cp "$example"/* "$work/"
wine start /unix "$work/张三.stu"
started=""
for _ in $(seq 50); do
    started=$(ps -eo args | grep -a 'vq_stu\.exe' | grep -v grep || true)
    [ -n "$started" ] && break
    sleep 0.2
done
echo "started: $started"
grep -qF '张三.stu' <<<"$started" || fail "the program did not start on the answer file"
[ -n "$(find_window 'VQ试卷评测系统2.0-答题端vq_stu')" ] || fail "no window"
pkill -f 'vq_stu\.exe' || true
wineserver -w
rm -rf "$work"

echo "== another build of the same version over it, a newer version over that, then the older one again"
wine msiexec /i "$(winepath -w "$same")" /qn || fail "the second build of $version did not install ($?)"
listed=$(entries)
echo "Programs and Features: $listed"
[ "$(grep -c . <<<"$listed")" -eq 1 ] || fail "the second build of the same version installed beside the first"
[ -f "$program_files/vq_stu.exe" ] || fail "the second build of the same version left no program"
wine msiexec /i "$(winepath -w "$newer")" /qn || fail "the newer package did not install ($?)"
listed=$(entries)
echo "Programs and Features: $listed"
[ "$(grep -c . <<<"$listed")" -eq 1 ] || fail "the upgrade left more than one entry"
if wine msiexec /i "$(winepath -w "$package")" /qn; then
    fail "the older package installed over the newer one"
fi
[ "$(entries | grep -c .)" -eq 1 ] || fail "the refused downgrade changed the entries"

echo "== remove"
wine msiexec /x "$(winepath -w "$newer")" /qn || fail "msiexec /x answered $?"
[ ! -e "$program_files" ] || fail "files are left: $(ls -R "$program_files")"
[ -z "$(shortcuts)" ] || fail "the shortcut is left"
# The program's own key goes; .stu keeps nothing of it (Windows Installer removes values, not the key they were in).
[ -z "$(registry 'HKCR\VQ.AnswerFile')" ] && ! registry 'HKCR\.stu' | grep -aq 'VQ.AnswerFile\|x-vq-stu' ||
    fail "the association is left"
[ -z "$(entries)" ] || fail "the entry in Programs and Features is left"
echo "The Windows package installs, opens answer files, upgrades and uninstalls under Wine."
