#!/usr/bin/env bash
# Builds the mail-reception fuzzer with clang, libFuzzer, AddressSanitizer and UBSan, and
# optionally runs it for a while, seeded with fuzz/mail/corpus and the regression inputs in
# tests/mail/data (where a crash it finds belongs, named after what it broke, once fixed).
#   build.sh [OUT_DIR] [SECONDS]      default out: fuzz/corpus-work/mail (ignored by git); no run
#                                     without SECONDS
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
out=${1:-$top/fuzz/corpus-work/mail}
mkdir -p "$out"
flags=(-std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -I"$top/src" $(pkg-config --cflags Qt6Core vmime libcurl))
sources=(
  "$here/fuzz_receive.cpp"
  "$top"/src/mail/{ParsedMail,MessageDecoder,AttachmentWriter,Charsets,HtmlText}.cpp
  "$top"/src/platform/{Cp932,TextFields}.cpp
)
clang++ "${flags[@]}" "${sources[@]}" $(pkg-config --libs Qt6Core vmime) -o "$out/fuzz_receive"
echo "built $out/fuzz_receive"
if [ -n "${2:-}" ]; then
  mkdir -p "$out/corpus"
  "$out/fuzz_receive" -max_total_time="$2" -max_len=65536 -timeout=10 -rss_limit_mb=4096 \
    -artifact_prefix="$out/" "$out/corpus" "$here/corpus" "$top/tests/mail/data"
fi
