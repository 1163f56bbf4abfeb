#!/usr/bin/env bash
# Mixed transfer benchmark: two uploads and two downloads of 256 MiB each through
# "nubexa-cli run" against nubexa-service on loopback, against four curl transfers of the same
# files to the same file server in parallel. Ours is timed with the client's 3 s monitor tick
# and with a 0.2 s tick: a run fills every free slot at once, so the two should agree.
# Ends with: BENCH transfer_mixed <key>=<value> ...
set -euo pipefail

RELEASE_DIR="${RELEASE_DIR:?RELEASE_DIR must name the release build}"
SERVICE="$RELEASE_DIR/standin/nubexa-service"
CLI="$RELEASE_DIR/src/cli/nubexa-cli"
SIZE_MIB="${MIXED_BENCH_MIB:-256}"
ROUNDS=2
for program in "$SERVICE" "$CLI"; do
    [ -x "$program" ] || { echo "missing $program" >&2; exit 1; }
done

# In memory when there is room (sources, the service's copies and what comes back), so that
# the shared disk's writeback does not decide the comparison; MIXED_BENCH_DIR chooses another.
BASE="${MIXED_BENCH_DIR:-/dev/shm}"
need_kib=$((SIZE_MIB * 1024 * 24))
if [ ! -d "$BASE" ] || [ "$(df -Pk "$BASE" | awk 'NR == 2 { print $4 }')" -lt "$need_kib" ]; then
    BASE="${TMPDIR:-/tmp}"
fi
WORK="$(mktemp -d "$BASE/nubexa-mixed-bench-XXXXXX")"
# shellcheck source=lib/standin.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib/standin.sh"
on_exit stop_standin_and_clean
start_standin

bytes=$((SIZE_MIB * 1024 * 1024))
for name in up1 up2 src1 src2; do head -c "$bytes" /dev/urandom >"$WORK/$name.bin"; done
# The two files to download, put on the disk first.
"$CLI" put "$WORK/src1.bin" "$WORK/src2.bin" >/dev/null
"$CLI" run --interval 0.2 >/dev/null 2>&1
id_of() { "$CLI" ls / | awk -F'\t' -v n="$1" '$1 == n { sub("id=", "", $4); print $4 }'; }
ID1="$(id_of src1.bin)"
ID2="$(id_of src2.bin)"
[ -n "$ID1" ] && [ -n "$ID2" ] || { echo "the prepared files are not on the disk" >&2; exit 1; }

same() { cmp -s "$1" "$2" || { echo "$1 differs from $2" >&2; exit 1; }; }

# One run of ours: both uploads (under new names) and both downloads queued, then timed "run".
ours() { # <tag> <interval>
    local tag=$1 down="$WORK/down-$1"
    mkdir -p "$down"
    ln "$WORK/up1.bin" "$WORK/up1-$tag.bin"
    ln "$WORK/up2.bin" "$WORK/up2-$tag.bin"
    "$CLI" put "$WORK/up1-$tag.bin" "$WORK/up2-$tag.bin" >/dev/null
    "$CLI" get /src1.bin /src2.bin --to "$down" >/dev/null
    local start
    start=$(now)
    "$CLI" run --interval "$2" >/dev/null 2>&1
    elapsed "$start" "$(now)"
    same "$down/src1.bin" "$WORK/src1.bin"
    same "$down/src2.bin" "$WORK/src2.bin"
    [ -n "$(id_of "up1-$tag.bin")" ] && [ -n "$(id_of "up2-$tag.bin")" ] ||
        { echo "uploads of $tag missing" >&2; exit 1; }
    rm -rf "$down"
}

# The same four transfers by curl at once.
peer() { # <tag>
    local tag=$1 down="$WORK/curl-$1"
    mkdir -p "$down"
    local start
    start=$(now)
    local pids=()
    curl -s -o "$down/src1.bin" "$FTP_URL/$ID1.bin" & pids+=($!)
    curl -s -o "$down/src2.bin" "$FTP_URL/$ID2.bin" & pids+=($!)
    curl -s -T "$WORK/up1.bin" "$FTP_URL/curl-up1-$tag.bin" & pids+=($!)
    curl -s -T "$WORK/up2.bin" "$FTP_URL/curl-up2-$tag.bin" & pids+=($!)
    for pid in "${pids[@]}"; do wait "$pid" || { echo "curl failed" >&2; exit 1; }; done
    elapsed "$start" "$(now)"
    same "$down/src1.bin" "$WORK/src1.bin"
    same "$down/src2.bin" "$WORK/src2.bin"
    rm -rf "$down"
}

ours_tick=(); ours_fast=(); curl_times=()
for round in $(seq "$ROUNDS"); do
    ours_tick+=("$(ours "t$round" 3)")
    ours_fast+=("$(ours "f$round" 0.2)")
    curl_times+=("$(peer "c$round")")
done

o=$(min "${ours_tick[@]}"); f=$(min "${ours_fast[@]}"); c=$(min "${curl_times[@]}")
echo "files in $BASE"
echo "ours (3 s tick): ${ours_tick[*]} s; ours (0.2 s tick): ${ours_fast[*]} s; curl: ${curl_times[*]} s"
echo "BENCH transfer_mixed size_mib=$SIZE_MIB transfers=4 ours_s=$o curl_s=$c" \
    "ratio=$(ratio "$o" "$c") ours_fast_tick_s=$f ratio_fast_tick=$(ratio "$f" "$c")"
