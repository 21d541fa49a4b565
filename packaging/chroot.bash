# Fresh Debian chroots for the checks that need a clean system (check-install,
# check-debian13); sourced, needs root. Each chroot gets what programs expect of a
# Debian machine: /proc, a /dev with its own pseudo-terminals, /run with /run/lock
# open to all as on Debian, and an empty /tmp. chroot_undo, which the caller runs on
# exit, ends what still runs in them and unmounts all that was mounted.
#
#   chroot_debootstrap SUITE DIR LOG   a minbase system in DIR, from ORVANE_MIRROR
#   chroot_enter DIR SUITE             apt sources, mounts; in_root and chroot_add_user then work in it
#   chroot_add_user NAME               adds the user; user_cmd then runs a command as them
#   chroot_login NAME COMMAND          runs COMMAND as NAME logged in as `su -` does: no locale, no runtime dir
#   chroot_remove DIR                  deletes a chroot that nothing is mounted in
chroot_mirror="${ORVANE_MIRROR:-http://deb.debian.org/debian}"
chroot_security="${ORVANE_SECURITY_MIRROR:-http://deb.debian.org/debian-security}"
chroot_mounts=()
chroot_roots=()

fail() {
    echo "$(basename "$0"): FAILED: $*" >&2
    exit 1
}

chroot_debootstrap() {
    debootstrap --variant=minbase "$1" "$2" "$chroot_mirror" >"$3" 2>&1 ||
        { tail -n 20 "$3" >&2; fail "debootstrap $1, see $3"; }
}

# A bind mount left under a folder would make deleting the folder delete the host's files.
chroot_remove() {
    if awk -v dir="$1/" 'index($2, dir) == 1 { found = 1 } END { exit !found }' /proc/mounts; then
        fail "something is still mounted under $1; unmount it first"
    fi
    rm -rf --one-file-system "$1"
}

chroot_mount() {
    local target="${*: -1}"
    mkdir -p "$target"
    mount "$@"
    chroot_mounts+=("$target")
}

chroot_enter() {
    sysroot="$1"
    chroot_roots+=("$(realpath "$sysroot")")
    cat >"$sysroot/etc/apt/sources.list" <<EOF
deb $chroot_mirror $2 main
deb $chroot_mirror $2-updates main
deb $chroot_security $2-security main
EOF
    cat /etc/resolv.conf >"$sysroot/etc/resolv.conf"
    echo "127.0.1.1 $(hostname)" >>"$sysroot/etc/hosts"
    # Thrown away after: no fsync for every file dpkg unpacks, no services started.
    echo force-unsafe-io >"$sysroot/etc/dpkg/dpkg.cfg.d/orvane-unsafe-io"
    printf '#!/bin/sh\nexit 101\n' >"$sysroot/usr/sbin/policy-rc.d"
    chmod 755 "$sysroot/usr/sbin/policy-rc.d"

    chroot_mount -t proc proc "$sysroot/proc"
    chroot_mount -t tmpfs -o mode=755,nosuid dev "$sysroot/dev"
    local node name major minor
    for node in "null 1 3" "zero 1 5" "full 1 7" "random 1 8" "urandom 1 9" "tty 5 0"; do
        read -r name major minor <<<"$node"
        mknod -m 666 "$sysroot/dev/$name" c "$major" "$minor"
    done
    ln -s /proc/self/fd "$sysroot/dev/fd"
    ln -s /proc/self/fd/0 "$sysroot/dev/stdin"
    ln -s /proc/self/fd/1 "$sysroot/dev/stdout"
    ln -s /proc/self/fd/2 "$sysroot/dev/stderr"
    install -d -m 1777 "$sysroot/dev/shm"
    # Pseudo-terminals of its own, none of the host's; group 5 is tty on Debian.
    chroot_mount -t devpts -o newinstance,ptmxmode=0666,mode=0620,gid=5 devpts "$sysroot/dev/pts"
    ln -s pts/ptmx "$sysroot/dev/ptmx"
    chroot_mount -t tmpfs -o mode=755,nosuid,nodev run "$sysroot/run"
    install -d -m 1777 "$sysroot/run/lock"
    chroot_mount -t tmpfs -o mode=1777,nosuid,nodev tmp "$sysroot/tmp"
}

in_root() {
    chroot "$sysroot" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"
}

# An array, not a function, so that $! of a background run is the program's own pid.
chroot_add_user() {
    local uid gid
    in_root id "$1" >/dev/null 2>&1 || in_root useradd --create-home --user-group --shell /bin/bash "$1"
    uid="$(in_root id -u "$1")"
    gid="$(in_root id -g "$1")"
    in_root install -d -m 700 -o "$1" -g "$1" "/tmp/runtime-$1"
    user_cmd=(chroot --userspec="$uid:$gid" --groups="$gid" "$sysroot" env -i PATH=/usr/bin:/bin
        HOME="/home/$1" LANG=C.UTF-8 XDG_RUNTIME_DIR="/tmp/runtime-$1")
}

# As cron, ssh to a minimal machine and `su -` give it: a login shell, and in
# it no LANG and no XDG_RUNTIME_DIR, unless the chroot's own files set them.
chroot_login() {
    chroot "$sysroot" env -i TERM=dumb su - "$1" -c "$2"
}

# The pids of what runs with one of the chroots as its root.
chroot_pids() {
    local pid dir root
    for pid in /proc/[0-9]*; do
        dir="$(readlink "$pid/root" 2>/dev/null)" || continue
        for root in "${chroot_roots[@]}"; do
            [ "$dir" != "$root" ] || echo "${pid#/proc/}"
        done
    done
}

chroot_undo() {
    local i pids
    for i in $(seq 50); do
        pids="$(chroot_pids)"
        [ -n "$pids" ] || break
        kill -KILL $pids 2>/dev/null || true
        sleep 0.1
    done
    for ((i = ${#chroot_mounts[@]} - 1; i >= 0; i--)); do
        umount "${chroot_mounts[i]}" || umount --lazy "${chroot_mounts[i]}" || true
    done
    chroot_mounts=()
}
