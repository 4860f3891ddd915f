#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: once as built, once under AddressSanitizer
# and UndefinedBehaviorSanitizer, then a short run of each fuzzer, the formatting check, and the Debian package
# and desktop files checked with Debian's own tools. Given a Qt kit for Windows (VQ_QT_WIN or VQ_QT_WIN_TARBALL,
# see scripts/windows.sh), it also builds for Windows, runs every test under Wine and checks the Windows
# Installer package; without one it says so and skips that part.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages "${build_packages[@]}" clang-14 libclang-rt-14-dev clang-format libbenchmark-dev locales e2fsprogs \
    libfuse3-dev fuse3 \
    qttranslations5-l10n

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

echo "== build and test"
build "$root_dir/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVQ_BUILD_BENCH=ON
ctest --test-dir "$root_dir/build" --output-on-failure -j "$jobs"

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
