#!/usr/bin/env bash
# Transfers over a simulated network link: the stand-in on 127.0.0.1 behind a relay on 127.0.0.2
# (bench/lib/link_relay.py) that delays every byte one way by half the round trip and may cap
# each connection's rate; nubexa-cli and the peers (lftp, curl) all go through it.
#  - 300 files of 8 KiB up and down (a folder "put --run" / "get --run", registered: one
#    command and one sign-in, as each peer's) at 0 and 30 ms round trip, against lftp
#    "mput -P 5" / "mget -P 5" of the same files (bytes only);
#  - one big download with every connection capped (4 MiB/s) at 30 ms, in byte ranges over
#    NET_BENCH_BIG_TRANSFERS (8) connections and over one, against curl's one stream; and the
#    same file at 0 ms without a cap (default transfers, and one), against curl, best of three;
#  - what each file cost, from the service's log: FTP commands and web requests per file (each
#    waits for its answer, so each is a round trip unless sent together with others).
# NET_BENCH_FILES, NET_BENCH_BIG_MIB, NET_BENCH_CAP_KIBPS, NET_BENCH_BIG_TRANSFERS and
# NET_BENCH_RTTS change the sizes;
# NET_BENCH_TRANSFERS="1 2 5" also runs ours at each of those transfers at once.
# Ends with: BENCH network_speed <key>=<value> ...
set -euo pipefail

RELEASE_DIR="${RELEASE_DIR:?RELEASE_DIR must name the release build}"
SERVICE="$RELEASE_DIR/standin/nubexa-service"
CLI="$RELEASE_DIR/src/cli/nubexa-cli"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
COUNT="${NET_BENCH_FILES:-300}"
BIG_MIB="${NET_BENCH_BIG_MIB:-64}"
CAP_KIBPS="${NET_BENCH_CAP_KIBPS:-4096}"
BIG_TRANSFERS="${NET_BENCH_BIG_TRANSFERS:-8}"
RTTS="${NET_BENCH_RTTS:-0 30}"
SWEEP="${NET_BENCH_TRANSFERS:-}"
RELAY_HOST=127.0.0.2
for program in "$SERVICE" "$CLI"; do
    [ -x "$program" ] || { echo "missing $program" >&2; exit 1; }
done
command -v lftp >/dev/null || { echo "BENCH network_speed skipped=no_lftp"; exit 0; }
# 127.0.0.2 answers on Linux's loopback without any set-up; elsewhere it may not.
python3 -c "import socket; s = socket.socket(); s.bind(('$RELAY_HOST', 0))" 2>/dev/null ||
    { echo "BENCH network_speed skipped=no_$RELAY_HOST"; exit 0; }

BASE=/dev/shm
[ -d "$BASE" ] && [ "$(df -Pk "$BASE" | awk 'NR == 2 { print $4 }')" -gt $((BIG_MIB * 1024 * 6)) ] ||
    BASE="${TMPDIR:-/tmp}"
WORK="$(mktemp -d "$BASE/nubexa-net-bench-XXXXXX")"
# shellcheck source=lib/standin.sh
. "$HERE/lib/standin.sh"
RELAY_PID=""
stop_relay() {
    if [ -n "$RELAY_PID" ]; then
        kill -TERM "$RELAY_PID" 2>/dev/null || true
        wait "$RELAY_PID" 2>/dev/null || true
    fi
    RELAY_PID=""
}
cleanup() {
    stop_relay
    stop_standin
    rm -rf "$WORK"
}
on_exit cleanup

# Passive ports in a range the relay listens on too; tried again when one is taken.
LOW=$((20000 + RANDOM % 30000))
HIGH=$((LOW + 199))
start_relay() { # <round trip ms> [bytes per second per connection]
    stop_relay
    rm -f "$WORK/relay.out"  # the last relay's "ready" must not pass for this one's
    python3 "$HERE/lib/link_relay.py" --listen-host "$RELAY_HOST" \
        --ports "${HTTP##*:},${FTP##*:},$LOW-$HIGH" --delay-ms "$(awk -v r="$1" 'BEGIN { print r / 2 }')" \
        --rate "${2:-0}" >"$WORK/relay.out" 2>&1 &
    RELAY_PID=$!
    for _ in $(seq 100); do
        grep -qs '^relay ready' "$WORK/relay.out" && return 0
        kill -0 "$RELAY_PID" 2>/dev/null || break
        sleep 0.05
    done
    echo "the relay did not start: $(cat "$WORK/relay.out")" >&2
    exit 1
}
# Before the sign-in: every address the service hands out goes through the relay.
standin_started() {
    HTTP="$RELAY_HOST:${HTTP##*:}"
    FTP="$RELAY_HOST:${FTP##*:}"
    start_relay 0
}
start_standin --public-host "$RELAY_HOST" --ftp-passive-ports "$LOW-$HIGH"

