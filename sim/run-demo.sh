#!/bin/sh
# Starts the simulated unit and opens the program with the unit's address
# at the top of its address history, ready to connect.
#
#   sim/run-demo.sh [BUILD_DIR] [qelsim options...]
#
# BUILD_DIR (default "build") is where the project was built. The program
# runs in BUILD_DIR/demo, which keeps its own address history file. The
# port is 2323 unless QELSIM_PORT says otherwise; the simulator stops when
# the program is closed.
set -eu

build=${1:-build}
[ $# -gt 0 ] && shift
build=$(cd "$build" && pwd)
port=${QELSIM_PORT:-2323}
address="127.0.0.1:$port"
demo="$build/demo"
mkdir -p "$demo"

"$build/sim/qelsim" --bind 127.0.0.1 --port "$port" "$@" &
sim=$!
trap 'kill "$sim" 2>/dev/null || true' EXIT INT TERM
sleep 0.5
if ! kill -0 "$sim" 2>/dev/null; then
    echo "run-demo: qelsim did not start (see its message above)" >&2
    exit 1
fi

# The history file: 11 lines ended by CR LF, the simulator's address first,
# then the earlier addresses that are not empty and not the same one.
cd "$demo"
{
    printf '%s\n' "$address"
    if [ -f IpHist.cfg ]; then
        tr -d '\r' < IpHist.cfg | grep -v -x -F -e "$address" -e '' || true
    fi
} | head -n 11 > IpHist.new
while [ "$(wc -l < IpHist.new)" -lt 11 ]; do
    echo >> IpHist.new
done
sed 's/$/\r/' IpHist.new > IpHist.cfg
rm -f IpHist.new

"$build/orvik3"
