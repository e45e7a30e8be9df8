#!/usr/bin/env bash
# A rebuild refreshes the shipped pages in Data/ and never touches what the
# program keeps there: the configuration, the two lists, the log, games.
set -euo pipefail
source_root=$1
copy() { cmake -DSOURCE="$source_root/Data" -DDEST="$dest" -P "$source_root/cmake/CopyShippedData.cmake"; }
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
failures=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi; }

copy
check "first build ships the pages" 'cmp -s "$source_root/Data/top.html" "$dest/top.html"'
check "first build ships the lists" 'cmp -s "$source_root/Data/gamelocal.xml" "$dest/gamelocal.xml"'
check "Flash folder exists" '[ -d "$dest/Flash" ]'

echo "changed" >"$dest/top.html"
echo "[System]" >"$dest/Config.dat"
echo "<list><item/></list>" >"$dest/gamelocal.xml"
echo "<list><item/></list>" >"$dest/gamefavorites.xml"
echo "2026-01-01 00:00:00 error" >"$dest/Log.dat"
echo "swf" >"$dest/Flash/20260101000000.swf"
copy
check "rebuild refreshes a shipped page" 'cmp -s "$source_root/Data/top.html" "$dest/top.html"'
check "rebuild keeps Config.dat" '[ "$(cat "$dest/Config.dat")" = "[System]" ]'
check "rebuild keeps gamelocal.xml" '[ "$(cat "$dest/gamelocal.xml")" = "<list><item/></list>" ]'
check "rebuild keeps gamefavorites.xml" '[ "$(cat "$dest/gamefavorites.xml")" = "<list><item/></list>" ]'
check "rebuild keeps Log.dat" '[ "$(cat "$dest/Log.dat")" = "2026-01-01 00:00:00 error" ]'
check "rebuild keeps downloaded games" '[ "$(cat "$dest/Flash/20260101000000.swf")" = "swf" ]'
[ "$failures" -eq 0 ]
