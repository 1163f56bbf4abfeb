#!/usr/bin/env bash
# An idle sync round: a backup pair of SYNC_BENCH_FILES files (default 100,000, in 10 x 10
# nested folders) is synced once through nubexa-cli against the stand-in, then "sync now" is
# timed while nothing changed (the best of SYNC_BENCH_ROUNDS, with the peak RSS of the worst).
# The peer does the same comparison work by hand: a walk of the local tree with its sizes,
# times and inodes (find -printf) plus a recursive listing of the disk folder through the
# service (curl GetFilesWhitPath, the request the round makes).
# Ends with: BENCH sync_idle <key>=<value> ...
set -euo pipefail

RELEASE_DIR="${RELEASE_DIR:?RELEASE_DIR must name the release build}"
SERVICE="$RELEASE_DIR/standin/nubexa-service"
CLI="$RELEASE_DIR/src/cli/nubexa-cli"
COUNT="${SYNC_BENCH_FILES:-100000}"
ROUNDS="${SYNC_BENCH_ROUNDS:-3}"
for program in "$SERVICE" "$CLI" /usr/bin/time; do
    [ -x "$program" ] || { echo "missing $program" >&2; exit 1; }
done

WORK="$(mktemp -d "${TMPDIR:-/tmp}/nubexa-sync-bench-XXXXXX")"
# shellcheck source=lib/standin.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib/standin.sh"
on_exit stop_standin_and_clean
start_standin

TREE="$WORK/tree"
python3 - "$TREE" "$COUNT" <<'PY'
import os, sys
root, count = sys.argv[1], int(sys.argv[2])
folders = [os.path.join(root, f"d{a}", f"e{b}") for a in range(10) for b in range(10)]
for folder in folders:
    os.makedirs(folder, exist_ok=True)
for n in range(count):
    with open(os.path.join(folders[n % len(folders)], f"f{n:06d}.txt"), "w") as f:
        f.write(str(n))
PY

"$CLI" sync add "$TREE" /syncbench --mode backup >/dev/null
start=$(now)
"$CLI" sync now >"$WORK/first.out" 2>&1 || { cat "$WORK/first.out" >&2; exit 1; }
first=$(elapsed "$start" "$(now)")

times=()
rss=0
for _ in $(seq "$ROUNDS"); do
    /usr/bin/time -f '%e %M' -o "$WORK/time" "$CLI" sync now >"$WORK/idle.out" 2>&1 ||
        { cat "$WORK/idle.out" >&2; exit 1; }
    grep -q '(0 up, 0 down, 0 to the trash, 0 conflict copies)' "$WORK/idle.out" ||
        grep -q '（上传 0，下载 0，移入回收站 0，冲突副本 0）' "$WORK/idle.out" ||
        { echo "an idle round moved something:" >&2; cat "$WORK/idle.out" >&2; exit 1; }
    read -r seconds kib <"$WORK/time"
    times+=("$seconds")
    [ "$kib" -gt "$rss" ] && rss=$kib
done
idle=$(min "${times[@]}")

# The peer: the same look at both sides, without comparing.
folder_id="$("$CLI" ls / | awk -F'\t' '$1 == "syncbench/" { sub("id=", "", $4); print $4 }')"
answer="$(curl -s "http://$HTTP/OAuthService.asmx/Login?uid=demo&pwd=demo123")"
uid="$(sed -n 's/.* uid="\([^"]*\)".*/\1/p' <<<"$answer")"
token="$(sed -n 's/.* token="\([^"]*\)".*/\1/p' <<<"$answer")"
sign="$(printf '%s' "$uid$token$folder_id" | md5sum | cut -d' ' -f1 | tr a-f A-F)"
peer_times=()
for _ in $(seq "$ROUNDS"); do
    start=$(now)
    find "$TREE" -printf '%P %s %T@ %i\n' >"$WORK/local.txt"
    curl -s "http://$HTTP/UserService.asmx/GetFilesWhitPath?uid=$uid&token=$token&dir=$folder_id&order=&desc=&sign=$sign" \
        -o "$WORK/remote.xml"
    peer_times+=("$(elapsed "$start" "$(now)")")
done
peer=$(min "${peer_times[@]}")
[ "$(wc -l <"$WORK/local.txt")" -gt "$COUNT" ] || { echo "find saw too little" >&2; exit 1; }
[ "$(grep -o '<file ' "$WORK/remote.xml" | wc -l)" -ge "$COUNT" ] ||
    { echo "the peer's listing is short:" >&2; head -c 300 "$WORK/remote.xml" >&2; exit 1; }

echo "first sync of $COUNT files ${first} s; idle round ${idle} s (best of $ROUNDS), peak RSS" \
    "$((rss / 1024)) MiB; find + one listing ${peer} s"
echo "BENCH sync_idle files=$COUNT first_s=$first idle_s=$idle rss_mib=$((rss / 1024))" \
    "peer_s=$peer idle_to_peer=$(ratio "$idle" "$peer") load=$(cut -d' ' -f1 /proc/loadavg)"
