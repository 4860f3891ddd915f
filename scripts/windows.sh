#!/usr/bin/env bash
# Builds vq_stu for 64-bit Windows on Debian 12 with mingw-w64, runs the tests under Wine, and makes
# build-windows/vq_stu-<version>-win64.zip (unpack and run) and build-windows/vq_stu-<version>-win64.msi (the
# Windows Installer package that schools deploy), checked under Wine.
#   VQ_QT_WIN=KIT              a Qt 5 MinGW 64-bit kit (from Qt's installer, MSYS2, or one built here);
#   VQ_QT_WIN_TARBALL=FILE     or such a kit packed as a .tar.xz with one top folder, unpacked into the cache once.
#                              With neither, the script builds a kit from Debian's qtbase source into
#                              ~/.cache/vq-stu/ once (about 22 minutes on two cores) and reuses it after that.
#   VQ_WINE_TESTS=0            builds and packs without running the tests and the package checks under Wine.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages "${build_packages[@]}" g++-mingw-w64-x86-64-posix zip binutils wixl msitools qttranslations5-l10n
cache=${XDG_CACHE_HOME:-$HOME/.cache}/vq-stu
mkdir -p "$cache"
version=$(sed -n 's/^project(vq_stu VERSION \([0-9.]*\).*/\1/p' "$root_dir/CMakeLists.txt")

echo "== Qt for Windows"
kit=${VQ_QT_WIN:-}
if [ -z "$kit" ] && [ -n "${VQ_QT_WIN_TARBALL:-}" ]; then
    tarball=$(realpath "$VQ_QT_WIN_TARBALL")
    unpacked=$cache/kits/$(basename "$tarball")
    if [ ! -f "$unpacked/.vq-unpacked" ] || [ "$tarball" -nt "$unpacked/.vq-unpacked" ]; then
        rm -rf "$unpacked"
        mkdir -p "$unpacked"
        tar -xJf "$tarball" -C "$unpacked"
        touch "$unpacked/.vq-unpacked"
    fi
    kit=$(find "$unpacked" -mindepth 1 -maxdepth 1 -type d | head -n 1)
fi
if [ -z "$kit" ]; then
    qt_version=$(dpkg-query -W -f='${Version}' qtbase5-dev | sed 's/[+~-].*//')
    kit=$cache/qt-$qt_version-mingw64
    # Kits built before accessibility was turned on are built again.
    if [ ! -f "$kit/.vq-complete-accessible" ]; then
        rm -rf "$kit"
        bash "$root_dir/scripts/build_qt_windows.sh" "$kit"
        touch "$kit/.vq-complete-accessible"
    fi
fi
kit=$(realpath "$kit")
echo "kit: $kit"
host_tools=()
if [ ! -x "$kit/bin/moc" ]; then
    # A kit made for Windows brings moc, uic and rcc as Windows programs; Debian's run here.
    host_tools=(-DVQ_HOST_QT_TOOLS=/usr/lib/qt5/bin)
fi

echo "== the icon maker, built for this machine"
cmake -S "$root_dir" -B "$root_dir/build-host-tools" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVQ_BUILD_TESTS=OFF
cmake --build "$root_dir/build-host-tools" --target vq_icon_maker

echo "== build for Windows"
out=$root_dir/build-windows
cmake -S "$root_dir" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root_dir/cmake/mingw-w64.cmake" -DCMAKE_PREFIX_PATH="$kit" \
    -DVQ_HOST_ICON_MAKER="$root_dir/build-host-tools/tools/vq_icon_maker" "${host_tools[@]}"
cmake --build "$out"

runtime=(/usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib)

if [ "${VQ_WINE_TESTS:-1}" != 0 ]; then
    echo "== tests under Wine (Chinese Windows: code page 936)"
    source "$root_dir/scripts/wine_session.sh"
    start_wine "$cache/wine"
    path=""
    for folder in "$kit/bin" "${runtime[@]}"; do
        path+="$(winepath -w "$folder" 2>/dev/null);"
    done
    export WINEPATH=$path
    failed=0
    results=$out/wine-tests
    mkdir -p "$results"
    all_started=$(date +%s)
    for test in "$out"/tests/tst_*.exe; do
        name=$(basename "$test" .exe)
        # These show real windows: to see that a box keeps the window behind it from input, and to close the window
        # and end the session with the system's own messages.
        platform=offscreen
        case $name in tst_message_box | tst_close_paper) platform=windows ;; esac
        started=$(date +%s)
        (cd "$out/tests" && QT_QPA_PLATFORM=$platform QT_PLUGIN_PATH="$(winepath -w "$kit/plugins")" \
            VQ_SOAK_ACTIONS=${VQ_SOAK_ACTIONS:-300} \
            timeout 900 wine "$test" -o "$(winepath -w "$results/$name.txt"),txt" >/dev/null 2>&1) && rc=0 || rc=$?
        totals=$(grep -h '^Totals' "$results/$name.txt" 2>/dev/null || echo "no result")
        echo "$name: $totals ($(($(date +%s) - started)) s)"
        if [ "$rc" -ne 0 ]; then
            grep -h -A3 '^FAIL' "$results/$name.txt" 2>/dev/null || true
            failed=1
        fi
    done
    echo "All tests under Wine: $(($(date +%s) - all_started)) s"
    [ "$failed" -eq 0 ] || { echo "Some tests failed under Wine; their logs are in $results."; exit 1; }
