#!/bin/sh
# Starts the game box for the current user.
#
# The program keeps everything in Data/ beside its own executable, so every
# user runs it from a program folder of their own, $XDG_DATA_HOME/orvanzev,
# filled from the installed template (../lib/orvanzev from here). Of the
# template's files the two game lists become the user's once copied, and
# the configuration (home page: the built-in game site) is copied only into
# a folder that has none; all other files belong to the program and follow
# the installed version. Everything else in the folder (Log.dat, downloaded
# games, the engine's profile) is the user's and is never touched.
set -eu

template=$(readlink -f "$(dirname "$(readlink -f "$0")")/../lib/orvanzev")
if [ ! -x "$template/orvanzev" ]; then
    echo "orvanzev: the program is not installed in $template" >&2
    exit 1
fi

case ${XDG_DATA_HOME:-} in
    /*) data_home=$XDG_DATA_HOME ;;
    *) data_home=${HOME:?}/.local/share ;;
esac
folder=$data_home/orvanzev

# Present in the template, but the user's from the first copy on.
user_files="Data/gamefavorites.xml Data/gamelocal.xml"
# What the last refresh installed, and the template it came from.
installed_list=$folder/.installed-files
stamp_file=$folder/.installed-stamp

# The user's own as soon as it exists, however it came there.
config_file="Data/Config.dat"

is_user_file() {
    case " $user_files $config_file " in *" $1 "*) return 0 ;; esac
    return 1
}

# Replaces or creates one file so that it is either the old or the new one,
# never a half-written one.
put() {
    target=$folder/$1
    partial=$(dirname "$target")/.$(basename "$target").partial
    mkdir -p "$(dirname "$target")"
    cp --preserve=mode,timestamps "$template/$1" "$partial" || { rm -f "$partial"; return 1; }
    mv -f "$partial" "$target"
}

template_files() {
    (cd "$template" && find . -type f -printf '%P\n') | LC_ALL=C sort
}

# Names, sizes and times of the template: changes whenever a package with
# other files is installed.
template_stamp() {
    (cd "$template" && find . -type f -printf '%P %s %T@\n') | LC_ALL=C sort | cksum
}

mkdir -p "$folder/Data/Flash"
# One launcher at a time prepares a folder.
exec 9>"$folder/.lock"
flock 9

stamp=$(template_stamp)
old_stamp=$(cat "$stamp_file" 2>/dev/null || true)
files=$(template_files)

while IFS= read -r file; do
    if [ "$file" = "$config_file" ]; then
        [ -e "$folder/$file" ] || put "$file"
    elif is_user_file "$file"; then
        # Only until the first start has completed: a list the user removed
        # later stays removed.
        [ -n "$old_stamp" ] || [ -e "$folder/$file" ] || put "$file"
    elif [ ! -e "$folder/$file" ]; then
        put "$file"
    elif [ "$stamp" != "$old_stamp" ] && ! cmp -s "$template/$file" "$folder/$file"; then
        put "$file"
    fi
done <<EOF
$files
EOF

if [ "$stamp" != "$old_stamp" ]; then
    # Files an earlier version installed that this one no longer has.
    if [ -f "$installed_list" ]; then
        printf '%s\n' "$files" | LC_ALL=C comm -23 "$installed_list" - | while IFS= read -r gone; do
            is_user_file "$gone" || rm -f "$folder/$gone"
        done
    fi
    printf '%s\n' "$files" | while IFS= read -r file; do
        is_user_file "$file" || printf '%s\n' "$file"
    done >"$installed_list.partial"
    mv -f "$installed_list.partial" "$installed_list"
    # Written last: an interrupted refresh is taken up again at the next start.
    printf '%s\n' "$stamp" >"$stamp_file.partial"
    mv -f "$stamp_file.partial" "$stamp_file"
fi

exec 9>&-
exec "$folder/orvanzev" "$@"
