#!/usr/bin/env bash
# Builds the mail-reception fuzzer with clang, libFuzzer, AddressSanitizer and UBSan, and
# optionally runs it for a while, seeded with fuzz/mail/corpus, the regression inputs in
# tests/mail/data (where a crash it finds belongs, named after what it broke, once fixed) and the
# receiving corpus in tests/mail/corpus.
#   build.sh [OUT_DIR] [SECONDS]      default out: fuzz/corpus-work/mail (ignored by git); no run
#                                     without SECONDS
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../fuzz-build.sh"
top=$fuzz_top
out=${1:-$top/fuzz/corpus-work/mail}
mkdir -p "$out"
fuzz_build "$out/fuzz_receive" "Qt6Core vmime" \
  "$here/fuzz_receive.cpp" \
  "$top"/src/mail/{ParsedMail,MimeParts,Base64,MessageDecoder,AttachmentWriter,Charsets,Iso2022JpDecoder,HtmlText}.cpp \
  "$top"/src/platform/{Cp932,TextFields}.cpp
if [ -n "${2:-}" ]; then
  fuzz_run "$out/fuzz_receive" "$out" "$2" 65536 "$here/corpus" "$top/tests/mail/data" \
    "$top/tests/mail/corpus/rfc2045-2049" "$top/tests/mail/corpus/python-email"
fi
