#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it in the sample paper's folder.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages "${build_packages[@]}"
build "$root_dir/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cd "$root_dir/examples"
exec "$root_dir/build/vq_stu" "$@"
