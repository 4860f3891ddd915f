#!/usr/bin/env bash
# Builds the Debian package and checks it with Debian's own tools: lintian (no error, no warning), the AppStream
# and desktop-entry validators, and the answer-file type: installed into a scratch prefix, an answer file is
# recognised as application/x-vq-stu and opens with vq_stu.desktop.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages lintian appstream desktop-file-utils shared-mime-info xdg-utils libfile-mimeinfo-perl man-db
bash "$root_dir/scripts/package.sh"

echo "== lintian"
deb=$(ls "$root_dir"/build-package/vq-stu_*.deb)
lintian --fail-on error,warning --allow-root "$deb"

echo "== appstreamcli and desktop-file-validate"
appstreamcli validate --no-net "$root_dir/packaging/vq_stu.metainfo.xml"
desktop-file-validate "$root_dir/packaging/vq_stu.desktop"

echo "== the answer-file type"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export XDG_DATA_HOME="$scratch/share" XDG_DATA_DIRS="$scratch/share:/usr/share" XDG_CONFIG_HOME="$scratch/config"
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION
cmake --install "$root_dir/build-package" --prefix "$scratch" > /dev/null
update-mime-database "$scratch/share/mime"
update-desktop-database "$scratch/share/applications"
touch "$scratch/张三.stu"
type=$(xdg-mime query filetype "$scratch/张三.stu")
app=$(xdg-mime query default application/x-vq-stu)
echo "filetype: $type; default: $app"
[ "$type" = application/x-vq-stu ] && [ "$app" = vq_stu.desktop ]
echo "Desktop checks passed."
