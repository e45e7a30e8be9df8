#!/usr/bin/env bash
# The launcher's per-user program folder, on an installed tree of its own:
# the launcher at bin/orvanzev and a template at lib/orvanzev whose
# "executable" reports the folder it was started from.
set -euo pipefail
launcher_source=$1
root=$(mktemp -d)
trap 'chmod -R u+w "$root"; rm -rf "$root"' EXIT
template=$root/usr/lib/orvanzev
failures=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi; }

mkdir -p "$root/usr/bin" "$template/Data/Flash" "$template/Ruffle"
cp "$launcher_source" "$root/usr/bin/orvanzev"
chmod +x "$root/usr/bin/orvanzev"
write_program() { # version
    printf '#!/bin/sh\n# version %s\necho "$(dirname "$(readlink -f "$0")") $*"\n' "$1" >"$template/orvanzev"
    chmod +x "$template/orvanzev"
}
write_program 1
echo "top 1" >"$template/Data/top.html"
echo "left 1" >"$template/Data/left.html"
echo "player page 1" >"$template/Data/Flash/swf.htm"
echo "<list></list>" >"$template/Data/gamefavorites.xml"
echo "<list></list>" >"$template/Data/gamelocal.xml"
printf '[System]\r\nHomePage=http://127.0.0.1:47615/index.html\r\n' >"$template/Data/Config.dat"
echo "core 1" >"$template/Ruffle/core.ruffle.aaaa.js"
echo "ruffle 1" >"$template/Ruffle/ruffle.js"

# Starts the launcher as the installed command would be started: through a
# link on the PATH, for the user whose data folder is $1.
launch() {
    mkdir -p "$root/links"
    ln -sf "$root/usr/bin/orvanzev" "$root/links/orvanzev"
    env -u XDG_DATA_HOME HOME="$root/home" ${1:+XDG_DATA_HOME="$1"} PATH="$root/links:$PATH" orvanzev "${@:2}"
}
user=$root/home/.local/share/orvanzev

# First start, with XDG_DATA_HOME unset.
out=$(launch "" --some-argument)
check "runs the program from the user's folder, with the arguments" '[ "$out" = "$user --some-argument" ]'
for file in orvanzev Data/top.html Data/left.html Data/Flash/swf.htm Data/gamefavorites.xml Data/gamelocal.xml \
    Data/Config.dat Ruffle/core.ruffle.aaaa.js Ruffle/ruffle.js; do
    check "first start copies $file" 'cmp -s "$template/$file" "$user/$file"'
done
check "the copied program is executable" '[ -x "$user/orvanzev" ] && [ ! -L "$user/orvanzev" ]'

# What the user and the program keep in the folder.
echo '<list><item>mine</item></list>' >"$user/Data/gamefavorites.xml"
echo '<list><item>local</item></list>' >"$user/Data/gamelocal.xml"
echo "[System]" >"$user/Data/Config.dat"
echo "log" >"$user/Data/Log.dat"
echo "swf" >"$user/Data/Flash/20260101000000.swf"
mkdir -p "$user/QtWebEngine/orvanzev" && echo "cookies" >"$user/QtWebEngine/orvanzev/Cookies"
snapshot() { (cd "$user" && find Data/Config.dat Data/Log.dat Data/gamefavorites.xml Data/gamelocal.xml \
    Data/Flash/20260101000000.swf QtWebEngine -type f -exec md5sum {} + | sort); }
kept=$(snapshot)

# A start with nothing new changes nothing.
echo "edited by hand" >"$user/Data/left.html"
launch "" >/dev/null
check "an unchanged template leaves the folder alone" '[ "$(cat "$user/Data/left.html")" = "edited by hand" ]'
rm "$user/Data/Flash/swf.htm"
launch "" >/dev/null
check "a missing program file comes back" 'cmp -s "$template/Data/Flash/swf.htm" "$user/Data/Flash/swf.htm"'

# The program does without a list the user deleted; it is not brought back.
mv "$user/Data/gamelocal.xml" "$root/gamelocal.xml"
launch "" >/dev/null
check "a list the user deleted stays deleted" '[ ! -e "$user/Data/gamelocal.xml" ]'
mv "$root/gamelocal.xml" "$user/Data/gamelocal.xml"

# The configuration is the user's from the first start: a deleted one comes
# back as shipped (the program would otherwise write a blank home page).
mv "$user/Data/Config.dat" "$root/Config.dat"
launch "" >/dev/null
check "a deleted configuration comes back as shipped" 'cmp -s "$template/Data/Config.dat" "$user/Data/Config.dat"'
mv "$root/Config.dat" "$user/Data/Config.dat"

# An upgrade: changed pages, program, player and shipped configuration, a
# player file renamed.
write_program 2
printf '[System]\r\nHomePage=http://127.0.0.1:1/index.html\r\n' >"$template/Data/Config.dat"
echo "top 2, a longer page" >"$template/Data/top.html"
echo "left 2" >"$template/Data/left.html"
echo "<list><item>new default</item></list>" >"$template/Data/gamefavorites.xml"
rm "$template/Ruffle/core.ruffle.aaaa.js"
echo "core 2" >"$template/Ruffle/core.ruffle.bbbb.js"
launch "" >/dev/null
for file in orvanzev Data/top.html Data/left.html Ruffle/core.ruffle.bbbb.js; do
    check "upgrade refreshes $file" 'cmp -s "$template/$file" "$user/$file"'
done
check "upgrade keeps the user's configuration" '[ "$(cat "$user/Data/Config.dat")" = "[System]" ]'
check "upgrade removes the player file the new version dropped" '[ ! -e "$user/Ruffle/core.ruffle.aaaa.js" ]'
check "upgrade keeps everything the user owns" '[ "$(snapshot)" = "$kept" ]'
check "upgrade leaves no partial files" '[ -z "$(find "$user" -name "*.partial")" ]'

# A refresh that breaks off part way (here: the file size limit stops the
# copy of a large page) is finished by the next start.
write_program 3
{ echo "top 3"; head -c 200000 /dev/zero | tr '\0' x; } >"$template/Data/top.html"
if (ulimit -f 64; launch "") >/dev/null 2>&1; then started=yes; else started=no; fi
check "a refresh that fails does not start the program" '[ "$started" = no ]'
check "a refresh that fails leaves whole files" 'grep -q "top 2" "$user/Data/top.html" && grep -q "version 2" "$user/orvanzev"'
check "a refresh that fails leaves no partial files" '[ -z "$(find "$user" -name "*.partial")" ]'
launch "" >/dev/null
check "the next start finishes the refresh" 'cmp -s "$template/Data/top.html" "$user/Data/top.html" && cmp -s "$template/orvanzev" "$user/orvanzev"'
check "the user's files survive it" '[ "$(snapshot)" = "$kept" ]'

# A second user, and XDG_DATA_HOME.
other=$root/other-data
out=$(launch "$other")
check "XDG_DATA_HOME places the folder" '[ "$out" = "$other/orvanzev " ]'
check "each user gets the shipped lists" 'cmp -s "$template/Data/gamefavorites.xml" "$other/orvanzev/Data/gamefavorites.xml"'
check "the other user's lists stay theirs" 'grep -q mine "$user/Data/gamefavorites.xml"'

# Only the installed tree: no template, no start.
mv "$template" "$root/gone"
if launch "$root/third" >/dev/null 2>&1; then started=yes; else started=no; fi
check "without a template the launcher fails" '[ "$started" = no ]'
[ "$failures" -eq 0 ]
