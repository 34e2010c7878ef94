#!/usr/bin/env bash
# Removes the traffic meter from this machine: stops the capture service and removes
# what packaging/install.sh placed (the programs and their folder, the service unit, the
# menu and autostart entries). The data folder with the measured traffic stays. Placed
# beside the programs as uninstall.sh and opened through uninstall.lnk; asks for root
# through pkexec when a desktop user starts it.
set -euo pipefail

prefix=$(cd "$(dirname "$(readlink -f "$0")")" && pwd)
units=${CORVANE_SYSTEMD_DIR:-/etc/systemd/system}
applications=${CORVANE_APPLICATIONS_DIR:-/usr/share/applications}
autostart=${CORVANE_AUTOSTART_DIR:-/etc/xdg/autostart}

if [ "$(id -u)" -ne 0 ] && [ -z "${CORVANE_UNINSTALL_AS_USER:-}" ]; then
  if command -v pkexec >/dev/null 2>&1; then
    exec pkexec "$prefix/uninstall.sh" "$@"
  fi
  echo "uninstall.sh: run as root (for example: sudo $prefix/uninstall.sh)" >&2
  exit 1
fi

# Refuse anything that does not look like our program folder, so a moved or copied
# script never removes the wrong tree.
if [ "$prefix" = "/" ] || [ ! -e "$prefix/config.ini" ] || [ ! -e "$prefix/uninstall.lnk" ]; then
  echo "uninstall.sh: $prefix is not an installation of the traffic meter" >&2
  exit 1
fi

if [ -d /run/systemd/system ] && [ -z "${CORVANE_SYSTEMD_DIR:-}" ]; then
  systemctl disable --now corvan-service.service >/dev/null 2>&1 || true
  rm -f "$units/corvan-service.service"
  systemctl daemon-reload || true
else
  if [ -x "$prefix/corvane-service-runner" ]; then
    "$prefix/corvane-service-runner" stop corvan-service >/dev/null 2>&1 || true
  fi
  rm -f "$units/corvan-service.service"
fi

rm -f "$applications/corvane-viewer.desktop" "$autostart/corvane-tray.desktop"
rm -rf -- "$prefix"
echo "removed $prefix; the data folder ${CORVANE_ROOT:-}/var/lib/Hoxa/Zembrolite stays"
