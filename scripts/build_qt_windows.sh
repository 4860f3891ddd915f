#!/usr/bin/env bash
# Builds a Qt 5 kit for 64-bit Windows from Debian 12's own qtbase source with Debian's mingw-w64 cross compiler:
# Core, Gui, Widgets and Test, the windows, offscreen and minimal platform plugins and the styles, with Linux
# host tools (moc, uic, rcc, qmake). About 22 minutes on two cores.
#   build_qt_windows.sh KIT_DIR
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

kit=$(realpath -m "${1:?usage: build_qt_windows.sh KIT_DIR}")
work=$(mktemp -d "${TMPDIR:-/tmp}/vq-qt-windows.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The source package comes through a deb-src twin of Debian's own package list.
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ /etc/apt/sources.list 2>/dev/null; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
        $sudo tee /etc/apt/sources.list.d/debian-src.sources >/dev/null
    $sudo apt-get update
fi
ensure_packages g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev build-essential perl python3 dpkg-dev xz-utils

cd "$work"
apt-get source --download-only qtbase-opensource-src
mkdir src build
tar -xJf qtbase-opensource-src_*.orig.tar.xz -C src --strip-components=1
cd build
# The compilers are named -posix explicitly, so the system's alternatives stay as they are.
export PATH="$work/bin:$PATH"
mkdir -p "$work/bin"
for tool in gcc g++; do
    ln -sf "/usr/bin/x86_64-w64-mingw32-$tool-posix" "$work/bin/x86_64-w64-mingw32-$tool"
done
# Debian's source lacks the tablet (wintab) headers: tablet events are off (a pen still works as a mouse).
# Accessibility is on: on Windows Qt 5.15 speaks UI Automation through its own headers.
../src/configure -xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32- -prefix "$kit" \
    -release -opensource -confirm-license -nomake examples -nomake tests -no-opengl -no-dbus -no-icu \
    -no-openssl -no-sql-sqlite -no-sql-odbc -no-feature-tabletevent \
    -qt-zlib -qt-pcre -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz
jobs=$(nproc)
make sub-src-qmake_all
make -C src -j"$jobs" sub-widgets-make_first sub-testlib-make_first sub-platformsupport-make_first \
    sub-winmain-make_first
make -C src sub-plugins-qmake_all
# Only the plugins that the program needs: the platforms (windows, offscreen, minimal) and the styles.
make -C src/plugins -j"$jobs" sub-platforms-make_first sub-styles-make_first
for part in moc rcc uic corelib winmain gui platformsupport platformheaders widgets testlib; do
    make -C src "sub-$part-install_subtargets"
done
for part in platforms styles; do
    make -C src/plugins "sub-$part-install_subtargets"
done
make install_mkspecs
cp bin/qmake "$kit/bin/"                           # Qt's CMake files check that qmake is there
printf '[Paths]\nPrefix=..\n' >"$kit/bin/qt.conf" # the kit can move
echo "Qt for Windows: $kit"
