#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan, UBSan) in build-fuzz/ and runs each of them in
# turn for SECONDS seconds (default 60), at low priority. New inputs collect in
# build-fuzz/fuzz/corpus/<target>/ next to the seeds of fuzz/corpus/<target>/; a crash is
# kept as build-fuzz/fuzz/findings/<target>/crash-* and makes the script fail.
#   bash scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

bash scripts/setup-debian.sh
missing=()
for p in clang-14 libfuzzer-14-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORELIA_FUZZ=ON -DORELIA_BUILD_TESTS=OFF -DORELIA_BUILD_BENCHMARKS=OFF "${launcher[@]}"
nice -n 15 cmake --build build-fuzz --target fuzz-targets

failed=0
for source in fuzz/fuzz_*.cpp; do
    target=$(basename "$source" .cpp)
    name=${target#fuzz_}
    found=build-fuzz/fuzz/corpus/$name
    findings=build-fuzz/fuzz/findings/$name
    mkdir -p "$found" "$findings"
    echo "== $name: ${seconds} s"
    status=0
    LC_ALL=C.UTF-8 nice -n 19 "build-fuzz/fuzz/$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" \
        "$found" "fuzz/corpus/$name" 2>"build-fuzz/fuzz/$name.log" || status=$?
    grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb|^Done [0-9]+ runs' "build-fuzz/fuzz/$name.log" || true
    if [ "$status" -ne 0 ]; then
        failed=1
        echo "   FINDING (exit $status): see build-fuzz/fuzz/$name.log and $findings/"
    fi
done
exit "$failed"
