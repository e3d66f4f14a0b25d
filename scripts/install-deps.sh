#!/usr/bin/env bash
# Installs the Debian packages the client, its tests and the sandbox need (as root), if missing.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
  libwxgtk3.2-dev libcurl4-openssl-dev libssh-dev nlohmann-json3-dev libssl-dev libcups2-dev
  libgtest-dev libgmock-dev
  python3 python3-paramiko python3-websockets openssl
  openssh-client openssh-server openssh-sftp-server
  xvfb xauth xdotool x11-utils imagemagick openbox trayer
  cups cups-client cups-bsd printer-driver-cups-pdf
  tigervnc-standalone-server tigervnc-viewer tigervnc-tools nxproxy
  libglib2.0-bin libglib2.0-dev python3-gi gvfs procps xterm x11-xserver-utils desktop-file-utils
  nxagent gvfs-backends dbus python3-pyftpdlib apache2-bin iproute2
  passwd util-linux
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -q
  $sudo_cmd apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
