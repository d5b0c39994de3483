#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, skipping the ones
# already present. Usage: tools/install_deps.sh [viewer|tests]
set -euo pipefail

viewer_packages=(build-essential cmake pkg-config libsdl2-dev libpng-dev libjpeg62-turbo-dev zlib1g-dev
                 libgtest-dev libbenchmark-dev xvfb x11-apps x11-utils imagemagick)
test_packages=("${viewer_packages[@]}" xdotool netpbm python3 python3-pil libjpeg-turbo-progs libosmesa6-dev
               qemu-user)

case "${1:-tests}" in
  viewer) wanted=("${viewer_packages[@]}") ;;
  *) wanted=("${test_packages[@]}") ;;
esac

missing=()
for package in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
