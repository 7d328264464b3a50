#!/usr/bin/env bash
# deps.sh [run|test]: installs the Debian 12 packages that are missing, for building and
# running the program ("run") or for that and every test, the fuzzers and the benchmarks
# ("test", the default). Runs apt-get as root, or through sudo.
set -euo pipefail

run_packages=(
    build-essential cmake ninja-build pkg-config
    nlohmann-json3-dev libicu-dev libhowardhinnant-date-dev tzdata libsystemd-dev libglib2.0-dev
    libx11-dev libx11-xcb-dev libxcb-randr0-dev libxrandr-dev libxtst-dev libxext-dev
    qt6-base-dev libqt6svg6
    qt6-wayland  # Qt's Wayland platform: the windows in a Wayland session without Xwayland
    libwayland-dev wayland-protocols
    x11-xserver-utils  # xrandr: scripts/run.sh asks it whether a display answers
)
test_packages=(
    libgtest-dev libgmock-dev libbenchmark-dev fonts-dejavu-core
    xserver-xorg-core xserver-xorg-video-dummy xdotool xauth
    clang libclang-rt-14-dev dbus
    desktop-file-utils appstream  # validate the installed desktop entry and metainfo
    redshift  # a competing program the conflict tests run
    trayer    # an XEmbed system tray the tray-icon tests dock in
    sway      # a real Wayland compositor (headless) the Wayland tests follow outputs on
    lintian   # judges the Debian package as Debian judges its own
    # The desktops' own night lights our Warm is tested against, headless: KWin, and GNOME's
    # colour plugin under mutter with its settings in dconf
    kwin-wayland mutter gnome-settings-daemon dconf-gsettings-backend
)

case "${1:-test}" in
    run) packages=("${run_packages[@]}") ;;
    test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
    *) echo "usage: deps.sh [run|test]" >&2; exit 2 ;;
esac

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
