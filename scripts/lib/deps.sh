# Sourced by the scripts: installs the Debian 12 packages the project needs, if any is missing.
finder_packages=(
    cmake ninja-build g++ pkg-config ccache
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
    libgl-dev libqt6svg6 qt6-qpa-plugins fonts-dejavu-core fonts-liberation2
    iproute2 procps libssl-dev
    xvfb xauth xdotool x11-utils x11-apps imagemagick libxcb1-dev desktop-file-utils
    dpkg-dev file lintian appstream
    clang libclang-rt-14-dev valgrind
    dbus-daemon at-spi2-core orca
    ansible-core ansible-lint openssh-server openssh-client
    jq
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
    # The SSH test runs its own sshd inside a private namespace. The package's sshd must not start on
    # the machine's network, neither now (policy-rc.d) nor at boot (sshd_not_to_be_run).
    local fresh_sshd=0 made_policy=0 status=0
    if [[ " ${missing[*]} " == *" openssh-server "* ]]; then
        fresh_sshd=1
        if [ ! -e /usr/sbin/policy-rc.d ]; then
            made_policy=1
            printf '#!/bin/sh\nexit 101\n' >/usr/sbin/policy-rc.d
            chmod 755 /usr/sbin/policy-rc.d
        fi
    fi
    apt-get install -y --no-install-recommends "${missing[@]}" || status=$?
    [ "$made_policy" -eq 0 ] || rm -f /usr/sbin/policy-rc.d
    [ "$fresh_sshd" -eq 0 ] || [ ! -d /etc/ssh ] || touch /etc/ssh/sshd_not_to_be_run
    return "$status"
}
