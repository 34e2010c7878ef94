#!/bin/bash
# The collector's capture beside a bare libpcap loop opened as a worker opens an adapter
# (bench/CaptureBareLoop.cpp: it only sums wire lengths) and beside tcpdump -w /dev/null,
# all three on the same veth pair in one run: two network namespaces made here, iperf3 at
# the highest rate the pair carries (one TCP stream; 1400-byte UDP datagrams without a
# rate limit), first on an otherwise quiet machine, then with one busy loop per core on
# top of whatever else runs. For every run: the collector's count and the summary file it
# wrote against the kernel's byte counters of the interface, the bare loop's sum against
# them too, the drops, CPU seconds per GB of the three captures (the collector and the
# bare loop from the open of the adapter on, tcpdump whole), the collector's CPU over
# the bare loop's and over tcpdump's, and the machine's load average as the run started;
# then the range of each figure over the repeats. Needs root, iproute2, iperf3, tcpdump
# and python3; traffic stays between the namespaces made here.
#
#   bash bench/capture_live.sh <build-dir> [seconds] [repeats] [buffer-MB]
set -euo pipefail

build=${1:?build directory with bench/capture_live_probe}
seconds=${2:-10}
repeats=${3:-3}
buffer=${4:-64}
probe=$build/bench/capture_live_probe
bare=$build/bench/capture_bare_loop
[ -x "$probe" ] || { echo "no $probe: build the capture_live_probe target" >&2; exit 1; }
[ -x "$bare" ] || { echo "no $bare: build the capture_bare_loop target" >&2; exit 1; }
[ "$(id -u)" = 0 ] || { echo "needs root (network namespaces, capture)" >&2; exit 1; }

