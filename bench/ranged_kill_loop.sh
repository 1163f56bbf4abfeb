#!/usr/bin/env bash
# A big download in byte ranges, killed (SIGKILL) again and again while its connections run,
# then run to its end: the file must be byte-exact. The stand-in on loopback; each "run" gets
# a random 0.3 to 1.5 s before the kill, with every connection capped by --limit-rate so that
# the file is never done before the kills are.
# KILL_LOOP_ROUNDS (50), KILL_LOOP_MIB (192: at 3 MB/s a connection it outlasts 50 rounds) and
# KILL_LOOP_TRANSFERS (4) change it.
# Ends with: BENCH ranged_kill_loop rounds=<n> ... same=1
set -euo pipefail

RELEASE_DIR="${RELEASE_DIR:?RELEASE_DIR must name the release build}"
SERVICE="$RELEASE_DIR/standin/nubexa-service"
CLI="$RELEASE_DIR/src/cli/nubexa-cli"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROUNDS="${KILL_LOOP_ROUNDS:-50}"
MIB="${KILL_LOOP_MIB:-192}"
TRANSFERS="${KILL_LOOP_TRANSFERS:-4}"
WORK="$(mktemp -d "${TMPDIR:-/tmp}/nubexa-kill-loop-XXXXXX")"
# shellcheck source=lib/standin.sh
. "$HERE/lib/standin.sh"
RUN_PID=""
cleanup() {
    [ -n "$RUN_PID" ] && kill -KILL "$RUN_PID" 2>/dev/null || true
    stop_standin
    rm -rf "$WORK"
}
on_exit cleanup
start_standin

head -c $((MIB * 1024 * 1024)) /dev/urandom >"$WORK/big.bin"
"$CLI" put "$WORK/big.bin" >/dev/null
"$CLI" run >/dev/null 2>&1
mkdir -p "$WORK/down"
"$CLI" get /big.bin --to "$WORK/down" >/dev/null

# What bin.db holds for the download: its bytes and how many ranges are partly done.
recorded() {
    python3 - "$NUBEXA_HOME/bin.db" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
done = db.execute("SELECT max(transfer_size) FROM t_process_list WHERE ran_type=2").fetchone()[0]
partly = db.execute("SELECT count(*) FROM t_task_range WHERE range_done > 0 AND"
                    " range_start + range_done < range_end").fetchone()[0]
print(done, partly)
PY
}
killed=0
for round in $(seq "$ROUNDS"); do
    [ -f "$WORK/down/big.bin" ] && break
    "$CLI" run --transfers "$TRANSFERS" --limit-rate 3M >/dev/null 2>&1 &
    RUN_PID=$!
    sleep "$(awk -v r="$RANDOM" 'BEGIN { printf "%.2f", 0.3 + 1.2 * r / 32767 }')"
    if kill -KILL "$RUN_PID" 2>/dev/null; then killed=$((killed + 1)); fi
    wait "$RUN_PID" 2>/dev/null || true
    RUN_PID=""
    echo "round $round: killed; recorded bytes, ranges under way: $(recorded)"
done
"$CLI" run --transfers "$TRANSFERS" >/dev/null 2>&1
same=0
cmp -s "$WORK/down/big.bin" "$WORK/big.bin" && same=1
echo "BENCH ranged_kill_loop rounds=$ROUNDS killed=$killed mib=$MIB transfers=$TRANSFERS same=$same"
[ "$same" -eq 1 ]
