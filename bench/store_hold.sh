#!/usr/bin/env bash
# A download while another program holds bin.db: a STORE_HOLD_MIB file (default 256) is fetched
# by nubexa-cli at --limit-rate 20M, alone and while a second process holds bin.db's write lock
# 1 s of every 1.1 s (a long queueing of another client, say). The running transfer writes its
# progress behind it, so the hold should cost it little. The peer is curl at the same rate, which
# keeps no bin.db: the time the rate alone takes.
# Ends with: BENCH store_hold <key>=<value> ...
set -euo pipefail

RELEASE_DIR="${RELEASE_DIR:?RELEASE_DIR must name the release build}"
SERVICE="$RELEASE_DIR/standin/nubexa-service"
CLI="$RELEASE_DIR/src/cli/nubexa-cli"
MIB="${STORE_HOLD_MIB:-256}"
for program in "$SERVICE" "$CLI"; do
    [ -x "$program" ] || { echo "missing $program" >&2; exit 1; }
done

WORK="$(mktemp -d "${TMPDIR:-/tmp}/nubexa-hold-bench-XXXXXX")"
HOLDER=""
stop_all() {
    [ -n "$HOLDER" ] && kill "$HOLDER" 2>/dev/null || true
    stop_standin_and_clean
}
# shellcheck source=lib/standin.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib/standin.sh"
on_exit stop_all
start_standin

head -c $((MIB << 20)) /dev/urandom >"$WORK/held.bin"
"$CLI" put "$WORK/held.bin" --to / --run >"$WORK/put.out" 2>&1 || { cat "$WORK/put.out" >&2; exit 1; }

# One download into a fresh folder; its seconds.
fetch() {
    rm -rf "$WORK/back" && mkdir -p "$WORK/back"
    local start
    start=$(now)
    "$CLI" get /held.bin --to "$WORK/back" >/dev/null
    "$CLI" run --limit-rate 20M >"$WORK/run.out" 2>&1 || { cat "$WORK/run.out" >&2; exit 1; }
    elapsed "$start" "$(now)"
    cmp -s "$WORK/held.bin" "$WORK/back/held.bin" || { echo "the download differs" >&2; exit 1; }
}

free=$(fetch)
python3 - "$NUBEXA_HOME/bin.db" <<'PY' &
import sqlite3, sys, time
db = sqlite3.connect(sys.argv[1], timeout=30, isolation_level=None)
while True:
    db.execute("BEGIN IMMEDIATE")
    time.sleep(1.0)
    db.execute("COMMIT")
    time.sleep(0.1)
PY
HOLDER=$!
sleep 0.3
held=$(fetch)
kill "$HOLDER" 2>/dev/null || true
wait "$HOLDER" 2>/dev/null || true
HOLDER=""

id="$("$CLI" ls / | awk -F'\t' '$1 == "held.bin" { sub("id=", "", $4); print $4 }')"
start=$(now)
curl -s --limit-rate 20M -o "$WORK/peer.bin" "$FTP_URL/$id.bin"
peer=$(elapsed "$start" "$(now)")
cmp -s "$WORK/held.bin" "$WORK/peer.bin" || { echo "the peer's download differs" >&2; exit 1; }

echo "$MIB MiB at 20 MB/s: ${free} s alone, ${held} s while bin.db is held 1 s of every 1.1 s;" \
    "curl ${peer} s"
echo "BENCH store_hold mib=$MIB free_s=$free held_s=$held peer_s=$peer" \
    "held_to_free=$(ratio "$held" "$free") held_to_peer=$(ratio "$held" "$peer")" \
    "load=$(cut -d' ' -f1 /proc/loadavg)"
