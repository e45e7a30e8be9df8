#!/usr/bin/env bash
# The .deb installed on this machine and started by normal users under a
# private Xvfb: the user's own program folder, the window, the built-in game
# site with no network (play, collect, download, play offline), a collect
# into the user's list; an upgrade with a changed page refreshes the page and keeps the
# list; removing the package keeps the user's folder. Needs root; an
# orvanzev package installed before the test is purged at its end.
set -euo pipefail
deb_dir=$1
version=$2
source_root=$3
here=$(cd "$(dirname "$0")" && pwd)
if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: installing a package needs root"
    exit 77
fi
deb=$(ls "$deb_dir"/orvanzev_"$version"_*.deb)
template=/usr/lib/orvanzev

work=$(mktemp -d)
chmod 755 "$work"
users=()
server_pid=
failures=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi; }
# Waits for a condition with a deadline; a timeout ends the test.
wait_for() {
    local what=$1 deadline=$((SECONDS + $2))
    until eval "$3"; do
        if ((SECONDS >= deadline)); then
            echo "FAILED: timed out waiting for $what"
            return 1
        fi
        sleep 0.2
    done
}

# Every process of the test's own user, by id: TERM, then KILL.
stop_user_processes() {
    local user=$1 pids
    pids=$(pgrep -u "$user" || true)
    [ -n "$pids" ] || return 0
    kill $pids 2>/dev/null || true
    local deadline=$((SECONDS + 15))
    while pids=$(pgrep -u "$user") && ((SECONDS < deadline)); do sleep 0.2; done
    [ -z "$pids" ] || kill -KILL $pids 2>/dev/null || true
}
cleanup() {
    local status=$?
    set +e
    if [ "$status" -ne 0 ] || [ "$failures" -ne 0 ]; then
        for log in "$work"/*.log; do
            [ -f "$log" ] && { echo "--- the end of $log"; grep -v '^ALSA lib' "$log" | tail -n 20; }
        done
    fi
    for user in "${users[@]}"; do
        stop_user_processes "$user"
        userdel -r "$user" 2>/dev/null
    done
    [ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null
    dpkg --purge orvanzev >/dev/null 2>&1
    rm -rf "$work"
}
source "$source_root/scripts/lib/xvfb.sh"
start_xvfb 1280x1024
trap 'cleanup; kill "$XVFB_PID" 2>/dev/null' EXIT

# Installs a package file with apt, which must find every dependency already
# installed: the test never downloads.
install_package() {
    local plan
    plan=$(apt-get install -s --no-install-recommends --allow-downgrades "$1" | sed -n 's/^Inst \([^ ]*\).*/\1/p')
    if [ "$plan" != orvanzev ]; then
        echo "FAILED: installing $1 would also install: $(echo "$plan" | grep -vx orvanzev | tr '\n' ' ') (run scripts/setup)"
        return 1
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends --allow-downgrades "$1" >/dev/null
}

# A normal user of the test's own; sets new_user.
make_user() {
    new_user=orvanzev-t$$-$RANDOM
    useradd -m -s /bin/sh "$new_user"
    users+=("$new_user")
}
home_of() { getent passwd "$1" | cut -d: -f6; }
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
visible_windows() { xdotool search --onlyvisible --pid "$1" 2>/dev/null || true; }

# --- the package ----------------------------------------------------------
install_package "$deb"
desktop_entry=$(dpkg -L orvanzev | grep '^/usr/share/applications/.*\.desktop$')
read -ra launch_command <<<"$(sed -n 's/^Exec=//p' "$desktop_entry" | sed 's/ %[A-Za-z]//g')"
check "the menu entry starts the installed launcher" '[ "$(command -v "${launch_command[0]}")" = /usr/bin/orvanzev ]'
check "the packaged program keeps its version information" 'grep -q "\.fileversion" <<<"$(readelf -S "$template/orvanzev")"'

# A page to collect, on 127.0.0.1.
mkdir -p "$work/site"
printf '<!DOCTYPE html><html><head><meta charset="utf-8"><title>测试游戏</title></head><body>游戏</body></html>\n' \
    >"$work/site/game.html"
exec {site}< <(exec python3 "$source_root/tools/serve.py" --root "$work/site")
server_pid=$!
read -r _ site_port <&"$site"
game_url=http://127.0.0.1:$site_port/game.html

make_user
user=$new_user
folder=$(home_of "$user")/.local/share/orvanzev

