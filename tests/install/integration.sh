#!/usr/bin/env bash
# The desktop entry, the MIME type, the manual pages and the executables' command-line manners, as a
# desktop and a terminal user meet them: integration.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$1
build=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
id=$(sed -n 's/^set(QTM_APP_ID \(.*\))$/\1/p' "$src/cmake/install.cmake")
entry="$src/data/desktop/$id.desktop"

desktop-file-validate "$entry"
xmllint --noout "$src/data/desktop/qtm.xml"
grep -qx 'Comment\[ru\]=.*' "$entry" || fail "no Russian comment"
grep -qx 'Categories=Education;ComputerScience;' "$entry" || fail "categories"

# A double-click opens a .qtm file when the shared MIME database maps *.qtm to application/x-qtm and the
# desktop database maps that type to the program's entry: build both as the desktop would.
mkdir -p "$tmp/share/mime/packages" "$tmp/share/applications"
cp "$src/data/desktop/qtm.xml" "$tmp/share/mime/packages/"
cp "$entry" "$tmp/share/applications/"
update-mime-database "$tmp/share/mime" >/dev/null 2>&1 || fail "update-mime-database"
grep -q '^50:application/x-qtm:\*\.qtm$' "$tmp/share/mime/globs2" || fail "*.qtm is not application/x-qtm"
update-desktop-database "$tmp/share/applications"
grep -qxF "application/x-qtm=$id.desktop;" "$tmp/share/applications/mimeinfo.cache" || fail "no program for application/x-qtm"

for page in qtm qtm-run; do
    warnings=$(groff -K utf8 -Tutf8 -man -ww -z "$build/man/$page.1" 2>&1)
    [ -z "$warnings" ] || fail "$page.1: $warnings"
    zcat "$build/man/$page.1.gz" | cmp -s - "$build/man/$page.1" || fail "$page.1.gz"
done

# --help needs no display; answers go to stdout with status 0, a wrong option to stderr with status 2.
expect() {
    local want=$1 first=$2
    shift 2
    local status=0
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM PATH="$build:$PATH" "$@" >"$tmp/out" 2>"$tmp/err" || status=$?
    [ "$status" -eq "$want" ] || fail "$* exited with $status: $(cat "$tmp/err")"
    if [ "$want" -eq 0 ]; then
        [ -s "$tmp/err" ] && fail "$* wrote to stderr: $(cat "$tmp/err")"
        [ "$(head -n1 "$tmp/out")" = "$first" ] || fail "$* printed: $(head -n1 "$tmp/out")"
    else
        [ -s "$tmp/out" ] && fail "$* wrote to stdout"
        grep -qxF "$first" "$tmp/err" || fail "$* did not print its usage: $(cat "$tmp/err")"
    fi
    return 0
}
version=$(sed -n 's/^project(qtm VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
expect 0 "Использование: qtm [ПАРАМЕТР]... [ФАЙЛ.qtm]" qtm --help
grep -q "example\.org" "$tmp/out" && fail "qtm --help names a placeholder address"
expect 0 "qtm $version" qtm --version
expect 2 "Использование: qtm [ПАРАМЕТР]... [ФАЙЛ.qtm]" qtm --bogus
expect 0 "Использование: qtm-run [параметры] FILE.qtm|DIR..." qtm-run --help
grep -q "example\.org" "$tmp/out" && fail "qtm-run --help names a placeholder address"
expect 0 "qtm-run $version" qtm-run --version
expect 2 "Использование: qtm-run [параметры] FILE.qtm|DIR..." qtm-run --bogus "$src/examples/inversion.qtm"
echo "desktop integration: ok"
