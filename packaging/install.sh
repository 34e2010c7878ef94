#!/usr/bin/env bash
# Installs the traffic meter on this machine and starts the capture service: Debian
# packages, a release build below /opt/Hoxa/Zembrolite, the data folder with its default
# files, and the service (through systemd where it runs the machine, otherwise through
# our own service runner). Run as root from the source folder; safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."
. packaging/deps.sh
# shellcheck disable=SC2086
corvane_install_packages $CORVANE_BUILD_PACKAGES $CORVANE_RUNTIME_PACKAGES

prefix=${CORVANE_PREFIX:-/opt/Hoxa/Zembrolite}
data=${CORVANE_ROOT:-}/var/lib/Hoxa/Zembrolite

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build build/release -j"$(nproc)"
cmake --install build/release >/dev/null

# The capture service runs as a system user of its own, with no login and no home.
if ! id -u corvane >/dev/null 2>&1; then
  useradd --system --user-group --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin \
    --comment "Corvane traffic collector" corvane
fi
# The data folder and its Log subfolder are the service's, so that it can replace
# summarydata.xml atomically. The files other users write there stay theirs
# (post-install.sh); only what the service itself wrote, perhaps as root before it had a
# user of its own, becomes its user's. Inside the data folder nothing is followed
# through a link (packaging/data-files.sh): its owner may put one at any name.
. packaging/data-files.sh
install -d -m 0755 "$data"
chown -h corvane:corvane "$data"
chmod 0755 "$data"
[ -e "$data/Log" ] || [ -L "$data/Log" ] || mkdir -m 0755 "$data/Log"
data_file_rights "$data/Log" corvane:corvane 0755 || true
find "$data/Log" -maxdepth 1 -type f -exec chown -h corvane:corvane {} +
find "$data" -maxdepth 1 -type f -name 'summarydata.xml*' -exec chown -h corvane:corvane {} +

# Files a user or administrator may have edited are placed only when missing.
for file in packaging/defaults/*; do
  [ -e "$file" ] || continue
  data_file_new "$file" "$data/$(basename "$file")" 0644
done
[ -e "$prefix/config.ini" ] || install -m 0644 packaging/config.ini "$prefix/config.ini"
[ -e "$prefix/exclusion.dat" ] || install -m 0644 packaging/exclusion.dat "$prefix/exclusion.dat"
[ -e packaging/post-install.sh ] && . packaging/post-install.sh

collector="$prefix/CorvaneCollector"
if [ -x "$collector" ]; then
  if [ -d /run/systemd/system ]; then
    install -m 0644 packaging/corvan-service.service /etc/systemd/system/corvan-service.service
    systemctl daemon-reload
    systemctl enable corvan-service.service >/dev/null 2>&1
    systemctl restart corvan-service.service
    systemctl --no-pager status corvan-service.service | head -n 3
  else
    runner="$prefix/corvane-service-runner"
    "$runner" stop corvan-service >/dev/null 2>&1 || true
    # What the unit gives the service under systemd.
    "$runner" start --user corvane --ambient-capabilities CAP_NET_RAW --runtime-directory corvane \
      --limit-nice -10 corvan-service -- "$collector"
    "$runner" status corvan-service
  fi
else
  echo "installed to $prefix (no capture service in this build)"
fi
