#!/usr/bin/env bash
# Checks of the Debian package: package_test.sh contents|validity|installed PACKAGE-DIR VERSION
# [client]. "client" says the package must hold the desktop client, its pictures and icons.
# Exit 77: no package was built (skipped).
set -uo pipefail

check="$1" package_dir="$2" version="$3" with_client="${4:-}"
deb="$package_dir/nubexa_${version}_amd64.deb"
if [ ! -f "$deb" ]; then
    echo "no package at $deb: ./run package (or ./run test) builds it"
    exit 77
fi

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
expect() { # <what> <command...>: passes when the command succeeds
    local what="$1"; shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

# A program started in the background through run_as_user runs as a child of the subshell whose
# pid $! gives: both are ended.
stop() {
    pkill -TERM -P "$1" 2>/dev/null
    kill "$1" 2>/dev/null
    wait "$1" 2>/dev/null
}

work="$(mktemp -d)"
service_pid="" client_pid=""
cleanup() {
    local pid
    for pid in $client_pid $service_pid; do
        stop "$pid"
    done
    rm -rf "$work"
}
trap cleanup EXIT
root="$work/root"
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x $deb"; exit 1; }

check_contents() {
    local listing="$work/files"
    dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$listing"
    local wanted=(
        /usr/bin/nubexa-cli /usr/bin/nubexa-service
        /usr/share/applications/nubexa-client.desktop
        /usr/share/metainfo/net.nubexa.client.metainfo.xml
        /usr/share/man/man1/nubexa-cli.1.gz /usr/share/man/man1/nubexa-service.1.gz
        /usr/share/bash-completion/completions/nubexa-cli
        /usr/lib/systemd/system/nubexa-service.service
        /usr/share/doc/nubexa/copyright /usr/share/doc/nubexa/changelog.gz
        /usr/share/nubexa/image/
    )
    if [ -n "$with_client" ]; then
        wanted+=(/usr/bin/nubexa-client /usr/share/man/man1/nubexa-client.1.gz
                 /usr/share/nubexa/image/userFile/faceDemo.png
                 /usr/share/icons/hicolor/48x48/apps/nubexa-client.png
                 /usr/share/icons/hicolor/scalable/apps/nubexa-client.svg)
    fi
    local file
    for file in "${wanted[@]}"; do
        grep -qxF "$file" "$listing" || fail "the package lacks $file"
    done
    pass "every expected file is in the package (${#wanted[@]})"
    if grep -v -e '^/usr/' -e '^/$' "$listing" | grep -q .; then
        fail "files outside /usr: $(grep -v -e '^/usr/' -e '^/$' "$listing" | tr '\n' ' ')"
    fi
    # Of the build tree's avatar cache only the stock face (and its 2x twin) belongs in the package.
    local leftovers
    leftovers="$(grep -e '^/usr/local' -e 'userFile/.' -e '/build' "$listing" |
        grep -v 'userFile/faceDemo\(@2x\)\?\.png$')"
    [ -z "$leftovers" ] || fail "build-tree leftovers: $(echo "$leftovers" | tr '\n' ' ')"
    if [ -n "$with_client" ]; then
        local pictures
        pictures=$(grep -c '^/usr/share/nubexa/image/.*\.[a-z]*$' "$listing")
        [ "$pictures" -gt 10 ] || fail "only $pictures pictures under /usr/share/nubexa/image"
    fi

    local field
    field() { dpkg-deb -f "$deb" "$1"; }
    [ "$(field Package)" = nubexa ] || fail "Package: $(field Package)"
    [ "$(field Version)" = "$version" ] || fail "Version: $(field Version), not $version"
    [ "$(field Architecture)" = amd64 ] || fail "Architecture: $(field Architecture)"
    # Found by dpkg-shlibdeps from the programs themselves.
    local depends; depends="$(field Depends)"
    local library
    for library in libc6 libsqlite3-0 libcurl4 libssl3 libace; do
        [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
    done
    if field Description | grep -q -e ';' -e '^.\{81,\}'; then
        fail "the description has list separators or lines over 80 characters"
    fi
    pass "control fields: nubexa $version amd64, Depends: $depends"

    local unit="$root/usr/lib/systemd/system/nubexa-service.service"
    local setting
    for setting in DynamicUser=yes User=nubexa ProtectSystem=strict NoNewPrivileges=yes \
        StateDirectory=nubexa ProtectHome=yes 'CapabilityBoundingSet=' \
        'ExecStart=/usr/bin/nubexa-service --data /var/lib/nubexa'; do
        grep -q "^$setting" "$unit" || fail "the unit lacks $setting"
    done
    pass "the service unit runs /usr/bin/nubexa-service hardened under its own user"

    local page pages=(nubexa-cli nubexa-service)
    [ -n "$with_client" ] && pages+=(nubexa-client)
    for page in "${pages[@]}"; do
        local text; text="$(zcat "$root/usr/share/man/man1/$page.1.gz")"
        [[ $text == *".TH ${page^^} \"1\""* && $text == *"$version"* ]] ||
            fail "$page.1 has no title line with version $version"
        [[ $text == *'.SH "SEE ALSO"'* && $text == *"FILES"* && $text == *"EXAMPLES"* ]] ||
            fail "$page.1 lacks FILES, EXAMPLES or SEE ALSO"
    done
    pass "manual pages with version, files, examples, see also"
}

check_validity() {
    expect "desktop-file-validate" \
        desktop-file-validate "$root/usr/share/applications/nubexa-client.desktop"
    grep -qx 'Name=Nubexa网盘' "$root/usr/share/applications/nubexa-client.desktop" ||
        fail "the desktop entry is not named Nubexa网盘"
    expect "appstreamcli validate" \
        appstreamcli validate --no-net --explain \
        "$root/usr/share/metainfo/net.nubexa.client.metainfo.xml"
    # The unit as systemd reads it, pointed at the unpacked program; and how exposed it is.
    local unit="$work/nubexa-service.service"
    sed "s|/usr/bin/nubexa-service|$root/usr/bin/nubexa-service|" \
        "$root/usr/lib/systemd/system/nubexa-service.service" >"$unit"
    expect "systemd-analyze verify" systemd-analyze verify --man=no "$unit"
    local exposure
    exposure="$(systemd-analyze security --offline=yes "$unit" 2>&1 | grep 'Overall exposure')"
    [[ $exposure == *" OK "* ]] || fail "the unit is not hardened enough: $exposure"
    pass "systemd-analyze security: ${exposure##*: }"

    local completion="$root/usr/share/bash-completion/completions/nubexa-cli"
    complete_words() { # <words...>: what Tab offers after them (the last word is completed)
        bash -c 'source /usr/share/bash-completion/bash_completion; source "$1"; shift
                 COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"
                 COMP_POINT=${#COMP_LINE}; _nubexa_cli; echo "${COMPREPLY[*]}"' \
            _ "$completion" "$@"
    }
    local got
    [ "$(complete_words nubexa-cli pu)" = put ] || fail "Tab after 'pu': $(complete_words nubexa-cli pu)"
    got="$(complete_words nubexa-cli --db x.db ru)"
    [ "$got" = run ] || fail "Tab after '--db x.db ru': $got"
    got="$(complete_words nubexa-cli run --li)"
    [ "$got" = --limit-rate ] || fail "Tab after 'run --li': $got"
    got="$(complete_words nubexa-cli ftp '')"
    [ "$got" = "get put" ] || fail "Tab after 'ftp': $got"
    got="$(complete_words nubexa-cli login demo --auto-resume '')"
    [ "$got" = "on off" ] || fail "Tab after '--auto-resume': $got"
    pass "bash completion of subcommands and options"

    local report="$work/lintian"
    lintian --tag-display-limit 0 --display-info "$deb" >"$report" 2>&1
    sed 's/^/  lintian: /' "$report"
    if grep -q '^E: ' "$report"; then fail "lintian reports errors"; else pass "lintian: no error"; fi
}

# Waits up to 20 s for a line matching <pattern> in <file>.
wait_for_line() {
    local file="$1" pattern="$2" tries=200
    while [ $tries -gt 0 ]; do
        grep -q "$pattern" "$file" 2>/dev/null && return 0
        sleep 0.1
        tries=$((tries - 1))
    done
    return 1
}

check_installed() {
    local bin="$root/usr/bin"
    local got
    got="$("$bin/nubexa-cli" --version)"
    [ "$got" = "nubexa-cli $version" ] || fail "nubexa-cli --version: $got"
    got="$("$bin/nubexa-service" --version)"
    [ "$got" = "nubexa-service $version" ] || fail "nubexa-service --version: $got"
    pass "--version of the installed programs"

    # A user with empty XDG folders; nothing may be written beside the programs.
    local home="$work/home" data="$work/xdg-data" config="$work/xdg-config"
    mkdir -p "$home"
    touch "$work/stamp"
    mkdir -m 700 "$work/runtime"
    run_as_user() {
        env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="${user_data:-$data}" \
            XDG_CONFIG_HOME="$config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen "$@"
    }
    run_as_user "$bin/nubexa-service" --http 127.0.0.1:0 --ftp 127.0.0.1:0 --seed-demo \
        >"$work/service.out" 2>"$work/service.err" &
    service_pid=$!
    if ! wait_for_line "$work/service.out" '^nubexa-service listening'; then
        fail "the installed service did not start: $(cat "$work/service.err")"
        return
    fi
    local line; line="$(head -n1 "$work/service.out")"
    [[ $line == *"data=$data/nubexa/nubexa-data"* ]] ||
        fail "the service's default data folder is not under XDG_DATA_HOME: $line"
    local http="${line#*http=}"; http="${http%% *}"

    mkdir -p "$config/nubexa"
    printf '[service]\napi_host = %s\nweb_host = %s\n' "$http" "$http" >"$config/nubexa/nubexa.ini"
    if echo demo123 | run_as_user timeout 30 "$bin/nubexa-cli" login demo --password-stdin \
        >"$work/login.out" 2>&1; then
        pass "nubexa-cli signs in with the service named in XDG_CONFIG_HOME/nubexa/nubexa.ini"
    else
        fail "installed nubexa-cli login: $(cat "$work/login.out")"
    fi
    [ -f "$data/nubexa/bin.db" ] || fail "no bin.db in XDG_DATA_HOME/nubexa"
    [ "$(stat -c %a "$data/nubexa")" = 700 ] || fail "XDG_DATA_HOME/nubexa is not private"
    run_as_user timeout 30 "$bin/nubexa-cli" ls >"$work/ls.out" 2>&1 ||
        fail "installed nubexa-cli ls: $(cat "$work/ls.out")"
    [ -n "$with_client" ] && check_installed_client
    local written; written="$(find "$root" -newer "$work/stamp" -type f)"
    [ -z "$written" ] || fail "files written into the installed tree: $written"
    pass "bin.db under XDG_DATA_HOME/nubexa, nothing written beside the programs"
}

# Runs the installed client in the background until <condition> holds (up to 20 s), then ends it.
client_until() {
    local condition="$1" tries=200
    run_as_user "$bin/nubexa-client" >"$work/client.out" 2>"$work/client.err" &
    client_pid=$!
    while [ $tries -gt 0 ] && ! eval "$condition"; do
        sleep 0.1
        tries=$((tries - 1))
    done
    stop "$client_pid"
    client_pid=""
    eval "$condition"
}

check_installed_client() {
    # A first start with an empty data folder: the sign-in window and a new bin.db.
    local fresh="$work/fresh-data"
    if user_data="$fresh" client_until '[ -s "$fresh/nubexa/bin.db" ]'; then
        pass "the installed client creates bin.db under an empty XDG_DATA_HOME"
    else
        fail "the installed client made no bin.db under XDG_DATA_HOME: $(cat "$work/client.err" \
            "$fresh/nubexa/nubexa-client.log" 2>/dev/null | tail -20)"
    fi
    # The sign-in that nubexa-cli remembered, with automatic sign-in on: the client signs in
    # by itself and records the sign-in with the avatar it fetched.
    sqlite3 "$data/nubexa/bin.db" "UPDATE t_user_log SET is_auto_login = 1"
    local signed_in="SELECT count(*) FROM t_user_log WHERE avatarIsDown = 1"
    if client_until '[ "$(sqlite3 "$data/nubexa/bin.db" "$signed_in" 2>/dev/null)" -ge 1 ]'; then
        pass "the installed client signs in against the installed service"
    else
        fail "the installed client did not sign in: $(cat "$work/client.err" \
            "$data/nubexa/nubexa-client.log" 2>/dev/null | tail -20)"
    fi
    if grep 'picture missing' "$work/client.err"; then
        fail "the installed client misses pictures"
    else
        pass "the installed client finds its pictures under /usr/share/nubexa/image"
    fi
}

case "$check" in
    contents) check_contents ;;
    validity) check_validity ;;
    installed) check_installed ;;
    *) echo "unknown check $check"; exit 2 ;;
esac
echo "$check: $failures failure(s)"
[ "$failures" -eq 0 ]
