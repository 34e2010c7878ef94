#!/bin/bash
# The installed collector's cost: resident memory and CPU time while idle and while it
# captures a 1 Gbit/s stream between two network namespaces made here, and its summary
# file's total against the kernel's counters after the stop. Needs root, iproute2 and
# iperf3; traffic stays between the namespaces.
#
#   bash bench/collector_live.sh <build-dir> [seconds]
set -euo pipefail

build=${1:?build directory with collector/CorvaneCollector}
seconds=${2:-10}
collector=$build/collector/CorvaneCollector
runner=$build/platform/service/runner/corvane-service-runner
[ -x "$collector" ] && [ -x "$runner" ] || { echo "build CorvaneCollector and corvane-service-runner first" >&2; exit 1; }
[ "$(id -u)" = 0 ] || { echo "needs root (network namespaces, capture)" >&2; exit 1; }

a=cvbench-a-$$
b=cvbench-b-$$
root=$(mktemp -d)
export CORVANE_ROOT=$root
cleanup() {
  "$runner" stop corvan-service >/dev/null 2>&1 || true
  ip netns del "$a" 2>/dev/null || true
  ip netns del "$b" 2>/dev/null || true
  rm -rf "$root"
}
trap cleanup EXIT
. "$(dirname "$0")/namespace_pair.sh"
make_namespace_pair

install=$root/opt/Hoxa/Zembrolite
mkdir -p "$install"
cp "$collector" "$install/"
printf '[Config]\r\nXMLWriteIntervalSec=5\r\nNicWatchIntervalSec=5\r\n' > "$install/config.ini"

kernel_bytes() { ip netns exec "$a" sh -c 'echo $(( $(cat /sys/class/net/vA/statistics/tx_bytes) + $(cat /sys/class/net/vA/statistics/rx_bytes) ))'; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }
peak_kb() { awk '/^VmHWM/ {print $2}' "/proc/$1/status"; }
hz=$(getconf CLK_TCK)

before=$(kernel_bytes)
ip netns exec "$a" "$runner" start corvan-service -- "$install/CorvaneCollector" >/dev/null
pid=$(sed -n "s/^pid=//p" "$root/run/corvane-service-runner/corvan-service.state")
sleep 2

echo "== idle ${seconds}s"
t0=$(cpu_ticks "$pid")
sleep "$seconds"
t1=$(cpu_ticks "$pid")
echo "rss_kb=$(rss_kb "$pid") cpu_percent=$(echo "scale=2; ($t1 - $t0) * 100 / $hz / $seconds" | bc)"

echo "== capturing 1 Gbit/s for ${seconds}s"
ip netns exec "$b" iperf3 -s -1 -B 192.168.77.1 >/dev/null 2>&1 &
server=$!
sleep 0.5
t0=$(cpu_ticks "$pid")
ip netns exec "$a" iperf3 -c 192.168.77.1 -B 10.77.0.1 -t "$seconds" -b 1G 2>&1 | grep -E 'sender' | tail -1
t1=$(cpu_ticks "$pid")
wait "$server" 2>/dev/null || true
echo "rss_kb=$(rss_kb "$pid") peak_rss_kb=$(peak_kb "$pid") cpu_percent=$(echo "scale=2; ($t1 - $t0) * 100 / $hz / $seconds" | bc)"

"$runner" stop corvan-service >/dev/null
after=$(kernel_bytes)
counted=$(python3 - "$root/var/lib/Hoxa/Zembrolite/summarydata.xml" <<'PY'
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
print(sum(int(u.findtext(k) or 0) for u in root.iter('unit') for k in ('send_size', 'recv_size', 'unknown_size')))
PY
)
echo "summary_bytes=$counted kernel_bytes=$((after - before))"