a=cqbench-a-$$
b=cqbench-b-$$
work=$(mktemp -d)
busy=()
stop_busy() {
  for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${busy[@]}"; do wait "$pid" 2>/dev/null || true; done
  busy=()
}
cleanup() {
  stop_busy
  ip netns del "$a" 2>/dev/null || true
  ip netns del "$b" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
. "$(dirname "$0")/namespace_pair.sh"
make_namespace_pair

kernel_bytes() {
  ip netns exec "$a" sh -c 'echo $(( $(cat /sys/class/net/vA/statistics/tx_bytes) + $(cat /sys/class/net/vA/statistics/rx_bytes) ))'
}
summary_bytes() {
  python3 - "$1" <<'PY'
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
print(sum(int(u.findtext(k) or 0) for u in root.iter('unit') for k in ('send_size', 'recv_size', 'unknown_size')))
PY
}
field() { sed -n "s/.*\\b$1=\\([^ ]*\\).*/\\1/p" "$2"; }
per_gb() { printf '%.4f' "$(echo "scale=6; $1 / ($2 / 1000000000)" | bc)"; }

# run <label> <iperf3 client options...>: one side-by-side run; appends a result line.
run() {
  local label=$1
  shift
  local root=$work/root
  rm -rf "$root"
  mkdir -p "$root"
  ip netns exec "$b" iperf3 -s -1 -B 192.168.77.1 >/dev/null 2>&1 &
  local server=$!
  sleep 0.5

  local load
  load=$(cut -d ' ' -f 1 /proc/loadavg)
  local before
  before=$(kernel_bytes)
  # tcpdump as it is usually run (whole frames), with the same capture buffer.
  ( ip netns exec "$a" bash -c "TIMEFORMAT='tcpdump_cpu_seconds=%3U+%3S'; time timeout -s INT $((seconds + 5)) \
      tcpdump -q -n -i vA -B $((buffer * 1000)) -w /dev/null" ) > "$work/tcpdump" 2>&1 &
  local tcpdump=$!
  sleep 0.5
  CORVANE_ROOT=$root CAPTURE_SECONDS=$((seconds + 3)) CAPTURE_BUFFER_MB=$buffer \
    ip netns exec "$a" "$probe" 2>/dev/null | grep '^workers=' > "$work/probe" &
  local capture=$!
  CAPTURE_SECONDS=$((seconds + 3)) CAPTURE_BUFFER_MB=$buffer \
    ip netns exec "$a" "$bare" vA > "$work/bare" &
  local bare_loop=$!
  sleep 1
  local rate
  rate=$(ip netns exec "$a" iperf3 -c 192.168.77.1 -B 10.77.0.1 -t "$seconds" "$@" -f g 2>&1 |
         awk '/sender|receiver/ {for (i = 1; i < NF; ++i) if ($(i + 1) == "Gbits/sec") r = $i} END {print r}')
  wait "$capture"
  wait "$bare_loop"
  wait "$tcpdump" || true
  wait "$server" 2>/dev/null || true
  local after
  after=$(kernel_bytes)

  local kernel=$((after - before))
  local counted dropped cpu summary tcpdump_cpu tcpdump_dropped
  counted=$(field counted_bytes "$work/probe")
  dropped=$(field pcap_dropped "$work/probe")
  cpu=$(field cpu_seconds "$work/probe")
  summary=$(summary_bytes "$(field summary "$work/probe")")
  tcpdump_cpu=$(echo "$(sed -n 's/^tcpdump_cpu_seconds=//p' "$work/tcpdump")" | bc)
  tcpdump_dropped=$(sed -n 's/^\([0-9]*\) packets dropped by kernel.*/\1/p' "$work/tcpdump")
  local bare_bytes bare_dropped bare_cpu
  bare_bytes=$(field counted_bytes "$work/bare")
  bare_dropped=$(field pcap_dropped "$work/bare")
  bare_cpu=$(field cpu_seconds "$work/bare")
  local collector_gb bare_gb tcpdump_gb
  collector_gb=$(per_gb "$cpu" "$kernel")
  bare_gb=$(per_gb "$bare_cpu" "$kernel")
  tcpdump_gb=$(per_gb "$tcpdump_cpu" "$kernel")
  local line
  line="$label load1=$load rate_gbit=$rate kernel_bytes=$kernel counted_bytes=$counted summary_bytes=$summary"
  line+=" missing=$((kernel - summary)) drops=$dropped cpu_s_per_gb=$collector_gb"
  line+=" bare_missing=$((kernel - bare_bytes)) bare_drops=$bare_dropped bare_cpu_s_per_gb=$bare_gb"
  line+=" tcpdump_drops=${tcpdump_dropped:-?} tcpdump_cpu_s_per_gb=$tcpdump_gb"
  line+=" ratio_bare=$(printf '%.3f' "$(echo "scale=6; $collector_gb / $bare_gb" | bc)")"
  line+=" ratio_tcpdump=$(printf '%.3f' "$(echo "scale=6; $collector_gb / $tcpdump_gb" | bc)")"
  echo "$line"
  echo "$line" >> "$work/results"
}

# ranges <label>: min–max of each figure over the runs of that label.
ranges() {
  awk -v label="$1" '$1 == label {
      for (i = 2; i <= NF; ++i) {
        split($i, kv, "="); k = kv[1]; v = kv[2] + 0
        if (!(k in lo) || v < lo[k]) { lo[k] = v; low[k] = kv[2] }
        if (!(k in hi) || v > hi[k]) { hi[k] = v; high[k] = kv[2] }
        if (n == 0) order[++keys] = k
      }
      ++n
    }
    END {
      printf "%s over %d runs:", label, n
      for (j = 1; j <= keys; ++j) printf " %s=%s..%s", order[j], low[order[j]], high[order[j]]
      printf "\n"
    }' "$work/results"
}

for load in idle loaded; do
  if [ "$load" = loaded ]; then
    for _ in $(seq "$(nproc)"); do
      ( while :; do :; done ) &
      busy+=($!)
    done
  fi
  for i in $(seq "$repeats"); do
    run "tcp-$load"
    run "udp1400-$load" -u -b 0 -l 1400
  done
  stop_busy
done

echo "== ranges (collector: the adapter manager's workers at the service's priorities; bare loop at the same"
echo "   priority; tcpdump at nice 0)"
for label in tcp-idle udp1400-idle tcp-loaded udp1400-loaded; do ranges "$label"; done
