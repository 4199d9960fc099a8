#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each on
# a copy of its seed corpus (tests/fuzz/corpus/<name>) for FUZZ_SECONDS
# seconds (10). Skipped, with a note, where clang cannot build a fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${FUZZ_SECONDS:-10}

probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }' >"$probe/p.cpp"
if ! clang++ -fsanitize=fuzzer "$probe/p.cpp" -o "$probe/p" >/dev/null 2>&1; then
    echo "fuzz-smoke: clang++ with libFuzzer not available, skipped"
    exit 0
fi

cmake --preset fuzz >/dev/null
targets=(stored script log)
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

for t in "${targets[@]}"; do
    corpus="$probe/$t"
    cp -r "$root/tests/fuzz/corpus/$t" "$corpus"
    echo "fuzz_$t: ${seconds} s"
    # Qt's own one-time allocations are not leaks of the input.
    "$root/build-fuzz/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -detect_leaks=0 -print_final_stats=0 "$corpus" 2>"$probe/$t.log" \
        || { tail -n 40 "$probe/$t.log"; exit 1; }
    tail -n 1 "$probe/$t.log"
done
