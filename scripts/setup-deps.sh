#!/usr/bin/env bash
# Installs the Debian packages the game needs to build, run and be tested. Safe to run
# again: it installs only what is missing. Runs apt-get as root, or through sudo.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-image-formats-plugins
    qt6-tools-dev qt6-tools-dev-tools qt6-documentation-tools
    libgraphicsmagick++1-dev libseccomp-dev zlib1g-dev
    fonts-liberation2
    libgtest-dev libbenchmark-dev
    xvfb xauth xdotool x11-apps
    desktop-file-utils appstream jq
    dpkg-dev file lintian
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "These packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
    exit 1
fi

echo "Installing: ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
