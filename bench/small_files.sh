#!/usr/bin/env bash
# Many small files: a folder of 1,000 files of 8 KiB uploaded and then downloaded through
# nubexa-cli (put/get, then run) against lftp's "mput -P 5" / "mget -P 5" of the same files to
# and from the same stand-in file server (lftp moves bytes only; we also register every file).
# Also the same upload driven by the monitor's ticks alone, as the desktop client drives it.
# Ends with: BENCH small_files <key>=<value> ... (load: the 1-minute load average at the end;
# on a shared machine the ratios hold only between runs of similar load).
set -euo pipefail

RELEASE_DIR="${RELEASE_DIR:?RELEASE_DIR must name the release build}"
SERVICE="$RELEASE_DIR/standin/nubexa-service"
CLI="$RELEASE_DIR/src/cli/nubexa-cli"
COUNT="${SMALL_BENCH_FILES:-1000}"
for program in "$SERVICE" "$CLI"; do
    [ -x "$program" ] || { echo "missing $program" >&2; exit 1; }
done
command -v lftp >/dev/null || { echo "BENCH small_files skipped=no_lftp"; exit 0; }

WORK="$(mktemp -d "${TMPDIR:-/tmp}/nubexa-small-bench-XXXXXX")"
# shellcheck source=lib/standin.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib/standin.sh"
on_exit stop_standin_and_clean
start_standin


SRC="$WORK/small"
mkdir -p "$SRC"
head -c $((COUNT * 8192)) /dev/urandom | split -b 8192 -a 4 -d --additional-suffix=.bin - "$SRC/f"

# Ours: queue the folder, then run (the folder walk and its FolderAdd requests included).
ours_up() { # <disk name> [run options...]
    local name=$1
    shift
    rm -rf "$WORK/$name"
    cp -r "$SRC" "$WORK/$name"
    local start
    start=$(now)
    "$CLI" put "$WORK/$name" >/dev/null
    "$CLI" run --interval 3 "$@" >/dev/null 2>&1
    elapsed "$start" "$(now)"
    [ "$(ids_of "/$name" | wc -l)" -eq "$COUNT" ] || { echo "upload of $name incomplete" >&2; exit 1; }
}
ours_down() { # <disk name>
    local down="$WORK/down-$1"
    rm -rf "$down"
    mkdir -p "$down"
    local start
    start=$(now)
    "$CLI" get "/$1" --to "$down" >/dev/null
    "$CLI" run --interval 3 >/dev/null 2>&1
    elapsed "$start" "$(now)"
    same_tree "$down/$1" "$SRC"
}

lftp_run() { # <lftp commands>
    lftp -u "$FTP_USER,$FTP_PASS" "ftp://$FTP" -e "set net:max-retries 2; set net:timeout 20; $1; bye" \
        >/dev/null 2>&1
}
peer_up() {
    local start
    start=$(now)
    (cd "$SRC" && lftp_run "mput -P 5 *.bin")
    elapsed "$start" "$(now)"
}
peer_down() { # <server names file>
    local down="$WORK/lftp-down"
    rm -rf "$down"
    mkdir -p "$down"
    local start
    start=$(now)
    (cd "$down" && lftp_run "mget -P 5 $(tr '\n' ' ' <"$1")")
    elapsed "$start" "$(now)"
    [ "$(find "$down" -type f | wc -l)" -eq "$COUNT" ] || { echo "lftp mget incomplete" >&2; exit 1; }
}

up=$(ours_up cli1)
down=$(ours_down cli1)
ids_of /cli1 >"$WORK/names"
lftp_up=$(peer_up)
lftp_down=$(peer_down "$WORK/names")
monitor_up=$(ours_up tick1 --tick-only)

echo "ours: upload ${up} s, download ${down} s, upload by ticks only ${monitor_up} s;" \
    "lftp: mput ${lftp_up} s, mget ${lftp_down} s"
echo "BENCH small_files files=$COUNT file_kib=8 up_s=$up lftp_up_s=$lftp_up" \
    "up_ratio=$(ratio "$up" "$lftp_up") down_s=$down lftp_down_s=$lftp_down" \
    "down_ratio=$(ratio "$down" "$lftp_down") ticks_only_up_s=$monitor_up" \
    "ticks_only_vs_cli=$(ratio "$monitor_up" "$up") load=$(cut -d' ' -f1 /proc/loadavg)"
