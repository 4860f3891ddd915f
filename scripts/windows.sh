#!/usr/bin/env bash
# Builds vq_stu for 64-bit Windows on Debian 12 with mingw-w64, runs the tests under Wine and packs
# build-windows/vq_stu-<version>-win64.zip: the program with everything it needs to start on a clean Windows.
#   VQ_QT_WIN=KIT      a Qt 5 MinGW 64-bit kit (from Qt's installer, MSYS2, or one built here). Without it the
#                      script builds one from Debian's qtbase source into ~/.cache/vq-stu/ once (about 22
#                      minutes on two cores) and reuses it after that.
#   VQ_WINE_TESTS=0    builds and packs without running the tests under Wine.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages "${build_packages[@]}" g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth x11-utils zip \
    qttranslations5-l10n
cache=${XDG_CACHE_HOME:-$HOME/.cache}/vq-stu
mkdir -p "$cache"
version=$(sed -n 's/^project(vq_stu VERSION \([0-9.]*\).*/\1/p' "$root_dir/CMakeLists.txt")

echo "== Qt for Windows"
kit=${VQ_QT_WIN:-}
if [ -z "$kit" ]; then
    qt_version=$(dpkg-query -W -f='${Version}' qtbase5-dev | sed 's/[+~-].*//')
    kit=$cache/qt-$qt_version-mingw64
    if [ ! -f "$kit/.vq-complete" ]; then
        rm -rf "$kit"
        bash "$root_dir/scripts/build_qt_windows.sh" "$kit"
        touch "$kit/.vq-complete"
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

# Wine with a display of its own (Xvfb) and a prefix in the cache; Chinese Windows fonts are replaced by
# WenQuanYi so that Wine's own windows (the message boxes) show Chinese.
start_wine() {
    export WINEPREFIX=$cache/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
    if [ -z "${VQ_KEEP_DISPLAY:-}" ]; then
        local number=90
        while [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
        Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        export DISPLAY=:$number
        trap 'wineserver -k 2>/dev/null || true; kill "$xvfb_pid" 2>/dev/null || true' EXIT
        for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.2; done
    fi
    if [ ! -f "$WINEPREFIX/.vq-fonts" ]; then
        LANG=zh_CN.UTF-8 wine wineboot -i >/dev/null 2>&1 || true
        for font in "MS Shell Dlg" "MS Shell Dlg 2" Tahoma SimSun NSimSun "Microsoft YaHei" 宋体 新宋体 微软雅黑; do
            wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /d "WenQuanYi Micro Hei" /f >/dev/null
        done
        wineserver -w
        touch "$WINEPREFIX/.vq-fonts"
    fi
    local path=""
    for folder in "$kit/bin" "${runtime[@]}"; do
        path+="$(winepath -w "$folder" 2>/dev/null);"
    done
    export WINEPATH=$path
}

if [ "${VQ_WINE_TESTS:-1}" != 0 ]; then
    echo "== tests under Wine (Chinese Windows: code page 936)"
    start_wine
    failed=0
    results=$out/wine-tests
    mkdir -p "$results"
    for test in "$out"/tests/tst_*.exe; do
        name=$(basename "$test" .exe)
        started=$(date +%s)
        (cd "$out/tests" && LANG=zh_CN.UTF-8 LC_ALL= QT_QPA_PLATFORM=offscreen \
            QT_PLUGIN_PATH="$(winepath -w "$kit/plugins")" VQ_SOAK_ACTIONS=${VQ_SOAK_ACTIONS:-300} \
            timeout 900 wine "$test" -o "$(winepath -w "$results/$name.txt"),txt" >/dev/null 2>&1) && rc=0 || rc=$?
        totals=$(grep -h '^Totals' "$results/$name.txt" 2>/dev/null || echo "no result")
        echo "$name: $totals ($(($(date +%s) - started)) s)"
        if [ "$rc" -ne 0 ]; then
            grep -h -A3 '^FAIL' "$results/$name.txt" 2>/dev/null || true
            failed=1
        fi
    done
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
echo "Windows build done: $stage.zip"
