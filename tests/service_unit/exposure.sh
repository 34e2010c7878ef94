#!/usr/bin/env bash
# The service unit's exposure as systemd rates it (offline, from the file alone): at most
# the limit. Prints the figure, and what counts against it when it is too high.
set -u
unit=$1
limit=$2
report=$(systemd-analyze security --offline=yes "$unit" 2>&1) || { echo "$report"; exit 1; }
figure=$(sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p' <<<"$report")
echo "exposure of $(basename "$unit"): ${figure:-none} (at most $limit)"
if [ -z "$figure" ] || ! awk -v figure="$figure" -v limit="$limit" 'BEGIN { exit !(figure <= limit) }'; then
  grep '✗' <<<"$report"
  exit 1
fi
