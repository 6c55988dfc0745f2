#!/usr/bin/env bash
# What software centres read: the metainfo and the desktop entry validate without an error or a warning and
# agree with each other, with the MIME type, the executables, the version and the licence: metainfo.sh SOURCE_DIR
set -euo pipefail
src=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
id=$(sed -n 's/^set(QTM_APP_ID \(.*\))$/\1/p' "$src/cmake/install.cmake")
[ -n "$id" ] || fail "cmake/install.cmake names no QTM_APP_ID"
metainfo="$src/data/metainfo/$id.metainfo.xml"
entry="$src/data/desktop/$id.desktop"

status=0
appstreamcli validate --no-net --pedantic "$metainfo" >"$tmp/out" 2>&1 || status=$?
cat "$tmp/out"
[ "$status" -eq 0 ] || fail "appstreamcli validate exited with $status"
grep -q '^[EW]:' "$tmp/out" && fail "appstreamcli reports errors or warnings"
desktop-file-validate "$entry" >"$tmp/out" 2>&1 || fail "desktop-file-validate: $(cat "$tmp/out")"
[ -s "$tmp/out" ] && fail "desktop-file-validate: $(cat "$tmp/out")"

field() { xmllint --xpath "$1" "$metainfo"; }
[ "$(field 'string(/component/id)')" = "$id" ] || fail "the metainfo's id is not $id"
[ "$(field 'string(/component/launchable[@type="desktop-id"])')" = "$id.desktop" ] || fail "launchable"
for part in name summary 'description/p'; do
    [ -n "$(field "string(/component/$part[@xml:lang=\"ru\"])")" ] || fail "no Russian $part"
    [ -n "$(field "string(/component/$part[not(@xml:lang)])")" ] || fail "no English $part"
done
[ "$(field 'string(/component/project_license)')" = MIT ] || fail "project_license"

# Every executable installed is provided, and the one MIME type both the entry and the type's definition name.
binaries=$(field '/component/provides/binary/text()' | sort | tr '\n' ' ')
[ "$binaries" = "qtm qtm-run " ] || fail "provided binaries: $binaries"
type=$(xmllint --xpath 'string(//*[local-name()="mime-type"]/@type)' "$src/data/desktop/qtm.xml")
[ "$(field 'string(/component/provides/mediatype)')" = "$type" ] || fail "mediatype is not $type"
grep -qxF "MimeType=$type;" "$entry" || fail "the desktop entry does not open $type"

# The newest release listed is the version being built.
version=$(sed -n 's/^project(qtm VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
[ "$(field 'string(/component/releases/release[1]/@version)')" = "$version" ] ||
    fail "the newest release in the metainfo is not $version"

# The package's copyright file carries the licence text of LICENSE, in the machine-readable format.
grep -qx 'License: Expat' "$src/data/doc/copyright" || fail "the copyright file does not name Expat"
# The text is what follows the last "License: Expat" line, each line indented, blank lines written " .".
awk '/^License: Expat$/ { text = ""; next } { text = text $0 "\n" } END { printf "%s", text }' \
    "$src/data/doc/copyright" | sed 's/^ \.$//; s/^ //' >"$tmp/copyright"
sed -n '/^Permission is hereby granted/,$p' "$src/LICENSE" | cmp -s - "$tmp/copyright" ||
    fail "the licence text of data/doc/copyright differs from LICENSE"
echo "software centre metadata: ok"