# The engine's sandbox needs user namespaces for a normal user (Debian's Qt
# ships no setuid helper). Where the machine denies them, this test, and only
# this test, runs the engine without its sandbox.
sandbox_env=()
if runuser -u "$user" -- unshare --user true 2>/dev/null; then
    sandbox=on
else
    sandbox=off
    sandbox_env=(QTWEBENGINE_DISABLE_SANDBOX=1)
    echo "note: user namespaces are not available to normal users here; the engine runs without its sandbox"
fi

# Starts the menu entry's command as the user, with the DevTools protocol on
# a port of its own; sets program_pid and debug_port. With "offline" the
# program runs in a network of its own that has only the loopback.
start_program() {
    local user=$1 home runtime=$work/runtime-$1 network=()
    home=$(home_of "$user")
    debug_port=$(free_port)
    install -d -m 700 -o "$user" "$runtime"
    [ "${2:-}" != offline ] || network=(unshare --net sh -c 'ip link set lo up && exec "$@"' sh)
    "${network[@]}" runuser -u "$user" -- env -i HOME="$home" PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 \
        DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$runtime" \
        QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu QTWEBENGINE_REMOTE_DEBUGGING="127.0.0.1:$debug_port" \
        "${sandbox_env[@]}" "${launch_command[@]}" >>"$work/$user.log" 2>&1 &
    # The launcher replaces itself with the program: same process.
    wait_for "the program of $user" 60 \
        'program_pid=$(pgrep -u "$user" -x orvanzev) && [ "$(readlink /proc/$program_pid/exe)" = "$home/.local/share/orvanzev/orvanzev" ]'
    wait_for "its window" 60 '[ -n "$(visible_windows "$program_pid")" ]'
    devtools wait-page /Data/top.html 60
}
# The DevTools protocol of the running program, reached in its network.
devtools() {
    nsenter --net="/proc/$program_pid/ns/net" python3 "$here/devtools.py" "$debug_port" "$@"
}
# A user presses Return on the program's message box (the only window
# besides the main one; call it once any progress dialog is gone).
answer_message_box() {
    wait_for "the message box" 30 '[ "$(visible_windows "$program_pid" | grep -cvx "$main_window")" -eq 1 ]'
    local box
    box=$(visible_windows "$program_pid" | grep -vx "$main_window")
    # A window just mapped may not take the focus yet.
    wait_for "the message box to take the focus" 10 'timeout 5 xdotool windowfocus --sync "$box" 2>/dev/null'
    xdotool key Return
    wait_for "the message box to close" 30 '[ -z "$(visible_windows "$program_pid" | grep -vx "$main_window")" ]'
}
list_entries() { python3 - "$1" <<'EOF'
import sys, xml.etree.ElementTree as tree
for item in tree.parse(sys.argv[1]).getroot().findall("item"):
    print(item.findtext("txt"), item.findtext("url"))
EOF
}
# Screenshots for a person to look at: ORVANZEV_SHOTS names their folder.
shot() {
    [ -z "${ORVANZEV_SHOTS:-}" ] || { mkdir -p "$ORVANZEV_SHOTS"; import -window root "$ORVANZEV_SHOTS/$1.png"; }
}
stop_program() {
    kill "$program_pid"
    wait_for "the program to end" 30 '! kill -0 "$program_pid" 2>/dev/null'
    stop_user_processes "$1"
}
same_as_template() { # path in the program folder
    cmp -s "$template/$1" "$folder/$1"
}
program_files="orvanzev Data/top.html Data/left.html Data/Flash/swf.htm $(cd "$template" && echo Ruffle/* && find Site -type f)"

# --- first start ------------------------------------------------------------
start_program "$user"
for file in $program_files Data/gamefavorites.xml Data/gamelocal.xml; do
    check "first start puts $file into the user's folder" 'same_as_template "$file"'
done
check "the user owns the folder" '[ "$(stat -c %U "$folder" "$folder/Data" "$folder/orvanzev" | sort -u)" = "$user" ]'
wait_for "the configuration" 30 '[ -s "$folder/Data/Config.dat" ]'

# Files the running program has open or mapped, other than shared libraries
# (linked ones are dpkg-shlibdeps's business, optional ones are not needed),
# come from packages the package depends on, or that every Debian system
# has: the engine's helper process, its resources, the Qt plugins, the fonts.
essential=$(dpkg-query -W -f='${Package} ${Essential}\n' | awk '$2 == "yes" {print $1}')
closure=$(apt-cache depends --recurse --installed --no-recommends --no-suggests --no-conflicts --no-breaks \
    --no-replaces --no-enhances orvanzev $essential | sed 's/^ *|\{0,1\}[A-Za-z]*: //; s/^ *//; s/[<>]//g' | sort -u)
