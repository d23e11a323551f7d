# Sourced by the scripts: installs the Debian 12 packages the project needs, if any is missing.
finder_packages=(
    cmake ninja-build g++ pkg-config ccache
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
    libgl-dev libqt6svg6 qt6-qpa-plugins fonts-dejavu-core fonts-liberation2
    iproute2 libssl-dev
    xvfb xauth xdotool x11-utils x11-apps imagemagick libxcb1-dev desktop-file-utils
    dpkg-dev file lintian appstream
    clang libclang-rt-14-dev valgrind
    dbus-daemon at-spi2-core orca
)

finder_install_deps() {
    local missing=() p
    for p in "${finder_packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then
        echo "Root is needed to install packages (run as root, or install them yourself)." >&2
        return 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${missing[@]}"
}
