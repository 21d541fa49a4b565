#!/bin/sh
# changelog.awk on small changelogs: the exact Debian and AppStream text of a
# good one (dates across a leap day and a century), and a refusal, with a reason,
# of each kind of bad one.
#   check-changelog.sh AWK_SCRIPT
set -eu
script="$1"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
status=0

convert() { # format version file
    awk -v format="$1" -v version="$2" -v package=orvane -v 'maintainer=A B <a@b.invalid>' \
        -f "$script" "$3"
}

cat >"$tmp/good.md" <<'MD'
# Changelog

Text before the first entry is not copied.

## 2.0 — 2000-03-01

- Reads `x` & <y>;
  on two lines.
- Second.

## 1.9.1 — 2024-02-29

- Leap day.
MD
cat >"$tmp/debian.want" <<'TXT'
orvane (2.0) unstable; urgency=medium

  * Reads `x` & <y>;
    on two lines.
  * Second.

 -- A B <a@b.invalid>  Wed, 01 Mar 2000 00:00:00 +0000

orvane (1.9.1) unstable; urgency=medium

  * Leap day.

 -- A B <a@b.invalid>  Thu, 29 Feb 2024 00:00:00 +0000
TXT
cat >"$tmp/appstream.want" <<'TXT'
    <release version="2.0" date="2000-03-01">
      <description>
        <ul>
          <li>Reads x &amp; &lt;y&gt;; on two lines.</li>
          <li>Second.</li>
        </ul>
      </description>
    </release>
    <release version="1.9.1" date="2024-02-29">
      <description>
        <ul>
          <li>Leap day.</li>
        </ul>
      </description>
    </release>
TXT
for format in debian appstream; do
    convert "$format" 2.0 "$tmp/good.md" >"$tmp/$format.got"
    diff -u "$tmp/$format.want" "$tmp/$format.got" || { echo "FAIL: $format text"; status=1; }
done

# Each bad changelog: its lines, then the reason it must be refused with.
refused() { # name reason lines...
    name="$1" reason="$2"
    shift 2
    printf '%s\n' "$@" >"$tmp/$name.md"
    if convert debian 2.0 "$tmp/$name.md" >/dev/null 2>"$tmp/$name.err"; then
        echo "FAIL: $name accepted"
        status=1
    elif ! grep -q "$reason" "$tmp/$name.err"; then
        echo "FAIL: $name refused without \"$reason\":"
        cat "$tmp/$name.err"
        status=1
    fi
}
refused "older version on top" "newest entry is 1.9" "## 1.9 — 2026-01-01" "- A." "" "## 2.0 — 2026-02-01" "- B."
refused "no entry" "no \"## VERSION" "# Changelog" "" "Nothing yet."
refused "heading without a date" "expected \"## VERSION" "## 2.0" "- A."
refused "entry without items" "lists no change" "## 2.0 — 2026-01-01" "" "## 1.0 — 2025-01-01" "- A."
refused "stray text in an entry" "expected a \"- \" item" "## 2.0 — 2026-01-01" "- A." "Not an item."
exit "$status"