mapped=$(for pid in $(pgrep -u "$user"); do
    readlink -f "/proc/$pid/exe"
    awk '$6 ~ /^\// {print $6}' "/proc/$pid/maps"
done 2>/dev/null | sort -u)
needed=$(grep -Ev '/lib[^/]*\.so[.0-9]*$' <<<"$mapped"; grep '/qt6/plugins/' <<<"$mapped" || true)
# dpkg knows some files by their name before the merge of / into /usr.
owners=$({ echo "$needed"; sed -n 's|^/usr\(/.*\)|\1|p' <<<"$needed"; } | { xargs dpkg -S 2>/dev/null || true; } |
    sed 's/: .*//' | tr ',' '\n' | sed 's/^ *//; s/:.*//' | sort -u)
missing=$(comm -23 <(echo "$owners") <(echo "$closure"))
check "what the program loads comes with the package's dependencies (missing: ${missing:-none})" '[ -z "$missing" ]'
check "a font for the Chinese pages is in use" 'grep -q fonts-wqy-zenhei <<<"$owners"'

if [ "$sandbox" = on ]; then
    # Sandboxed engine processes run in a user namespace of their own under a
    # seccomp filter.
    sandboxed=0
    for pid in $(pgrep -u "$user"); do
        if [ "$(readlink "/proc/$pid/ns/user")" != "$(readlink "/proc/$program_pid/ns/user")" ] &&
            grep -q '^Seccomp:[[:space:]]*2' "/proc/$pid/status"; then
            sandboxed=$((sandboxed + 1))
        fi
    done
    check "the engine runs its pages in the sandbox ($sandboxed processes)" '[ "$sandboxed" -gt 0 ]'
fi
stop_program "$user"

# --- the built-in game site, without a network ---------------------------------
# A new user starts the program as installed, in a network that has only the
# loopback, with no game site served by anyone but the program itself.
make_user
player=$new_user
player_folder=$(home_of "$player")/.local/share/orvanzev
site=http://127.0.0.1:47615
start_program "$player" offline
check "the program's network has only the loopback" \
    '[ "$(nsenter --net="/proc/$program_pid/ns/net" ip -o link show | grep -cv ": lo:")" -eq 0 ]'
check "the shipped configuration names the built-in site" \
    'grep -q "^HomePage=$site/index.html" "$player_folder/Data/Config.dat"'
devtools wait-page "$site/index.html" 60
check "the first tab shows the built-in site" \
    '[ "$(devtools eval "$site/index.html" document.title)" = "\"演示游戏站 - 免费在线小游戏\"" ]'
main_window=$(visible_windows "$program_pid")
shot built-in-home
devtools click-selector /Data/left.html 'a[data-path="/category/action.html"]'
check "a category of the left view opens on the built-in site" 'devtools wait-page "$site/category/action.html" 30'
shot built-in-category
devtools click-selector /Data/left.html 'a[data-path="/games/snake.html"]'
devtools wait-page "$site/games/snake.html" 30
movie_loaded() { # page suffix
    [ "$(devtools eval "$1" "typeof movie !== 'undefined' && typeof movie.PercentLoaded === 'function' ? movie.PercentLoaded() : -1" 2>/dev/null)" = 100 ]
}
wait_for "the game's movie" 60 'movie_loaded "$site/games/snake.html"'
echo "ok: a game of the built-in site plays (its movie at 100 %)"
shot built-in-game

devtools click /Data/top.html Collect
answer_message_box
check "the game collects into the favourites" \
    '[ "$(list_entries "$player_folder/Data/gamefavorites.xml")" = "贪吃蛇 - 演示游戏站 $site/games/snake.html" ]'

wait_for "the download button" 30 '[ "$(devtools eval /Data/top.html "getComputedStyle(document.getElementById(\"Down_active\")).display")" != "\"none\"" ]'
devtools click /Data/top.html Down_active_click
# The list is written before the message says so; until then a progress
# dialog may show.
wait_for "the downloaded game in the local list" 60 '[ -n "$(list_entries "$player_folder/Data/gamelocal.xml" 2>/dev/null)" ]'
answer_message_box
kept=$(list_entries "$player_folder/Data/gamelocal.xml")
check "the game downloads into the local list ($kept)" '[[ "$kept" =~ ^贪吃蛇\ [0-9]{14}\.swf$ ]]'
check "the downloaded file is the site's movie" 'cmp -s "$template/Site/swf/snake.swf" "$player_folder/Data/Flash/${kept#* }"'

