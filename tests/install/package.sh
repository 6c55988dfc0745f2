#!/usr/bin/env bash
# Builds the Debian package from a build tree and installs and removes it in a throwaway root, checking
# that every file lands in its place, that the installed runner works, and that removal leaves nothing:
# package.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$tmp" && fakeroot cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log") ||
    { cat "$tmp/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$tmp"/out/qtm_*.deb)
dpkg-deb --field "$deb" Package Version Architecture Depends Section Maintainer
maintainer=$(dpkg-deb --field "$deb" Maintainer)
case "$maintainer" in *example.org*) fail "the package names a placeholder maintainer: $maintainer" ;; esac
dpkg-deb --contents "$deb" >"$tmp/contents"

root="$tmp/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
# The throwaway root holds no Qt packages of its own: only the dependency check is forced.
export PATH="$PATH:/usr/sbin:/sbin"
dpkg_root() { fakeroot dpkg --root="$root" --force-not-root --force-depends --log=/dev/null "$@"; }
dpkg_root -i "$deb" 2>"$tmp/dpkg.log" || { cat "$tmp/dpkg.log" >&2; fail "dpkg -i"; }

while read -r f; do
    [ -e "$root/$f" ] || fail "$f is not installed"
done <"$(dirname "$0")/installed-files.txt"
dpkg --root="$root" --status qtm | grep -qx 'Status: install ok installed' || fail "qtm is not installed"

# The installed runner works from its place and finds nothing of the build tree.
out=$("$root/usr/bin/qtm-run" "$root/usr/share/qtm/examples/inversion.qtm") || fail "installed qtm-run"
echo "$out" | grep -q 'лента: 1001' || fail "installed qtm-run printed: $out"

# The installed program keeps its settings in the user's folder, not beside /usr/bin/qtm.
home="$tmp/home"
mkdir -p "$home"
env -u XDG_CONFIG_HOME HOME="$home" QT_QPA_PLATFORM=offscreen "$root/usr/bin/qtm" >/dev/null 2>&1 &
program=$!
for _ in $(seq 100); do
    [ -d "$home/.config/qtm" ] && break
    sleep 0.1
done
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
[ -d "$home/.config/qtm" ] || fail "the installed program did not take ~/.config/qtm for its settings"
[ -e "$root/usr/bin/qtm.ini" ] && fail "settings beside the installed program"

dpkg_root -r qtm 2>"$tmp/dpkg.log" || { cat "$tmp/dpkg.log" >&2; fail "dpkg -r"; }
left=$(find "$root/usr" -type f 2>/dev/null || true)
[ -z "$left" ] || fail "files left after removal: $left"
if dpkg --root="$root" --status qtm 2>/dev/null | grep -q 'Status: install ok installed'; then
    fail "still installed"
fi
echo "debian package: ok"
