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
  # what the unpacked exim (below) links against
  libdb5.3 libgnutls-dane0 libgnutls30 libidn12 libidn2-0 libnsl2 libpcre2-8-0
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

# Servers whose packages conflict with installed ones are unpacked, not installed, and the tests
# run them from there: popa3d, the third POP3 server, with Dovecot (both provide pop3-server);
# exim, the second private SMTP server, with Postfix (both provide mail-transport-agent).
#   unpack PACKAGE NAME PROGRAM   leaves PACKAGE's files in /opt/tessaly-deps/NAME
unpack() {
  local package=$1 into=/opt/tessaly-deps/$2 program=$3
  [ -x "$into/$program" ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "$package is missing: run this script as root to unpack it into $into." >&2
    exit 1
  fi
  local work
  work=$(mktemp -d)
  chown _apt "$work" 2>/dev/null || true  # apt downloads as _apt where it can
  # Without package lists (a fresh image that had every other package) apt needs an update first.
  (cd "$work" && { apt-get download -qq "$package" 2>/dev/null || { apt-get update -qq && apt-get download -qq "$package"; }; })
  mkdir -p "$into"
  dpkg-deb -x "$work/${package}"_*.deb "$into"
  rm -rf "$work"
}
unpack popa3d popa3d usr/sbin/popa3d
unpack exim4-daemon-light exim usr/sbin/exim4
# exim looks its built-in user up before it reads any configuration, though the tests' exim
# runs as "mail": the user the package would have made must exist.
if ! getent passwd Debian-exim > /dev/null; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "The system user Debian-exim is missing: run this script as root to add it." >&2
    exit 1
  fi
  useradd --system --user-group --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin Debian-exim
fi

# VMime as Debian ships it is built without optimisation; an optimised build of the same source
# makes receiving several times faster. Without it (no root, no network) Debian's is used.
if [ "$(id -u)" -eq 0 ]; then
  "$(dirname "$0")/build-vmime.sh" || echo "warning: could not build an optimised VMime; using Debian's libvmime" >&2
fi
