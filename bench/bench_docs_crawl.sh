#!/bin/sh
# A real documentation site crawled from loopback without latency, so the
# crawlers' own work decides: Debian's Boost 1.74 and Python 3.11 manuals,
# served by nginx on 127.0.0.1, crawled by `vandrell-harvest --follow N`
# (--max-pages 50000) and by `wget2 -r -l N --max-threads 16` (images,
# scripts and styles rejected, as the harvester never fetches them), for
# N = 2 and 3, one after the other. Prints wall time, user CPU and peak
# memory of each, the ratio, pages per second, and whether both reached the
# same pages.
#
# Usage: bench/bench_docs_crawl.sh [BUILD_DIR] [ROUNDS]   (default: build 3)
# Installs nginx, wget2, libboost1.74-doc and python3.11-doc when missing.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rounds=${2:-3}
harvest="$build/vandrell-harvest"
sudo=$([ "$(id -u)" -eq 0 ] || echo sudo)
for package in nginx-light wget2 libboost1.74-doc python3.11-doc time; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$package" >/dev/null
done

work=$(mktemp -d)
trap 'kill "$(cat "$work/nginx.pid" 2>/dev/null)" 2>/dev/null; rm -rf "$work"' EXIT
. "$root/bench/docs_server.sh"
serve_docs "$work"

# Seconds, user seconds, peak KiB of a command, from GNU time.
measure() {
    /usr/bin/time -f '%e %U %M' -o "$work/time" "$@" >"$work/out" 2>/dev/null || true
    tail -n 1 "$work/time" # after "Command exited with non-zero status", when it did
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

for site in boost/doc/html/index.html python/index.html; do
    start="http://127.0.0.1:$port/$site"
    for depth in 2 3; do
        : >"$work/ours" && : >"$work/theirs"
        for _ in $(seq "$rounds"); do
            measure "$harvest" -q --follow "$depth" --max-pages 50000 --format urls >>"$work/ours" <<URL
$start
URL
            sort -u "$work/out" >"$work/ours.pages"
            rm -rf "$work/mirror"
            measure wget2 -q -r -l "$depth" --max-threads 16 --no-robots -P "$work/mirror" \
                --reject-regex '\.(png|jpe?g|gif|svg|ico|css|js|woff2?|ttf|pdf|zip|gz)(\?.*)?$' "$start" >>"$work/theirs"
        done
        pages=$(wc -l <"$work/ours.pages")
        mirrored=$(find "$work/mirror" -type f | wc -l)
        ours=$(awk '{ print $1 }' "$work/ours" | median)
        theirs=$(awk '{ print $1 }' "$work/theirs" | median)
        printf '%s --follow %s: %s pages (wget2 kept %s files)\n' "$site" "$depth" "$pages" "$mirrored"
        printf '  vandrell-harvest %6.2f s, user %5.2f s, peak %6d KiB, %7.0f pages/s\n' "$ours" \
            "$(awk '{ print $2 }' "$work/ours" | median)" "$(awk '{ print $3 }' "$work/ours" | median)" \
            "$(echo "$pages / $ours" | bc -l)"
        printf '  wget2            %6.2f s, user %5.2f s, peak %6d KiB\n' "$theirs" \
            "$(awk '{ print $2 }' "$work/theirs" | median)" "$(awk '{ print $3 }' "$work/theirs" | median)"
        printf '  ratio %.2fx (budget 1.0x)\n' "$(echo "$ours / $theirs" | bc -l)"
    done
done
