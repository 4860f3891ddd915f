#!/usr/bin/env bash
# Installs what is missing, builds, and takes a screenshot of each of the four pages of the window with the
# sample paper open, on a virtual X display, into docs/. With VQ_SCREENSHOT_PALETTE=high-contrast (or dark) the
# pictures show the window under that desktop palette (page-1-control-high-contrast.png and so on).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages "${build_packages[@]}" xvfb xauth fonts-wqy-microhei
build "$root_dir/build"
mkdir -p "$root_dir/docs"
# The desktop's own platform theme stays out: the pictures show the toolkit's default look, or the palette asked for.
LANG=C.UTF-8 LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME= xvfb-run -a -s "-screen 0 1024x768x24" \
    timeout 120 "$root_dir/build/tests/take_screenshots" "$root_dir/examples" "$root_dir/docs"
