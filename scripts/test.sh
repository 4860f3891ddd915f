#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: once as built, then what Orca says to a
# student who uses the window with keys only, once built with Qt 6 (which must build without a warning), once
# under AddressSanitizer and UndefinedBehaviorSanitizer, then a short run of each fuzzer, the formatting check,
# and the Debian package and desktop files checked with Debian's own tools. Given a Qt kit for Windows
# (VQ_QT_WIN or VQ_QT_WIN_TARBALL, see scripts/windows.sh), it also builds for Windows, runs every test under Wine
# and checks the Windows Installer package; without one it says so and skips that part.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages "${build_packages[@]}" clang-14 libclang-rt-14-dev clang-format libbenchmark-dev locales e2fsprogs \
    libfuse3-dev fuse3 \
    qttranslations5-l10n "${qt6_packages[@]}"
# The screen reader check: Orca on a private X display with a window manager, a D-Bus session and the AT-SPI bus.
# Where they cannot be installed, the check says so and is skipped.
ensure_packages orca at-spi2-core dbus-daemon xvfb xauth openbox xdotool ||
    echo "Orca and its desktop could not be installed: the screen reader check will be skipped."

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

echo "== build and test"
build "$root_dir/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVQ_BUILD_BENCH=ON
ctest --test-dir "$root_dir/build" --output-on-failure -j "$jobs"

echo "== what a screen reader says: Orca and the real window, keys only"
if [ -x /usr/bin/python3 ]; then
    /usr/bin/python3 "$root_dir/tests/screen_reader/check_speech.py" "$root_dir/build/vq_stu"
else
    echo "The screen reader check is skipped: Orca's Python is not installed."
fi

echo "== what a low-vision student sees: contrast under a high-contrast and a dark palette, on a real display"
if command -v xvfb-run >/dev/null && command -v xauth >/dev/null; then
    LANG=C.UTF-8 LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME= xvfb-run -a -s "-screen 0 1024x768x24" \
        timeout 60 "$root_dir/build/tests/check_contrast" "$root_dir/examples"
else
    echo "The contrast check is skipped: Xvfb (xvfb-run, xauth) is not installed."
fi

echo "== build and test with Qt 6 (the shipped builds use Qt 5)"
build "$root_dir/build-qt6" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVQ_QT_MAJOR_VERSION=6 -DCMAKE_CXX_FLAGS=-Werror
ctest --test-dir "$root_dir/build-qt6" --output-on-failure -j "$jobs"

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
build "$root_dir/build-asan" -DCMAKE_BUILD_TYPE=Debug -DVQ_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$root_dir/build-asan" --output-on-failure -j "$jobs"

echo "== fuzz the readers for a short while"
build "$root_dir/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 -DVQ_BUILD_FUZZ=ON \
    -DVQ_BUILD_TESTS=OFF
"$root_dir/fuzz/run.sh" "$root_dir/build-fuzz" "${VQ_FUZZ_SECONDS:-60}"

echo "== formatting"
cmake --build "$root_dir/build" --target format-check

echo "== the Debian package and the desktop files"
bash "$root_dir/scripts/check_desktop.sh"

echo "== Windows"
if [ -n "${VQ_QT_WIN:-}${VQ_QT_WIN_TARBALL:-}" ]; then
    bash "$root_dir/scripts/windows.sh"
else
    echo "No Qt kit for Windows (VQ_QT_WIN or VQ_QT_WIN_TARBALL): the Windows build and its tests are skipped."
fi

echo "All tests passed."
