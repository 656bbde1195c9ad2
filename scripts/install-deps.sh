#!/usr/bin/env bash
# Installs the Debian packages Tessaly needs to build, run and test, skipping those present.
# Run as root on Debian 12.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl1-mesa-dev libcurl4-openssl-dev libssl-dev libvmime-dev libicu-dev dpkg-dev
  # run: Japanese fonts, emoji as mail carries them, and Qt's Japanese standard-button texts
  fonts-noto-cjk fonts-noto-color-emoji qt6-translations-l10n
  # real windows and screenshots in the end-to-end tests
  xvfb xauth xdotool imagemagick x11-utils
  # the loopback mail servers of the tests
  dovecot-core dovecot-pop3d mailutils-pop3d python3-aiosmtpd openssl swaks
  # mail written by other programs for the receiving corpus (tests/mail/corpus)
  nkf neomutt
  # a text browser that judges how HTML mail reads as text, and the X clipboard read by the
  # end-to-end tests
  w3m xclip
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages need root: run this script as root (or install them with sudo)." >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# VMime as Debian ships it is built without optimisation; an optimised build of the same source
# makes receiving several times faster. Without it (no root, no network) Debian's is used.
if [ "$(id -u)" -eq 0 ]; then
  "$(dirname "$0")/build-vmime.sh" || echo "warning: could not build an optimised VMime; using Debian's libvmime" >&2
fi
