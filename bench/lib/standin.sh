# Sourced by the benchmark scripts: starts nubexa-service with the demo account on free
# loopback ports in $WORK, signs nubexa-cli in, and sets HTTP, FTP, FTP_USER, FTP_PASS and
# FTP_URL (the file-server account the sign-in hands out, for the peers). The caller defines
# WORK, SERVICE and CLI and calls stop_standin on exit. Options given to start_standin go to the
# service; a function standin_started, when the caller defines one, runs before the sign-in (and
# may point HTTP elsewhere, at a relay say). The service's log goes to $WORK/service.log.
SERVICE_PID=""
stop_standin() {
    if [ -n "$SERVICE_PID" ]; then
        kill -TERM "$SERVICE_PID" 2>/dev/null || true
        wait "$SERVICE_PID" 2>/dev/null || true
    fi
}

start_standin() { # [service options...]
    "$SERVICE" --data "$WORK/data" --http 127.0.0.1:0 --ftp 127.0.0.1:0 --seed-demo "$@" \
        >"$WORK/service.out" 2>"$WORK/service.log" &
    SERVICE_PID=$!
    for _ in $(seq 100); do
        grep -q '^nubexa-service listening' "$WORK/service.out" && break
        kill -0 "$SERVICE_PID" 2>/dev/null || { echo "nubexa-service did not start" >&2; exit 1; }
        sleep 0.1
    done
    local listening answer
    listening="$(head -n 1 "$WORK/service.out")"
    HTTP="$(sed -n 's/.* http=\([^ ]*\).*/\1/p' <<<"$listening")"
    FTP="$(sed -n 's/.* ftp=\([^ ]*\).*/\1/p' <<<"$listening")"
    if declare -F standin_started >/dev/null; then standin_started; fi
    export NUBEXA_HOME="$WORK/home"
    mkdir -p "$NUBEXA_HOME"
    printf '[service]\napi_host = %s\n' "$HTTP" >"$NUBEXA_HOME/nubexa.ini"
    echo demo123 | "$CLI" login demo --password-stdin >/dev/null
    answer="$(curl -s "http://$HTTP/OAuthService.asmx/Login?uid=demo&pwd=demo123")"
    FTP_USER="$(sed -n 's/.* ftp_username="\([^"]*\)".*/\1/p' <<<"$answer")"
    FTP_PASS="$(sed -n 's/.* ftp_pwd="\([^"]*\)".*/\1/p' <<<"$answer")"
    FTP_URL="ftp://$FTP_USER:$FTP_PASS@$FTP"
}

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
min() { printf '%s\n' "$@" | sort -g | head -n 1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
same_tree() { diff -r "$1" "$2" >/dev/null || { echo "$1 differs from $2" >&2; exit 1; }; }
ids_of() { # <disk folder> : the server names (id + extension) of its files
    "$CLI" ls "$1" | awk -F'\t' '$1 !~ /\/$/ && $4 ~ /^id=/ { sub("id=", "", $4); n = $1; sub(/^[^.]*/, "", n); print $4 n }'
}

# on_exit FUNCTION: FUNCTION runs when the script ends, at its end or by SIGTERM or Ctrl-C (bash
# runs no EXIT trap when a signal kills it).
on_exit() {
    trap "$1" EXIT
    trap 'exit 143' TERM INT
}

# The usual end: the stand-in stopped, the work folder gone.
stop_standin_and_clean() {
    stop_standin
    rm -rf "$WORK"
}
