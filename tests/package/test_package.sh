#!/bin/bash
# Builds the Debian package, checks it with the distribution's own tools,
# installs it into a throwaway root with `dpkg --root`, starts the installed
# program through its link in bin on a virtual X server, then purges it and
# checks that nothing of it is left. Everything happens under one temporary
# folder: the machine's own package database, log and settings are never
# touched.
#
# usage: test_package.sh BUILD_DIR VERSION [CPACK]
set -euo pipefail

build=$(realpath "$1")
version=$2
cpack=${3:-cpack}
cmake=${cpack%cpack}cmake
arch=$(dpkg --print-architecture)
app_id=com.korrim.Vandrell

# Installed size in KiB, not counting Qt, which the package depends on.
installed_size_budget=5000

# Every path the package installs besides folders; a new installed file
# belongs in this list.
expected_files=$(
    sort <<FILES
usr/bin/vandrell
usr/bin/vandrell-harvest
usr/bin/vandrell-scan
usr/lib/vandrell/HAND-M.CUR
usr/lib/vandrell/vandrell
usr/share/applications/$app_id.desktop
usr/share/doc/vandrell/changelog.gz
usr/share/doc/vandrell/copyright
usr/share/icons/hicolor/128x128/apps/$app_id.png
usr/share/icons/hicolor/16x16/apps/$app_id.png
usr/share/icons/hicolor/24x24/apps/$app_id.png
usr/share/icons/hicolor/256x256/apps/$app_id.png
usr/share/icons/hicolor/32x32/apps/$app_id.png
usr/share/icons/hicolor/48x48/apps/$app_id.png
usr/share/icons/hicolor/64x64/apps/$app_id.png
usr/share/icons/hicolor/scalable/apps/$app_id.svg
usr/share/man/man1/vandrell-harvest.1.gz
usr/share/man/man1/vandrell-scan.1.gz
usr/share/man/man1/vandrell.1.gz
usr/share/metainfo/$app_id.metainfo.xml
FILES
)

tmp=$(mktemp -d)
program_pid=
xvfb_pid=
cleanup() {
    if [ -n "$program_pid" ]; then kill "$program_pid" 2>/dev/null || true; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    wait 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

files_under() { (cd "$1" && find . -path ./var -prune -o ! -type d -printf '%P\n' | sort); }

echo "== cmake --install into DESTDIR"
DESTDIR="$tmp/destdir" "$cmake" --install "$build" --prefix /usr >"$tmp/install.log" 2>&1 ||
    { cat "$tmp/install.log"; fail "cmake --install failed"; }
if [ "$(files_under "$tmp/destdir")" != "$expected_files" ]; then
    diff <(echo "$expected_files") <(files_under "$tmp/destdir") >&2 || true
    fail "cmake --install put other files (< expected, > installed)"
fi
[ "$(readlink "$tmp/destdir/usr/bin/vandrell")" = ../lib/vandrell/vandrell ] ||
    fail "bin/vandrell is not a link to the program"

echo "== building the package"
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log"; fail "cpack failed"; }
deb=$tmp/out/vandrell_${version}_${arch}.deb
[ -f "$deb" ] || fail "no $(basename "$deb") among: $(ls "$tmp/out")"

echo "== control fields"
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = vandrell ] || fail "package name $(field Package)"
[ "$(field Version)" = "$version" ] || fail "version $(field Version)"
[ -n "$(field Maintainer)" ] || fail "no maintainer"
[ -n "$(field Description)" ] || fail "no description"
depends=$(field Depends)
for dependency in iputils-ping fonts-liberation libqt6widgets6 libcurl4 libc6; do
    [[ ", $depends," == *", $dependency"[\ ,]* ]] || fail "Depends lacks $dependency: $depends"
done
size=$(field Installed-Size)
echo "installed size: $size KiB, package: $(stat -c %s "$deb") bytes"
[ "$size" -le "$installed_size_budget" ] || fail "installed size $size KiB is over $installed_size_budget KiB"

echo "== lintian"
status=0
lintian --tag-display-limit 0 "$deb" >"$tmp/lintian.log" 2>&1 || status=$?
cat "$tmp/lintian.log"
if grep -q '^E:' "$tmp/lintian.log"; then fail "lintian reports errors"; fi
# It exits with 1 for errors only (or a tag above its fail level); anything
# else means it did not check the package.
[ "$status" -le 1 ] || fail "lintian failed with status $status"

