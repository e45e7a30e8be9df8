#!/usr/bin/env bash
# The menu entry, the icons and the AppStream metainfo as they are installed:
# the validators pass, and the files agree with each other.
set -euo pipefail
build_dir=$1
source_root=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
cmake --install "$build_dir" --component desktop --prefix "$root/usr" >/dev/null
share=$root/usr/share
failures=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi; }

desktop_files=("$share"/applications/*.desktop)
metainfo_files=("$share"/metainfo/*.metainfo.xml)
check "one menu entry and one metainfo file" '[ ${#desktop_files[@]} -eq 1 ] && [ ${#metainfo_files[@]} -eq 1 ] && [ -f "${desktop_files[0]}" ]'
desktop=${desktop_files[0]}
metainfo=${metainfo_files[0]}

check "desktop-file-validate passes" 'desktop-file-validate "$desktop"'
check "appstreamcli validate passes" 'appstreamcli validate --no-net "$metainfo"'
# The tree check also finds the menu entry the metainfo launches.
check "appstreamcli validate-tree passes" 'appstreamcli validate-tree --no-net "$root"'

# PNG width and height from the header, "WxH".
png_size() { python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print("%dx%d" % struct.unpack(">II", d[16:24]) if d[:8]==b"\x89PNG\r\n\x1a\n" else "none")' "$1"; }

icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 16 24 32 48; do
    file=$share/icons/hicolor/${size}x${size}/apps/$icon.png
    check "the menu's icon at ${size}x${size}" '[ -f "$file" ] && [ "$(png_size "$file")" = "${size}x${size}" ]'
done
check "the menu's scalable icon" 'grep -q "<svg" "$share/icons/hicolor/scalable/apps/$icon.svg"'

# The screenshot the metainfo announces is the one kept in packaging/, at
# the size it announces.
read -r url width height < <(python3 - "$metainfo" <<'EOF'
import sys, xml.etree.ElementTree as tree
image = tree.parse(sys.argv[1]).find("screenshots/screenshot/image")
print(image.text.strip(), image.get("width"), image.get("height"))
EOF
)
shot=$source_root/packaging/${url##*/}
check "the screenshot $shot exists at ${width}x${height}" '[ -f "$shot" ] && [ "$(png_size "$shot")" = "${width}x${height}" ]'
[ "$failures" -eq 0 ]
