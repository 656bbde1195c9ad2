#!/usr/bin/env bash
# Debian's libvmime is built without optimisation (VMime's own build defaults to a debug build
# with -O0, and Debian's package keeps that), which makes parsing a mail several times slower
# than the library is: a mail check of 200 mails of 200 KB spent most of its time there. This
# builds the same source package, Debian's VMime 0.9.2 with Debian's patches, as an optimised
# static library of the parts Tessaly uses (MIME parsing, ICU charsets) into PREFIX, once. The
# build uses it when it is there and Debian's libvmime-dev otherwise: same code, other speed.
#
#   build-vmime.sh [PREFIX]      (default /opt/tessaly-deps/vmime-0.9.2); run as root
set -euo pipefail
prefix=${1:-/opt/tessaly-deps/vmime-0.9.2}
[ -f "$prefix/lib/libvmime.a" ] && [ -f "$prefix/lib/pkgconfig/vmime.pc" ] && exit 0

# apt-get source needs the source lines of the archive the binary packages come from.
if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  sed -n '/^Types: deb$/,/^$/p' /etc/apt/sources.list.d/debian.sources | sed 's/^Types: deb$/Types: deb-src/' \
    >/etc/apt/sources.list.d/tessaly-deb-src.sources
  apt-get update -qq
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
apt-get source -qq libvmime >/dev/null 2>&1
source_dir=$(find "$work" -maxdepth 1 -type d -name 'libvmime-*' | head -n 1)
cmake -S "$source_dir" -B build -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DCMAKE_POSITION_INDEPENDENT_CODE=ON -DVMIME_BUILD_SHARED_LIBRARY=OFF -DVMIME_BUILD_STATIC_LIBRARY=ON \
  -DVMIME_BUILD_TESTS=OFF -DVMIME_BUILD_SAMPLES=OFF -DVMIME_BUILD_DOCUMENTATION=OFF \
  -DVMIME_HAVE_MESSAGING_FEATURES=OFF -DVMIME_HAVE_MESSAGING_PROTO_SENDMAIL=OFF \
  -DVMIME_HAVE_SASL_SUPPORT=OFF -DVMIME_HAVE_TLS_SUPPORT=OFF -DVMIME_CHARSETCONV_LIB=icu >/dev/null
cmake --build build --parallel "$(nproc)" >build.log 2>&1 || { tail -n 30 build.log >&2; exit 1; }
cmake --install build >/dev/null
# VMime's own file points the compiler one folder too deep; this one is what the build needs.
cat >"$prefix/lib/pkgconfig/vmime.pc" <<PC
Name: vmime
Description: VMime ${source_dir##*/libvmime-}, optimised static build of Debian's source
Version: 0.9.2
Libs: -L$prefix/lib -lvmime -licuuc -licudata
Cflags: -I$prefix/include
PC
echo "optimised VMime in $prefix"
