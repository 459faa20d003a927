#!/usr/bin/env bash
# Installs what building, running and testing the program needs on Debian. Does nothing (and needs no
# network) when everything is already there.
set -euo pipefail

packages=(cmake g++ make ninja-build ccache pkg-config juce-modules-source googletest libgtest-dev
          libbenchmark-dev libxtst-dev xvfb xauth xdotool x11-utils openbox fluxbox icewm jwm xsettingsd)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
