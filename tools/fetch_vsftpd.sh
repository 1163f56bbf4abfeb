#!/usr/bin/env bash
# fetch_vsftpd.sh DIR: vsftpd's program from its Debian package, unpacked into DIR once (not
# installed: installing vsftpd removes pure-ftpd). Prints the program's path; exits 1 when the
# package cannot be fetched (no network, no package lists).
set -euo pipefail
dir="$1"
if [ ! -x "$dir/usr/sbin/vsftpd" ]; then
    mkdir -p "$dir"
    (cd "$dir" && apt-get download vsftpd >/dev/null 2>&1 && dpkg -x vsftpd_*.deb .) || exit 1
fi
echo "$dir/usr/sbin/vsftpd"