fi

echo "== the zip"
stage=$out/vq_stu-$version-win64
rm -rf "$stage" "$stage.zip"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations" "$stage/example"
cp "$out/vq_stu.exe" "$stage/"
x86_64-w64-mingw32-strip "$stage/vq_stu.exe"
cp "$kit/bin/Qt5Core.dll" "$kit/bin/Qt5Gui.dll" "$kit/bin/Qt5Widgets.dll" "$stage/"
cp "$kit/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$kit/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
cp /usr/share/qt5/translations/qtbase_zh_CN.qm /usr/share/qt5/translations/qtbase_zh_TW.qm "$stage/translations/"
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    cp "$(find "${runtime[@]}" -name "$dll" | head -n 1)" "$stage/"
    x86_64-w64-mingw32-strip --strip-unneeded "$stage/$dll" # Debian ships them with their debugging symbols
done
cp "$root_dir/README.md" "$root_dir/LICENSE" "$stage/"
# The sample paper in the code page of Chinese Windows (GBK); the one sign that GBK lacks, −, becomes –.
for file in problem.prb 张三.stu; do
    iconv -f UTF-8 -t GBK//TRANSLIT "$root_dir/examples/$file" >"$stage/example/$file"
done
(cd "$out" && zip -qr -X "$(basename "$stage").zip" "$(basename "$stage")")
ls -l "$stage.zip"
# Screen readers (Narrator, NVDA) read the program through Qt's UI Automation provider in the platform plugin.
strings -el "$stage/platforms/qwindows.dll" | grep -q UIAutomationCore ||
    { echo "platforms/qwindows.dll carries no UI Automation: the kit was built without accessibility."; exit 1; }
echo "platforms/qwindows.dll carries UI Automation."

echo "== the Windows Installer package"
# wixl writes the package's Chinese texts in the code page of WINDOWS_LANGUAGE, and a _ForceCodepage table then
# marks the database as code page 936 (wixl 0.101 cannot do either by itself, and crashes on Chinese otherwise).
# What wixl 0.101 cannot write is set in the database afterwards: the summary's language (2052, not 1033); the
# install location for Programs and Features, set by an immediate action before the product is registered; and a
# highest upgrade version that is inclusive (msidbUpgradeAttributesVersionMaxInclusive, 512), so that another build
# of the same version replaces this one.
make_msi() { # VERSION OUTPUT
    (cd "$out" && WINDOWS_LANGUAGE=zh_CN LANG=C.UTF-8 wixl -a x64 -D "Version=$1" -D "Stage=$(basename "$stage")" \
        -D Icon=icon/vq_stu.ico -o "$2" "$root_dir/packaging/windows/vq_stu.wxs")
    (cd "$root_dir/packaging/windows" && WINDOWS_LANGUAGE=zh_CN msibuild "$2" -i _ForceCodepage.idt)
    WINDOWS_LANGUAGE=zh_CN msibuild "$2" -s "VQ试卷评测系统的学生答题端" "VQ试卷评测系统" "x64;2052"
    msibuild "$2" -q "UPDATE \`CustomAction\` SET \`Type\` = 51 WHERE \`Action\` = 'SetInstallLocation'"
    msibuild "$2" -q "UPDATE \`InstallExecuteSequence\` SET \`Sequence\` = 1001 WHERE \`Action\` = 'SetInstallLocation'"
    local tables
    tables=$(mktemp -d)
    (cd "$tables" && msiinfo export "$2" Upgrade >Upgrade.idt &&
        awk -F '\t' -v OFS='\t' '{ sub(/\r$/, "") } $7 == "WIX_UPGRADE_DETECTED" { $5 += 512 } { print }' \
            Upgrade.idt >Upgrade.new &&
        mv Upgrade.new Upgrade.idt && msibuild "$2" -i Upgrade.idt)
    rm -rf "$tables"
}
msi=$out/vq_stu-$version-win64.msi
make_msi "$version" "$msi"
ls -l "$msi"
if [ "${VQ_WINE_TESTS:-1}" != 0 ]; then
    # Another build of the same version, and the same program as a later version, to try the upgrades.
    same=$out/msi-check/vq_stu-same.msi
    newer=$out/msi-check/vq_stu-newer.msi
    mkdir -p "$(dirname "$newer")"
    make_msi "$version" "$same"
    make_msi "${version%.*}.$((${version##*.} + 1))" "$newer"
    bash "$root_dir/scripts/check_windows_package.sh" "$msi" "$same" "$newer" "$stage/example"
fi
echo "Windows build done: $stage.zip, $msi"
