#!/usr/bin/env bash
# Installs what is missing, builds, and takes a screenshot of each of the four pages of the window with the
# sample paper open, on a virtual X display, into docs/.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages "${build_packages[@]}" xvfb xauth
build "$root_dir/build"
mkdir -p "$root_dir/docs"
LANG=C.UTF-8 LC_ALL=C.UTF-8 xvfb-run -a -s "-screen 0 1024x768x24" \
    "$root_dir/build/tests/take_screenshots" "$root_dir/examples" "$root_dir/docs"
