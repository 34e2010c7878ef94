# Sourced by packaging/install.sh after the programs and default files are in place
# ($prefix: the program folder, $data: the data folder).

. packaging/data-files.sh

# Writers of a file that several users rewrite in place serialise on a lock file beside
# it, which only those who may write the file can open; readers take no lock, so
# nobody who may only read the file can hold up its writers. writer_lock <file> <group>
# <mode> keeps a lock file that is already as it should be (on an upgrade) and makes
# any other anew: whatever else has its name (a link, a folder, another mode or owner)
# goes first.
writer_lock() {
  local lock="$1.lock" group=$2 mode=$3
  if [ -n "$(find "$lock" -maxdepth 0 -type f -user 0 -group "$group" -perm "$mode" -links 1 2>/dev/null)" ]; then
    return 0
  fi
  rm -rf -- "$lock"
  data_file_new /dev/null "$lock" "$mode"
  data_file_rights "$lock" "root:$group" "$mode" || true
}

# CorvaneReckoner, run by whoever uses the viewer, rewrites lineselect.xml in place when
# the user picks a line. Every desktop user may write that one file; the folder and the
# other data files stay the administrator's.
data_file_plain "$data/lineselect.xml" packaging/defaults/lineselect.xml
data_file_rights "$data/lineselect.xml" root:root 0666 || true
writer_lock "$data/lineselect.xml" root 666
data_file_plain "$data/lineprice.xml" packaging/defaults/lineprice.xml
data_file_rights "$data/lineprice.xml" root:root 0644 || true

# The tray programs of administrators (members of sudo, wheel or admin) keep the last
# version check in sysinfo.xml, rewriting it in place. A file has one group: the first
# of these that this machine has.
data_file_plain "$data/sysinfo.xml" packaging/defaults/sysinfo.xml
administrators=
for group in sudo wheel admin; do
  if getent group "$group" >/dev/null; then administrators=$group; break; fi
done
if [ -n "$administrators" ]; then
  data_file_rights "$data/sysinfo.xml" "root:$administrators" 0664 || true
  writer_lock "$data/sysinfo.xml" "$administrators" 660
else
  data_file_rights "$data/sysinfo.xml" root:root 0644 || true
  writer_lock "$data/sysinfo.xml" root 600
fi

# The viewer's menu entry, pointing at this installation's program folder.
applications=${CORVANE_APPLICATIONS_DIR:-/usr/share/applications}
install -d -m 0755 "$applications"
install -m 0644 resources/viewer/images/icon_109.png "$prefix/CorvaneViewer.png"
sed -e "s|/opt/Hoxa/Zembrolite|$prefix|g" packaging/corvane-viewer.desktop >"$applications/corvane-viewer.desktop"
chmod 0644 "$applications/corvane-viewer.desktop"

# The tray program starts at every desktop log-in (XDG autostart), from this
# installation's program folder.
autostart=${CORVANE_AUTOSTART_DIR:-/etc/xdg/autostart}
install -d -m 0755 "$autostart"
install -m 0644 resources/tray/images/icon_107.png "$prefix/CorvaneTray.png"
sed -e "s|/opt/Hoxa/Zembrolite|$prefix|g" packaging/corvane-tray.desktop >"$autostart/corvane-tray.desktop"
chmod 0644 "$autostart/corvane-tray.desktop"

# The tray menu's uninstall item opens uninstall.lnk beside the programs: a link to the
# uninstaller.
install -m 0755 packaging/uninstall.sh "$prefix/uninstall.sh"
ln -sfn uninstall.sh "$prefix/uninstall.lnk"
