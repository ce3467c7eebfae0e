# Shared by the scripts in this folder: package installation and the build.
# Sourced, not run.

QUORLAN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Packages every build needs; scripts add their own on top.
QUORLAN_BUILD_PACKAGES=(
    cmake g++ make pkg-config
    qtbase5-dev qttools5-dev qttools5-dev-tools
    libdtl-dev libssl-dev
)

# What scripts/check-install uses to look at the installed tree: the menu
# entry's validator, man to render the pages, strace to see which translation
# file the installed window opens.
QUORLAN_INSTALL_CHECK_PACKAGES=(desktop-file-utils man-db strace)

# What scripts/package uses: dpkg-shlibdeps (dpkg-dev) for the dependencies,
# and lintian.
QUORLAN_PACKAGE_PACKAGES=(dpkg-dev lintian)

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

# start_example_fleet <build dir> <work dir>
# Copies examples/ to <work dir>/fleet (a push changes the servers' files, so
# the fleet runs on the copy) and starts orrin-sim with its fleet.json in the
# background, logging to <work dir>/orrin-sim.log. Returns once every server
# listens; the fleet is stopped when the calling script exits.
start_example_fleet() {
    local build=$1 work=$2
    cp -R "$QUORLAN_ROOT/examples/." "$work/fleet"
    "$build/bin/orrin-sim" --fleet "$work/fleet/fleet.json" --ready-file "$work/fleet.ready" >"$work/orrin-sim.log" 2>&1 &
    QUORLAN_FLEET_PID=$!
    trap stop_example_fleet EXIT
    local _
    for _ in $(seq 100); do
        [ -f "$work/fleet.ready" ] && return 0
        if ! kill -0 "$QUORLAN_FLEET_PID" 2>/dev/null; then
            echo "the simulated fleet did not start:" >&2
            cat "$work/orrin-sim.log" >&2
            exit 1
        fi
        sleep 0.1
    done
    echo "the simulated fleet did not come up within 10 seconds (log: $work/orrin-sim.log)" >&2
    exit 1
}

stop_example_fleet() {
    kill "$QUORLAN_FLEET_PID" 2>/dev/null || true
    wait "$QUORLAN_FLEET_PID" 2>/dev/null || true
}
