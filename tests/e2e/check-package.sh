#!/usr/bin/env bash
# The Debian package, as CPack makes it from a built tree: what it installs and where (into /usr,
# the log-in entry into /etc/xdg/autostart), its dependencies, and valid desktop entries.
# Usage: check-package.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/dunlivo_*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
fail=0
for path in ./usr/bin/dunlivo ./usr/bin/archiv ./usr/bin/dunlivo-reg ./usr/bin/dunlivo-autorun \
            ./usr/share/dunlivo/ext.lst ./usr/share/dunlivo/Help/help.html \
            ./usr/share/applications/dunlivo.desktop ./etc/xdg/autostart/dunlivo-autorun.desktop \
            ./usr/share/icons/hicolor/scalable/apps/dunlivo.svg ./usr/share/icons/hicolor/48x48/apps/dunlivo.png \
            ./usr/share/doc/dunlivo/README.md; do
  grep -qx "$path" "$work/contents" || { echo "missing from the package: $path"; fail=1; }
done
if grep -q '^\./usr/local' "$work/contents"; then echo "the package installs into /usr/local"; fail=1; fi
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6core6 libqt6dbus6 libqt6widgets6 libsqlite3-0 libbz2-1.0; do
  [[ $depends == *"$lib"* ]] || { echo "Depends lacks $lib: $depends"; fail=1; }
done
dpkg-deb -x "$deb" "$work/root"
for entry in "$work/root/usr/share/applications/dunlivo.desktop" "$work/root/etc/xdg/autostart/dunlivo-autorun.desktop"; do
  desktop-file-validate "$entry" || fail=1
done
grep -qx 'Exec=/usr/bin/dunlivo' "$work/root/usr/share/applications/dunlivo.desktop" || { echo "menu Exec"; fail=1; }
exit $fail
