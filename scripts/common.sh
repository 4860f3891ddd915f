# Shared by the scripts: install what is missing (Debian 12, as root) and build.
set -euo pipefail

root_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Installs the Debian packages named that are not installed yet.
ensure_packages() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ "${#missing[@]}" -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo apt-get update
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
    fi
}

build_packages=(build-essential cmake ninja-build pkg-config qtbase5-dev qtbase5-dev-tools qttools5-dev-tools
                fonts-wqy-microhei)
# The same sources built with Qt 6: its Core5Compat module for the 8-bit code pages, its Chinese translations.
qt6_packages=(qt6-base-dev qt6-5compat-dev qt6-translations-l10n)

# build DIR [cmake options...]
build() {
    local dir=$1
    shift
    cmake -S "$root_dir" -B "$dir" -G Ninja "$@"
    cmake --build "$dir"
}