devtools click-selector /Data/left.html .gamelocal
offline_page="#$(python3 -c 'import urllib.parse; print(urllib.parse.quote("贪吃蛇"))')"
devtools wait-page "$offline_page" 30
wait_for "the downloaded game's movie" 60 'movie_loaded "$offline_page"'
check "the downloaded game plays from the game's own copy" \
    '[ "$(devtools eval "$offline_page" "location.protocol")" = "\"orvanzev:\"" ]'
shot built-in-offline
stop_program "$player"

# --- a collect -------------------------------------------------------------
runuser -u "$user" -- sed -i "s|^HomePage=.*|HomePage=$game_url\r|" "$folder/Data/Config.dat"
start_program "$user"
devtools wait-page "$game_url" 60
main_window=$(visible_windows "$program_pid")
devtools click /Data/top.html Collect
wait_for "the collected page in the user's list" 30 '[ "$(list_entries "$folder/Data/gamefavorites.xml")" = "测试游戏 $game_url" ]'
echo "ok: a collect writes the page into the user's list"
# The program confirms in a message box; a user presses Return on it.
answer_message_box
echo "ok: the collect's message box shows and closes"
stop_program "$user"

# What the user keeps in the folder besides the list: a downloaded game,
# which the local list names, and the log. The program may add to its log,
# so only the log's start must stay.
log_line="2026-01-01 00:00:00 an earlier error"
local_list='<?xml version="1.0" encoding="UTF-8"?><list><item><txt>测试游戏</txt><url><![CDATA[20260101000000.swf]]></url></item></list>'
runuser -u "$user" -- sh -c 'echo "$2" >"$1/Data/Log.dat"; echo swf >"$1/Data/Flash/20260101000000.swf"; printf "%s" "$3" >"$1/Data/gamelocal.xml"' \
    - "$folder" "$log_line" "$local_list"
user_files="Data/Config.dat Data/gamefavorites.xml Data/gamelocal.xml Data/Flash/20260101000000.swf"
(cd "$folder" && md5sum $user_files) >"$work/user-files.md5"
user_files_kept() { (cd "$folder" && md5sum --quiet -c "$work/user-files.md5") && [ "$(head -n1 "$folder/Data/Log.dat")" = "$log_line" ]; }

# --- a second user ---------------------------------------------------------
make_user
other=$new_user
start_program "$other"
other_folder=$(home_of "$other")/.local/share/orvanzev
check "a second user gets a folder of their own with the shipped list" \
    'cmp -s "$template/Data/gamefavorites.xml" "$other_folder/Data/gamefavorites.xml"'
check "the first user's list keeps its entry" '[ -n "$(list_entries "$folder/Data/gamefavorites.xml")" ]'
stop_program "$other"

# --- an upgrade with a changed page ----------------------------------------
marker=upgrade-$$-$RANDOM
dpkg-deb -R "$deb" "$work/upgrade"
sed -i "s|</body>|<!-- $marker --></body>|" "$work/upgrade$template/Data/top.html"
sed -i "s/^Version: .*/Version: $version+upgrade1/" "$work/upgrade/DEBIAN/control"
(cd "$work/upgrade" && find usr -type f -exec md5sum {} + >DEBIAN/md5sums)
dpkg-deb --root-owner-group -b "$work/upgrade" "$work/orvanzev_upgrade.deb" >/dev/null
install_package "$work/orvanzev_upgrade.deb"
check "the upgrade is installed" '[ "$(dpkg-query -W -f="\${Version}" orvanzev)" = "$version+upgrade1" ]'
start_program "$user"
check "the upgrade refreshes the page in the user's folder" 'grep -qF "$marker" "$folder/Data/top.html"'
shown=$(devtools eval /Data/top.html "document.body.innerHTML.includes('$marker')")
check "the running toolbar is the new page" '[ "$shown" = true ]'
for file in $program_files; do
    check "after the upgrade $file is the installed one" 'same_as_template "$file"'
done
check "the upgrade keeps the user's list, configuration, log and games" user_files_kept
stop_program "$user"

# --- removal ---------------------------------------------------------------
dpkg -r orvanzev >/dev/null
check "the package is removed" '[ ! -e /usr/bin/orvanzev ] && [ ! -e "$template" ]'
check "removal keeps the user's folder and files" 'user_files_kept && [ -x "$folder/orvanzev" ]'
[ "$failures" -eq 0 ]
