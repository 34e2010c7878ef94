#!/bin/bash
# Live capture load: two network namespaces joined by a veth pair, iperf3 at the highest
# rate the pair carries, and the capture workers on one side beside tcpdump -w /dev/null
# on the same interface. Prints counted bytes, the capture library's drops and CPU time
# per GB for both. Needs root, iproute2, iperf3 and tcpdump; traffic stays between the
# namespaces made here.
#
#   bash bench/capture_live.sh <build-dir> [seconds] [buffer-MB]
set -euo pipefail

build=${1:?build directory with bench/capture_live_probe}
seconds=${2:-10}
buffer=${3:-64}
probe=$build/bench/capture_live_probe
[ -x "$probe" ] || { echo "no $probe: build the capture_live_probe target" >&2; exit 1; }
[ "$(id -u)" = 0 ] || { echo "needs root (network namespaces, capture)" >&2; exit 1; }

a=cqbench-a-$$
b=cqbench-b-$$
cleanup() { ip netns del "$a" 2>/dev/null || true; ip netns del "$b" 2>/dev/null || true; }
trap cleanup EXIT
. "$(dirname "$0")/namespace_pair.sh"
make_namespace_pair

tx_bytes() { ip netns exec "$a" cat /sys/class/net/vA/statistics/tx_bytes; }
rx_bytes() { ip netns exec "$a" cat /sys/class/net/vA/statistics/rx_bytes; }

# run <label> <iperf3 client options...>
run() {
  local label=$1
  shift
  echo "== $label"
  ip netns exec "$b" iperf3 -s -1 -B 192.168.77.1 >/dev/null 2>&1 &
  local server=$!
  sleep 0.5

  # The workers capture for the whole run, iperf3 runs inside it.
  local before=$(( $(tx_bytes) + $(rx_bytes) ))
  CAPTURE_SECONDS=$((seconds + 3)) CAPTURE_BUFFER_MB=$buffer \
    ip netns exec "$a" "$probe" --benchmark_format=json 2>/dev/null | grep '^workers=' > /tmp/$a.probe &
  local capture=$!
  sleep 1
  ip netns exec "$a" iperf3 -c 192.168.77.1 -B 10.77.0.1 -t "$seconds" "$@" 2>&1 | grep -E 'sender|receiver' | tail -2
  wait "$capture"
  local after=$(( $(tx_bytes) + $(rx_bytes) ))
  wait "$server" 2>/dev/null || true
  echo "workers: $(cat /tmp/$a.probe) kernel_bytes=$((after - before))"

  ip netns exec "$b" iperf3 -s -1 -B 192.168.77.1 >/dev/null 2>&1 &
  server=$!
  sleep 0.5
  before=$(( $(tx_bytes) + $(rx_bytes) ))
  # tcpdump with the same buffer per interface, writing nowhere; its own CPU time.
  ( ip netns exec "$a" bash -c "TIMEFORMAT='tcpdump_cpu_seconds=%U+%S'; time timeout -s INT $((seconds + 2)) \
      tcpdump -q -i vA -s 65535 -B $((buffer * 1000)) -w /dev/null" ) > /tmp/$a.tcpdump 2>&1 &
  capture=$!
  sleep 1
  ip netns exec "$a" iperf3 -c 192.168.77.1 -B 10.77.0.1 -t "$seconds" "$@" >/dev/null 2>&1
  wait "$capture" || true
  after=$(( $(tx_bytes) + $(rx_bytes) ))
  wait "$server" 2>/dev/null || true
  echo "tcpdump: $(grep -E 'captured|dropped|cpu_seconds' /tmp/$a.tcpdump | tr '\n' ' ') kernel_bytes=$((after - before))"
  rm -f /tmp/$a.probe /tmp/$a.tcpdump
}

run "TCP, one stream"
run "UDP, 1400-byte datagrams, unlimited rate" -u -b 0 -l 1400
