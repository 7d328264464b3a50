#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the program need, when any is
# missing. Runs apt-get as root, or through sudo.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    nlohmann-json3-dev libicu-dev libhowardhinnant-date-dev tzdata libsystemd-dev
    libx11-dev libx11-xcb-dev libxcb-randr0-dev libxrandr-dev libxtst-dev libxext-dev qt6-base-dev libqt6svg6 fonts-dejavu-core
    libwayland-dev wayland-protocols
    xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils xdotool xauth
    clang libclang-rt-14-dev dbus python3-dbusmock libglib2.0-dev desktop-file-utils
    redshift  # a competing program the conflict tests run
    trayer    # an XEmbed system tray the tray-icon tests dock in
    sway      # a real Wayland compositor (headless) the Wayland tests follow outputs on
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
if ((${#missing[@]} == 0)); then
    exit 0
fi

echo "Installing: ${missing[*]}"
as_root=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
