#!/usr/bin/env bash
# Builds every fuzzer of the tree with clang (libFuzzer, ASan, UBSan) and runs each in turn for
# SECONDS (default 600), seeded with its corpus folder and the regression inputs of its tests.
# Builds and working corpora go to fuzz/corpus-work/ (ignored by git); a crash stops the run
# with the input saved there as crash-<hash>.
#   run-all.sh [SECONDS]          SECONDS=0 builds only
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/fuzz-build.sh"
top=$fuzz_top
seconds=${1:-600}
work=$here/corpus-work
mkdir -p "$work"/{mail,cp932,private_profile,main_settings,history_record,address_record}

"$here/mail/build.sh" "$work/mail"
fuzz_build "$work/cp932/fuzz_cp932" Qt6Core \
  "$here/platform/fuzz_cp932.cpp" "$top"/src/platform/{Cp932,TextFields}.cpp
fuzz_build "$work/private_profile/fuzz_private_profile" Qt6Core \
  "$here/platform/fuzz_private_profile.cpp" "$top"/src/platform/{Cp932,TextFields,PrivateProfile}.cpp
fuzz_build "$work/main_settings/fuzz_main_settings" Qt6Core \
  "$here/settings/fuzz_main_settings.cpp" "$top"/src/settings/SettingsFiles.cpp \
  "$top"/src/platform/{Cp932,TextFields,PrivateProfile,NumberRules,ProgramFolder}.cpp
store_sources=("$top"/src/store/{HistoryRecord,HistoryFile,AddressRecord,AddressBookFile,RecordFile,RecordFileRewrite}.cpp
               "$top"/src/platform/{Cp932,TextFields,NumberRules,ProgramFolder}.cpp)
fuzz_build "$work/history_record/fuzz_history_record" Qt6Core \
  "$here/store/fuzz_history_record.cpp" "${store_sources[@]}"
fuzz_build "$work/address_record/fuzz_address_record" Qt6Core \
  "$here/store/fuzz_address_record.cpp" "${store_sources[@]}"

[ "$seconds" -gt 0 ] || exit 0
fuzz_run "$work/mail/fuzz_receive" "$work/mail" "$seconds" 65536 \
  "$here/mail/corpus" "$top/tests/mail/data"
fuzz_run "$work/cp932/fuzz_cp932" "$work/cp932" "$seconds" 4096 \
  "$here/platform/corpus/cp932" "$top/tests/platform/data"
fuzz_run "$work/private_profile/fuzz_private_profile" "$work/private_profile" "$seconds" 4096 \
  "$here/platform/corpus/private_profile"
fuzz_run "$work/main_settings/fuzz_main_settings" "$work/main_settings" "$seconds" 4096 \
  "$here/settings/corpus" "$top/tests/settings/data"
fuzz_run "$work/history_record/fuzz_history_record" "$work/history_record" "$seconds" 65536 \
  "$here/store/corpus/history" "$top/tests/store/data"
fuzz_run "$work/address_record/fuzz_address_record" "$work/address_record" "$seconds" 4096 \
  "$here/store/corpus/address" "$top/tests/store/data"