# What the service logged since a mark: FTP commands and web requests.
mark() { wc -l <"$WORK/service.log"; }
commands_since() { tail -n "+$(($1 + 1))" "$WORK/service.log" | grep -cE ' ftp #[0-9]+ .* -> [0-9]+$' || true; }
requests_since() { tail -n "+$(($1 + 1))" "$WORK/service.log" | grep -cE ' http [^ ]+ (GET|POST) ' || true; }
per_file() { awk -v a="$1" -v n="$2" 'BEGIN { printf "%.2f", a / n }'; }


SRC="$WORK/small"
mkdir -p "$SRC"
head -c $((COUNT * 8192)) /dev/urandom | split -b 8192 -a 4 -d --additional-suffix=.bin - "$SRC/f"

# Each sets TIME (seconds) and COST ("<ftp commands per file> <web requests per file>").
ours_up() { # <disk name> [run options...]
    local name=$1 at start
    shift
    rm -rf "${WORK:?}/$name"
    cp -r "$SRC" "$WORK/$name"
    at=$(mark)
    start=$(now)
    "$CLI" put "$WORK/$name" --run "$@" >/dev/null 2>&1
    TIME=$(elapsed "$start" "$(now)")
    COST="$(per_file "$(commands_since "$at")" "$COUNT") $(per_file "$(requests_since "$at")" "$COUNT")"
    [ "$(ids_of "/$name" | wc -l)" -eq "$COUNT" ] || { echo "upload of $name incomplete" >&2; exit 1; }
}
ours_down() { # <disk name> [run options...]
    local name=$1 down="$WORK/down-$1" at start
    shift
    rm -rf "$down"
    mkdir -p "$down"
    at=$(mark)
    start=$(now)
    "$CLI" get "/$name" --to "$down" --run "$@" >/dev/null 2>&1
    TIME=$(elapsed "$start" "$(now)")
    COST="$(per_file "$(commands_since "$at")" "$COUNT") $(per_file "$(requests_since "$at")" "$COUNT")"
    same_tree "$down/$name" "$SRC"
    rm -rf "$down"
}
lftp_run() { # <lftp commands>
    lftp -u "$FTP_USER,$FTP_PASS" "ftp://$FTP" -e "set net:max-retries 2; set net:timeout 20; \
set ftp:ignore-pasv-address yes; $1; bye" >/dev/null 2>&1
}
peer_up() {
    local at start
    at=$(mark)
    start=$(now)
    (cd "$SRC" && lftp_run "mput -P 5 *.bin")
    TIME=$(elapsed "$start" "$(now)")
    COST="$(per_file "$(commands_since "$at")" "$COUNT") 0"
}
peer_down() { # <server names file>
    local down="$WORK/lftp-down" at start
    rm -rf "$down"
    mkdir -p "$down"
    at=$(mark)
    start=$(now)
    (cd "$down" && lftp_run "mget -P 5 $(tr '\n' ' ' <"$1")")
    TIME=$(elapsed "$start" "$(now)")
    COST="$(per_file "$(commands_since "$at")" "$COUNT") 0"
    [ "$(find "$down" -type f | wc -l)" -eq "$COUNT" ] || { echo "lftp mget incomplete" >&2; exit 1; }
    rm -rf "$down"
}
files_per_s() { awk -v t="$1" -v n="$COUNT" 'BEGIN { printf "%.1f", n / t }'; }

SUMMARY=""
round=0
for rtt in $RTTS; do
    start_relay "$rtt"
    round=$((round + 1))
    ours_up "up$round"
    up=$TIME up_cost=$COST
    ours_down "up$round"
    down=$TIME down_cost=$COST
    ids_of "/up$round" >"$WORK/names"
    peer_up
    lftp_up=$TIME lftp_up_cost=$COST
    peer_down "$WORK/names"
    lftp_down=$TIME lftp_down_cost=$COST
    echo "rtt ${rtt} ms: ours up ${up} s ($(files_per_s "$up") files/s; commands, requests per file: $up_cost)," \
        "down ${down} s ($down_cost); lftp -P 5 up ${lftp_up} s ($lftp_up_cost), down ${lftp_down} s ($lftp_down_cost)"
    SUMMARY+=" up_${rtt}ms_ratio=$(ratio "$up" "$lftp_up") down_${rtt}ms_ratio=$(ratio "$down" "$lftp_down")"
    SUMMARY+=" up_${rtt}ms_files_s=$(files_per_s "$up") up_${rtt}ms_s=$up lftp_up_${rtt}ms_s=$lftp_up"
    SUMMARY+=" down_${rtt}ms_s=$down lftp_down_${rtt}ms_s=$lftp_down"
    SUMMARY+=" up_${rtt}ms_cmds_per_file=${up_cost% *} up_${rtt}ms_web_per_file=${up_cost#* }"
    SUMMARY+=" down_${rtt}ms_cmds_per_file=${down_cost% *} lftp_up_${rtt}ms_cmds_per_file=${lftp_up_cost% *}"
    SUMMARY+=" lftp_down_${rtt}ms_cmds_per_file=${lftp_down_cost% *}"
    for transfers in $SWEEP; do
        round=$((round + 1))
        ours_up "up$round" --transfers "$transfers"
        sweep_up=$TIME
        ours_down "up$round" --transfers "$transfers"
        echo "rtt ${rtt} ms, --transfers $transfers: up ${sweep_up} s (ratio $(ratio "$sweep_up" "$lftp_up")), down ${TIME} s (ratio $(ratio "$TIME" "$lftp_down"))"
    done
