# Turns CHANGELOG.md into the Debian changelog (format=debian) or into AppStream
# <release> elements (format=appstream). Fails unless the newest entry is `version`.
#   awk -v format=debian -v version=1.1 -v package=orvane -v maintainer='Name <mail>' \
#       -f changelog.awk CHANGELOG.md

function fail(message) {
    printf "%s:%d: %s\n", FILENAME, FNR, message > "/dev/stderr"
    failed = 1
    exit 1
}

# Sakamoto's method: 0 is Sunday.
function weekday(y, m, d,    shift) {
    split("0 3 2 5 0 3 5 1 4 6 2 4", shift, " ")
    if (m < 3)
        y--
    return (y + int(y / 4) - int(y / 100) + int(y / 400) + shift[m] + d) % 7
}

function rfc2822(date,    p) {
    split(date, p, "-")
    return sprintf("%s, %s %s %s 00:00:00 +0000",
                   substr("SunMonTueWedThuFriSat", weekday(p[1] + 0, p[2] + 0, p[3] + 0) * 3 + 1, 3),
                   p[3], substr("JanFebMarAprMayJunJulAugSepOctNovDec", (p[2] - 1) * 3 + 1, 3), p[1])
}

function xml(s) {
    gsub(/&/, "\\&amp;", s)
    gsub(/</, "\\&lt;", s)
    gsub(/>/, "\\&gt;", s)
    gsub(/`/, "", s)
    return s
}

function end_item() {
    if (item != "" && format == "appstream")
        printf "          <li>%s</li>\n", xml(item)
    item = ""
}

function end_entry() {
    end_item()
    if (entries == 0)
        return
    if (items == 0)
        fail("the entry for " entry_version " lists no change")
    if (format == "debian")
        printf "\n -- %s  %s\n", maintainer, rfc2822(entry_date)
    else
        print "        </ul>\n      </description>\n    </release>"
}

/^## / {
    end_entry()
    if ($0 !~ /^## [0-9]+(\.[0-9]+)* — [0-9][0-9][0-9][0-9]-[01][0-9]-[0-3][0-9]$/)
        fail("expected \"## VERSION — YYYY-MM-DD\"")
    entry_version = $2
    entry_date = $4
    if (++entries == 1 && entry_version != version)
        fail("the newest entry is " entry_version ", but the version being built is " version)
    items = 0
    if (format == "debian") {
        if (entries > 1)
            print ""
        printf "%s (%s) unstable; urgency=medium\n\n", package, entry_version
    } else {
        printf "    <release version=\"%s\" date=\"%s\">\n", entry_version, entry_date
        print "      <description>\n        <ul>"
    }
    next
}

entries == 0 { next }

/^- / {
    end_item()
    items++
    item = substr($0, 3)
    if (format == "debian")
        print "  * " item
    next
}

/^  [^ ]/ && item != "" {
    item = item " " substr($0, 3)
    if (format == "debian")
        print "    " substr($0, 3)
    next
}

/^$/ { end_item(); next }

{ fail("expected a \"- \" item, a continuation indented by two spaces, or a blank line") }

END {
    if (failed)
        exit 1
    end_entry()
    if (entries == 0)
        fail("no \"## VERSION — DATE\" entry; the version being built is " version)
}
