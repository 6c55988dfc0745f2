#!/usr/bin/env bash
# Starts the program on a virtual display with the accessibility bus and reads its windows through AT-SPI
# (tests/install/atspi.py): atspi.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$1
build=$2
tmp=$(mktemp -d)
cp "$src/examples/inversion.qtm" "$tmp/"
# The test set beside the machine, which the test-set window loads.
printf '0110\t1001\r\n01\t10\r\n' >"$tmp/inversion.tests"
export HOME=$tmp XDG_RUNTIME_DIR=$tmp
run() {
    # The server picks a free display itself and names it, so that runs side by side cannot take the same.
    local display=""
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" >/dev/null 2>&1 &
    local xvfb=$!
    for _ in $(seq 100); do
        display=$(head -n 1 "$tmp/display" 2>/dev/null || true)
        [ -n "$display" ] && break
        sleep 0.1
    done
    export DISPLAY=":$display" QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
    /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
    local bus=$!
    # The program runs from a copy of the build's executable so that it keeps its settings in $tmp.
    cp "$build/qtm" "$tmp/qtm"
    (cd "$tmp" && exec ./qtm inversion.qtm) >"$tmp/qtm.log" 2>&1 &
    local program=$!
    local status=0
    /usr/bin/python3 "$src/tests/install/atspi.py" 60 || status=$?
    kill "$program" "$bus" "$xvfb" 2>/dev/null || true
    wait 2>/dev/null || true
    [ "$status" -eq 0 ] || cat "$tmp/qtm.log" >&2
    return "$status"
}
export -f run
export src build tmp
status=0
dbus-run-session -- bash -c run 2>"$tmp/bus.log" || status=$?
# On a loaded machine the new X server now and then refuses the program's first connection; that says nothing of
# the program's accessibility, so such a start is tried once more.
if [ "$status" -ne 0 ] && grep -q "could not connect to display" "$tmp/qtm.log" 2>/dev/null; then
    rm -f "$tmp/display"
    status=0
    dbus-run-session -- bash -c run 2>"$tmp/bus.log" || status=$?
fi
[ "$status" -eq 0 ] || cat "$tmp/bus.log" >&2
rm -rf "$tmp"
exit "$status"
