#!/usr/bin/env bash
# Builds the RPM from a build tree and installs and removes it in a throwaway root, checking that it carries
# the files the Debian package does, asks for the libraries the executables link, claims no folder of the
# system, that the installed runner works, and that removal leaves nothing: rpm.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$tmp" && cpack -G RPM --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1) ||
    { cat "$tmp/cpack.log" >&2; fail "cpack"; }
package=$(ls "$tmp"/out/qtm-*.rpm)
rpm -qp --qf '%{NAME} %{VERSION}-%{RELEASE} %{ARCH} %{LICENSE} %{GROUP}\n' "$package" 2>/dev/null
[ "$(rpm -qp --qf '%{LICENSE}' "$package" 2>/dev/null)" = MIT ] || fail "the package's licence is not MIT"

# The dependencies are the shared libraries themselves, as rpmbuild found them in the executables.
rpm -qp --requires "$package" 2>/dev/null >"$tmp/requires"
for library in 'libQt6Widgets\.so\.6' 'libQt6Core\.so\.6' 'libc\.so\.6' 'libgvc\.so\.[0-9]*'; do
    grep -q "^$library()(64bit)" "$tmp/requires" || fail "the package does not ask for $library: $(cat "$tmp/requires")"
done
# Folders such as /usr/share/applications belong to the system's own packages, which would conflict.
rpm -qpl "$package" 2>/dev/null >"$tmp/contents"
for folder in /usr/share/applications /usr/share/metainfo /usr/share/mime/packages /usr/share/man/man1 \
    /usr/share/icons/hicolor /usr/share/icons/hicolor/48x48/apps; do
    grep -qx "$folder" "$tmp/contents" && fail "the package claims the system's folder $folder"
done
grep -v '^/usr/\(bin\|share\)/' "$tmp/contents" && fail "the package holds files outside /usr/bin and /usr/share"

root="$tmp/root"
mkdir -p "$root"
# The throwaway root holds no libraries of its own: only the dependency check is skipped.
rpm_root() { fakeroot rpm --root="$root" "$@"; }
rpm_root --initdb
rpm_root -i --nodeps "$package" >"$tmp/rpm.log" 2>&1 || { cat "$tmp/rpm.log" >&2; fail "rpm -i"; }
rpm --root="$root" -q qtm >/dev/null || fail "qtm is not installed"
while read -r f; do
    [ -e "$root/$f" ] || fail "$f is not installed"
done <"$here/installed-files.txt"

# The installed runner works from its place and finds nothing of the build tree.
out=$("$root/usr/bin/qtm-run" "$root/usr/share/qtm/examples/inversion.qtm") || fail "installed qtm-run"
echo "$out" | grep -q 'лента: 1001' || fail "installed qtm-run printed: $out"

rpm_root -e qtm >"$tmp/rpm.log" 2>&1 || { cat "$tmp/rpm.log" >&2; fail "rpm -e"; }
left=$(find "$root/usr" -type f 2>/dev/null || true)
[ -z "$left" ] || fail "files left after removal: $left"
rpm --root="$root" -q qtm >/dev/null 2>&1 && fail "still installed"
echo "rpm package: ok"
