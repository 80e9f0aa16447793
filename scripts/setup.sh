#!/usr/bin/env bash
# Installs whatever the build, the tests and the demo run need and is not on this machine yet.
set -euo pipefail
need=()
for pkg in build-essential cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools \
           qt6-serialport-dev qt6-svg-dev libsqlite3-dev libgtest-dev libgmock-dev \
           libbenchmark-dev libgl-dev clang libclang-rt-14-dev xvfb xauth x11-apps \
           imagemagick poppler-utils fonts-dejavu-core xdotool xdg-utils python3 \
           cups-daemon cups-client acl; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
