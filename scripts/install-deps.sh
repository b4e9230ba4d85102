#!/usr/bin/env bash
# Installs the Debian packages that building and testing Tarnwick need.
set -euo pipefail
packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev libgmime-3.0-dev libglib2.0-dev libytnef0-dev tnef
  googletest libgtest-dev libbenchmark-dev
  python3 python3-olefile python3-html5lib libemail-outlook-message-perl libemail-address-perl unrtf openssl
  gnupg gpgsm strace
  libetpan-dev libgnutls28-dev libsecret-1-dev
  libpff-dev libbfio-dev pst-utils
  dovecot-imapd isync
  clang libclang-rt-14-dev libgumbo-dev
  xvfb xauth dbus at-spi2-core python3-pyatspi
)
# npm fetches the public Outlook samples; a Node.js of its own brings one.
command -v npm >/dev/null || packages+=(npm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
