# Shared by the fuzzers' build scripts (sourced, not run): how a libFuzzer target of this tree
# is compiled. clang, libFuzzer, AddressSanitizer and UBSan, with any UB finding fatal so that
# the fuzzer stops on it and keeps the input.
#   fuzz_build OUT_BINARY PKG_CONFIG_MODULES SOURCES...
fuzz_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

fuzz_build() {
  local out=$1 modules=$2
  shift 2
  # shellcheck disable=SC2046  # pkg-config output is a list of words
  clang++ -std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=undefined -I"$fuzz_top/src" -I"$fuzz_top/fuzz" $(pkg-config --cflags $modules) \
    "$@" $(pkg-config --libs $modules) -o "$out"
  echo "built $out"
}

# Runs a built target for SECONDS, growing the working corpus in WORK_DIR/corpus from the seed
# folders; a crash lands in WORK_DIR as crash-<hash>, to be fixed and kept as a regression input.
#   fuzz_run BINARY WORK_DIR SECONDS MAX_LEN SEED_DIRS...
fuzz_run() {
  local binary=$1 work=$2 seconds=$3 max_len=$4 seed seeds=()
  shift 4
  for seed in "$@"; do
    [ -d "$seed" ] && seeds+=("$seed")  # a test folder may have no regression inputs yet
  done
  mkdir -p "$work/corpus"
  "$binary" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" "${seeds[@]}"
}
