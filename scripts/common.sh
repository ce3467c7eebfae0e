# Shared by the scripts in this folder: package installation and the build.
# Sourced, not run.

QUORLAN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Packages every build needs; scripts add their own on top.
QUORLAN_BUILD_PACKAGES=(
    cmake g++ make pkg-config
    qtbase5-dev qttools5-dev qttools5-dev-tools
    libboost-dev libdtl-dev
)

# Installs the packages that are not installed yet (Debian, run as root).
ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}

# configure_and_build <build dir> [cmake options...]
configure_and_build() {
    local dir=$1
    shift
    cmake -S "$QUORLAN_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$dir" -j2
}
