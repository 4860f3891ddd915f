#!/usr/bin/env bash
# Installs what is missing, builds a release and makes a Debian package of it in build-package/.
# Install it with: apt-get install ./build-package/vq-stu_*.deb
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages "${build_packages[@]}" dpkg-dev file
build "$root_dir/build-package" -DCMAKE_BUILD_TYPE=Release -DVQ_BUILD_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr
(cd "$root_dir/build-package" && cpack -G DEB)
ls -l "$root_dir"/build-package/vq-stu_*.deb
