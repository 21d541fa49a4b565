#!/bin/sh
# Validates the AppStream metainfo with this system's appstreamcli, failing on any
# warning or info, not only on errors; then makes sure that check bites on this
# AppStream release: the file with an unknown licence (a warning) and with the
# other AppStream generation's developer tag (an info) must each fail it.
#   check-metainfo.sh METAINFO        exits 77 where appstreamcli is not installed
set -eu
file="$1"
command -v appstreamcli >/dev/null || exit 77
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

validate() {
    appstreamcli validate --no-net --strict --pedantic "$1"
}
validate "$file"

status=0
# The copy keeps the file's name, which the validator compares with the id.
refused() { # what sed-script
    copy="$tmp/$(basename "$file")"
    sed "$2" "$file" >"$copy"
    if cmp -s "$file" "$copy"; then
        echo "FAIL: could not add $1"
        status=1
    elif validate "$copy" >"$tmp/out" 2>&1; then
        echo "FAIL: the check lets $1 through:"
        cat "$tmp/out"
        status=1
    fi
}
refused "an unknown licence" 's|</project_license>| AND Unknown-1.0</project_license>|'
if grep -q '<developer_name>' "$file"; then
    refused "a <developer> block" 's|<summary>|<developer id="org.example"><name>A</name></developer>&|'
else
    refused "a <developer_name>" 's|<summary>|<developer_name>A</developer_name>&|'
fi
exit "$status"
