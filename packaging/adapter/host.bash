# The host's side of QEMU's FT232s for packaging/check-adapter; sourced. Each
# adapter is a usb-serial device on a socket chardev, and behind the socket a
# simulated board: orvane-boardsim's pseudo-terminal, bridged to the socket by
# socat, which always reads both sides, so the guest never stalls on a full socket.
# The guest sees the adapter while the bridge is connected and the device plugged.
#
#   qmp JSON...                       QMP commands, after the handshake; fails on an error reply
#   board_start NAME VALUE-ARGS...    a simulated board, its link $work/NAME, its log $work/NAME.log
#   bridge_start NAME / bridge_stop NAME   connects / closes the socket $work/NAME.sock
#   adapter_plug NAME SERIAL / adapter_unplug NAME   device_add / device_del on chardev NAME
declare -A pids=() plugged=()
plug_count=0

qmp() {
    local reply
    reply="$({ echo '{"execute":"qmp_capabilities"}'; printf '%s\n' "$@"; sleep 0.2; } |
        socat -t 2 - "UNIX-CONNECT:$work/qmp.sock")"
    if grep -q '"error"' <<<"$reply"; then
        echo "$reply" >&2
        return 1
    fi
}

board_start() {
    local name="$1"
    shift
    "$sim" --link "$work/$name" --log "$work/$name.log" "$@" >/dev/null &
    pids[board-$name]=$!
    for _ in $(seq 100); do
        [ -e "$work/$name" ] && return
        sleep 0.05
    done
    fail "the simulated board $name did not start"
}

bridge_start() {
    socat "UNIX-CONNECT:$work/$1.sock" "FILE:$work/$1,rawer" &
    pids[bridge-$1]=$!
}

stop() {
    [ -n "${pids[$1]:-}" ] || return 0
    kill "${pids[$1]}" 2>/dev/null || true
    wait "${pids[$1]}" 2>/dev/null || true
    unset "pids[$1]"
}
bridge_stop() { stop "bridge-$1"; }

# A fresh id each time: QEMU may still hold the last one while it finishes removing it.
adapter_plug() {
    plug_count=$((plug_count + 1))
    plugged[$1]="ftdi$plug_count"
    qmp "{\"execute\":\"device_add\",\"arguments\":{\"driver\":\"usb-serial\",\"bus\":\"xhci.0\",\
\"id\":\"${plugged[$1]}\",\"chardev\":\"$1\",\"serial\":\"$2\"}}"
}

adapter_unplug() {
    qmp "{\"execute\":\"device_del\",\"arguments\":{\"id\":\"${plugged[$1]}\"}}"
    unset "plugged[$1]"
}

stop_all() {
    local name
    for name in "${!pids[@]}"; do
        stop "$name"
    done
}