echo "== installing into a clean root"
root=$tmp/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
# The root holds no libraries, so dependencies are left unchecked; the
# program runs on the machine's own Qt. Without root, fakeroot stands in.
dpkg=(dpkg --root="$root" --log="$tmp/dpkg.log" --force-depends --force-unsafe-io)
if [ "$(id -u)" -ne 0 ]; then dpkg=(fakeroot "${dpkg[@]}" --force-not-root); fi
"${dpkg[@]}" --install "$deb" >"$tmp/dpkg-install.log" 2>&1 ||
    { cat "$tmp/dpkg-install.log"; fail "dpkg --install failed"; }

if [ "$(files_under "$root")" != "$expected_files" ]; then
    diff <(echo "$expected_files") <(files_under "$root") >&2 || true
    fail "installed files differ from the expected ones (< expected, > installed)"
fi
[ "$(readlink "$root/usr/bin/vandrell")" = ../lib/vandrell/vandrell ] ||
    fail "usr/bin/vandrell is not a link to the program"
for binary in usr/lib/vandrell/vandrell usr/bin/vandrell-scan usr/bin/vandrell-harvest; do
    if readelf -S "$root/$binary" | grep -q '\.symtab\|\.debug_'; then fail "$binary is not stripped"; fi
done

desktop_file=$root/usr/share/applications/$app_id.desktop
desktop-file-validate "$desktop_file" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" || fail "appstreamcli validate"
desktop_value() { sed -n "s/^$1=//p" "$desktop_file"; }
[ "$(desktop_value Exec)" = vandrell ] || fail "Exec is not vandrell"
[ "$(desktop_value Categories)" = "Network;Utility;" ] || fail "Categories: $(desktop_value Categories)"
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$(desktop_value Icon).svg" ] ||
    fail "no icon named $(desktop_value Icon)"

echo "== starting the installed program"
# A ping that answers at once keeps the online check off the network.
mkdir -p "$tmp/stand-ins" "$tmp/runtime"
chmod 700 "$tmp/runtime"
printf '#!/bin/sh\necho "64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.05 ms"\n' >"$tmp/stand-ins/ping"
chmod +x "$tmp/stand-ins/ping"
# Xvfb picks a free display and prints its number. -noreset: otherwise it
# resets when the first program leaves and refuses the next one meanwhile.
exec {display_fd}< <(exec Xvfb -displayfd 1 -noreset -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null)
xvfb_pid=$!
read -r -t 10 -u "$display_fd" display_number || fail "Xvfb did not start"
export DISPLAY=:$display_number

start_program() {
    rm -rf "$tmp/config"
    env XDG_CONFIG_HOME="$tmp/config" XDG_RUNTIME_DIR="$tmp/runtime" QT_QPA_PLATFORM=xcb \
        PATH="$tmp/stand-ins:$PATH" "$root/usr/bin/vandrell" 2>>"$tmp/program.log" &
    program_pid=$!
}
stop_program() {
    kill "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
    program_pid=
}
# Prints the id of the mapped window with this title once it shows up.
wait_for_window() {
    local info
    for _ in $(seq 150); do
        if info=$(xwininfo -name "$1" 2>/dev/null) && [[ "$info" == *IsViewable* ]]; then
            sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p' <<<"$info"
            return 0
        fi
        kill -0 "$program_pid" 2>/dev/null || break
        sleep 0.1
    done
    cat "$tmp/program.log" >&2
    return 1
}

# Started through the link, the program must still look for its side files
# beside itself: a skin file there that cannot be loaded (it holds a NUL byte)
# is reported in an error box before the window shows.
mkdir "$root/usr/lib/vandrell/x"
printf 'QWidget {}\0' >"$root/usr/lib/vandrell/x/o.cjs"
start_program
wait_for_window "Application Error" >/dev/null || fail "a skin beside the installed program was not read"
stop_program
rm -r "$root/usr/lib/vandrell/x"

start_program
window=$(wait_for_window Vandrell) || fail "the window of the installed program did not appear"
xprop -id "$window" _NET_WM_ICON | grep -q 'Icon (' || fail "the window has no icon"
wm_class=$(xprop -id "$window" WM_CLASS)
[[ "$wm_class" == *"\"$(desktop_value StartupWMClass)\""* ]] ||
    fail "window class $wm_class does not match StartupWMClass of the menu entry"
stop_program
grep -q '^Loads=1' "$tmp/config/Korrim/Korrim.ini" || fail "settings were not stored in XDG_CONFIG_HOME"

echo "== purging"
"${dpkg[@]}" --purge vandrell >"$tmp/dpkg-purge.log" 2>&1 ||
    { cat "$tmp/dpkg-purge.log"; fail "dpkg --purge failed"; }
left=$(cd "$root" && find . -mindepth 1 -path ./var -prune -o -printf '%P\n')
[ -z "$left" ] || fail "left after purge: $left"
if "${dpkg[@]}" --status vandrell >/dev/null 2>&1; then fail "the package is still known after purge"; fi
echo "PASS"
