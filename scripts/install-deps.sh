#!/usr/bin/env bash
# Installs the Debian packages Tessaly needs to build, run and test, skipping those present.
# Run as root on Debian 12.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl1-mesa-dev libssl-dev libvmime-dev libicu-dev dpkg-dev
  # run: Japanese fonts, emoji as mail carries them, and Qt's Japanese standard-button texts
  fonts-noto-cjk fonts-noto-color-emoji qt6-translations-l10n
  # real windows and screenshots in the end-to-end tests
  xvfb xauth xdotool imagemagick x11-utils
  # the loopback mail servers of the tests (Postfix runs as a private instance only, see below)
  dovecot-core dovecot-pop3d mailutils-pop3d python3-aiosmtpd openssl swaks postfix
  # attachment types by file name (Qt reads the shared MIME database)
  shared-mime-info
  # popa3d's chroot and mount namespace (scripts/mailservers/popa3d.sh)
  libpam-modules libpam0g mount util-linux
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
  # Postfix is installed unconfigured and never started as the system's mail server: the tests
  # run a private instance of their own (scripts/mailservers/postfix.sh). Its service is kept
  # from starting during the installation.
  echo "postfix postfix/main_mailer_type select No configuration" | debconf-set-selections
  own_policy=
  if [ ! -e /usr/sbin/policy-rc.d ]; then
    printf '#!/bin/sh\nexit 101\n' > /usr/sbin/policy-rc.d
    chmod 755 /usr/sbin/policy-rc.d
    own_policy=1
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
  [ -z "$own_policy" ] || rm -f /usr/sbin/policy-rc.d
fi

# popa3d, the third POP3 server of the tests, conflicts with Dovecot's package (both provide
# pop3-server): its package is unpacked, not installed, and the tests run it from there.
popa3d_dir=/opt/tessaly-deps/popa3d
if [ ! -x "$popa3d_dir/usr/sbin/popa3d" ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "popa3d is missing: run this script as root to unpack it into $popa3d_dir." >&2
    exit 1
  fi
  work=$(mktemp -d)
  chown _apt "$work" 2>/dev/null || true  # apt downloads as _apt where it can
  # Without package lists (a fresh image that had every other package) apt needs an update first.
  (cd "$work" && { apt-get download -qq popa3d 2>/dev/null || { apt-get update -qq && apt-get download -qq popa3d; }; })
  dpkg-deb -x "$work"/popa3d_*.deb "$popa3d_dir"
  rm -rf "$work"
fi

# VMime as Debian ships it is built without optimisation; an optimised build of the same source
# makes receiving several times faster. Without it (no root, no network) Debian's is used.
if [ "$(id -u)" -eq 0 ]; then
  "$(dirname "$0")/build-vmime.sh" || echo "warning: could not build an optimised VMime; using Debian's libvmime" >&2
fi
