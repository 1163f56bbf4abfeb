#!/usr/bin/env bash
# The demo: nubexa-service with the demo account on loopback, then the desktop client with the
# demo account remembered (one click signs in) when a display is there, else (or with --cli) a
# scripted nubexa-cli session against it (sign in, list, upload a file and a folder, transfer,
# download them back, compare). Called by "./run demo" with the release build folder.
# Everything runs encrypted: HTTPS and FTP over TLS with certificates from a local authority
# the service makes, which the client is told to trust; --clear runs it in clear text instead.
set -euo pipefail

RELEASE_DIR="${1:?usage: tools/demo.sh RELEASE_BUILD_DIR [--cli] [--clear]}"
shift
MODE=""
TLS=1
for arg in "$@"; do
    case "$arg" in
        --cli) MODE=--cli ;;
        --clear) TLS="" ;;
        *) echo "unknown option $arg (use --cli, --clear)" >&2; exit 2 ;;
    esac
done
SERVICE="$RELEASE_DIR/standin/nubexa-service"
CLI="$RELEASE_DIR/src/cli/nubexa-cli"
CLIENT="$RELEASE_DIR/src/app/nubexa-client"
for program in "$SERVICE" "$CLI"; do
    [ -x "$program" ] || { echo "missing $program (build it first)" >&2; exit 1; }
done

# Everything the demo writes lives here and is made afresh at each run.
DEMO="$RELEASE_DIR/demo"
rm -rf "$DEMO"
mkdir -p "$DEMO/home" "$DEMO/work"
export NUBEXA_HOME="$DEMO/home"

SERVICE_PID=""
stop_service() {
    if [ -n "$SERVICE_PID" ] && kill -0 "$SERVICE_PID" 2>/dev/null; then
        echo "== stopping nubexa-service"
        kill -TERM "$SERVICE_PID" 2>/dev/null || true
        wait "$SERVICE_PID" 2>/dev/null || true
    fi
    SERVICE_PID=""
}
trap stop_service EXIT
trap 'echo; echo "== interrupted"; exit 130' INT TERM

# The usual ports when they are free, any free ports otherwise.
start_service() { # <http> <ftp>
    : >"$DEMO/service.out"
    "$SERVICE" --data "$DEMO/data" --http "$1" --ftp "$2" --seed-demo ${TLS:+--tls-self-signed} \
        >"$DEMO/service.out" 2>"$DEMO/service.log" &
    SERVICE_PID=$!
    for _ in $(seq 100); do
        if grep -q '^nubexa-service listening' "$DEMO/service.out"; then return 0; fi
        kill -0 "$SERVICE_PID" 2>/dev/null || break
        sleep 0.1
    done
    wait "$SERVICE_PID" 2>/dev/null || true
    SERVICE_PID=""
    return 1
}
echo "== starting nubexa-service with the demo account demo / demo123"
start_service 127.0.0.1:18080 127.0.0.1:18021 || start_service 127.0.0.1:0 127.0.0.1:0 || {
    cat "$DEMO/service.log" >&2
    exit 1
}
LISTENING="$(head -n 1 "$DEMO/service.out")"
echo "$LISTENING"
HTTP="$(sed -n 's/.* http=\([^ ]*\).*/\1/p' <<<"$LISTENING")"
if [ -n "$TLS" ]; then
    CA="$(sed -n 's/^nubexa-service TLS authority: //p' "$DEMO/service.out")"
    [ -n "$CA" ] || { echo "the service named no TLS authority" >&2; exit 1; }
    ORIGIN="https://$HTTP"
    {
        printf '[service]\n'
        for key in api_host web_host community_host resource_host webhost_host about_host; do
            printf '%s = %s\n' "$key" "$ORIGIN"
        done
        printf 'direct_link_prefix = %s/d/\nca_file = %s\nftp_tls = require\n' "$ORIGIN" "$CA"
    } >"$NUBEXA_HOME/nubexa.ini"
    echo "== encrypted: HTTPS and FTP over TLS, verified against the service's authority $CA"
else
    ORIGIN="$HTTP"
    printf '[service]\napi_host = %s\n' "$HTTP" >"$NUBEXA_HOME/nubexa.ini"
fi
echo "== nubexa.ini and bin.db in $NUBEXA_HOME (api_host = $ORIGIN)"

if [ "$MODE" != "--cli" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$CLIENT" ]; then
    # The sign-in the client remembers, so that its sign-in window opens filled in.
    echo demo123 | "$CLI" login demo --password-stdin >/dev/null
    echo "== nubexa-client: the sign-in window shows the demo account; click 登录 to sign in"
    # The client finds bin.db and nubexa.ini through NUBEXA_HOME, its pictures beside itself.
    status=0
    "$CLIENT" || status=$?
    echo "== nubexa-client ended ($status)"
    exit 0
fi
if [ "$MODE" != "--cli" ]; then
    echo "== no display here: running the scripted nubexa-cli session instead"
    echo "   (on a desktop, ./run demo opens the client's sign-in window; ./run demo --cli forces this)"
fi

step() { # shows a command, then runs it
    echo
    echo "\$ nubexa-cli $*"
    "$CLI" "$@"
}

echo
echo "\$ nubexa-cli login demo --password-stdin   (password: demo123)"
echo demo123 | "$CLI" login demo --password-stdin
step ls
step ls /照片

WORK="$DEMO/work"
head -c $((8 * 1024 * 1024)) /dev/urandom >"$WORK/report.bin"
mkdir -p "$WORK/album/2026"
for n in 1 2 3; do head -c $((n * 50000)) /dev/urandom >"$WORK/album/photo$n.jpg"; done
echo "notes of the trip" >"$WORK/album/2026/notes.txt"
echo
echo "== made $WORK/report.bin (8 MiB) and the folder $WORK/album (4 files, 2 levels)"

step put "$WORK/report.bin" "$WORK/album" --to /照片
step queue
step run
step ls /照片
step ls /照片/album

mkdir -p "$WORK/back"
step get /照片/report.bin /照片/album --to "$WORK/back"
step queue
step run

echo
echo "== comparing what came back with what went up"
cmp "$WORK/report.bin" "$WORK/back/report.bin"
diff -r "$WORK/album" "$WORK/back/album"
echo "identical: report.bin and album/"
step queue
echo
echo "== demo finished"