done

# The big file, put on the disk through an open link.
start_relay 0
head -c $((BIG_MIB * 1024 * 1024)) /dev/urandom >"$WORK/big.bin"
"$CLI" put "$WORK/big.bin" >/dev/null
"$CLI" run >/dev/null 2>&1
BIG_ID="$("$CLI" ls / | awk -F'\t' '$1 == "big.bin" { sub("id=", "", $4); print $4 ".bin" }')"
[ -n "$BIG_ID" ] || { echo "the big file is not on the disk" >&2; exit 1; }
# ours: a file of BIG_MIB fetched in ranges over --transfers BIG_TRANSFERS connections.
big_down() { # <folder> [run options...]
    local folder=$1 start
    shift
    rm -rf "$folder"
    mkdir -p "$folder"
    start=$(now)
    "$CLI" get /big.bin --to "$folder" --run "$@" >/dev/null 2>&1
    TIME=$(elapsed "$start" "$(now)")
    cmp -s "$folder/big.bin" "$WORK/big.bin" || { echo "the big download differs" >&2; exit 1; }
    rm -rf "$folder"
}
curl_big() {
    local start
    start=$(now)
    command curl -s --ftp-skip-pasv-ip -o "$WORK/big-curl.bin" "$FTP_URL/$BIG_ID"
    TIME=$(elapsed "$start" "$(now)")
    cmp -s "$WORK/big-curl.bin" "$WORK/big.bin" || { echo "curl's big download differs" >&2; exit 1; }
    rm -f "$WORK/big-curl.bin"
}
start_relay 30 $((CAP_KIBPS * 1024))
big_down "$WORK/big-ours" --transfers "$BIG_TRANSFERS"
big=$TIME
big_down "$WORK/big-ours" --transfers 1
big_one=$TIME
curl_big
big_curl=$TIME
echo "big download (${BIG_MIB} MiB, each connection capped at ${CAP_KIBPS} KiB/s, 30 ms):" \
    "ours ${big} s over ${BIG_TRANSFERS} connections, ours ${big_one} s over one, curl ${big_curl} s"
# The same file at 0 ms without a cap: ranges must not make one fast stream slower.
# A third of a second each: the best of three rounds, taken in turn, so that what runs first
# after the relay started (or the stand-in's noise) weighs on no one peer.
start_relay 0
fast=() fast_one=() fast_curl=()
for _ in 1 2 3; do
    big_down "$WORK/big-ours"
    fast+=("$TIME")
    big_down "$WORK/big-ours" --transfers 1
    fast_one+=("$TIME")
    curl_big
    fast_curl+=("$TIME")
done
big_fast=$(min "${fast[@]}")
big_fast_one=$(min "${fast_one[@]}")
big_fast_curl=$(min "${fast_curl[@]}")
echo "big download (${BIG_MIB} MiB, 0 ms, no cap): ours ${big_fast} s (default transfers)," \
    "ours ${big_fast_one} s over one, curl ${big_fast_curl} s"
stop_relay

echo "BENCH network_speed files=$COUNT file_kib=8$SUMMARY big_mib=$BIG_MIB cap_kibps=$CAP_KIBPS" \
    "big_transfers=$BIG_TRANSFERS big_s=$big big_one_s=$big_one big_curl_s=$big_curl" \
    "big_speedup=$(ratio "$big_curl" "$big") big_one_speedup=$(ratio "$big_curl" "$big_one")" \
    "big_fast_s=$big_fast big_fast_one_s=$big_fast_one big_fast_curl_s=$big_fast_curl" \
    "big_fast_ratio=$(ratio "$big_fast" "$big_fast_curl") big_fast_one_ratio=$(ratio "$big_fast_one" "$big_fast_curl")" \
    "load=$(cut -d' ' -f1 /proc/loadavg)"
