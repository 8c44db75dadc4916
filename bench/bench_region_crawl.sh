#!/bin/sh
# What --region costs on a real site: the Python 3.11 documentation
# (Debian's python3.11-doc; SITE=boost for Boost 1.74's, libboost1.74-doc)
# served by nginx on loopback, crawled with
# `--follow FOLLOW` (default 2: most pages are then read for numbers only;
# at 3 the whole site is reached and every page's links are read too) from
# its index page, with and without `--region US`, in
# ROUNDS alternating rounds (default 5). Prints each run's wall time, user
# CPU and peak RSS (from /usr/bin/time -v), then the medians and the ratio
# of the medians (budget 1.25x). Output goes to /dev/null.
#
# Usage: bench/bench_region_crawl.sh [BUILD_DIR] [ROUNDS]   (default: build 5)
# Needs nginx, GNU time and /usr/share/doc/python3.11/html
# (apt-get install nginx-light time python3.11-doc).
set -eu

build=${1:-build}
rounds=${2:-5}
follow=${FOLLOW:-2}
site=${SITE:-python}
docs=/usr/share/doc/python3.11/html
harvest=$build/vandrell-harvest

[ -x "$harvest" ] || { echo "no $harvest; build vandrell-harvest first" >&2; exit 1; }
[ "$site" = python ] || docs=/usr/share/doc/libboost1.74-doc
[ -d "$docs" ] || { echo "no $docs; apt-get install python3.11-doc libboost1.74-doc" >&2; exit 1; }
command -v nginx >/dev/null || { echo "no nginx; apt-get install nginx-light" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "no /usr/bin/time; apt-get install time" >&2; exit 1; }

dir=$(mktemp -d)
trap 'kill "$(cat "$dir/nginx.pid" 2>/dev/null)" 2>/dev/null; rm -rf "$dir"' EXIT INT TERM
. "$(dirname "$0")/docs_server.sh"
serve_docs "$dir"
url=http://127.0.0.1:$port/python/index.html
[ "$site" = python ] || url=http://127.0.0.1:$port/boost/doc/html/index.html

# One run: "wall user rss_kib" on stdout.
run() {
    # A page the docs link to but do not ship (a 404) makes the exit status 2.
    /usr/bin/time -v -o "$dir/time" "$harvest" --follow "$follow" -q "$@" "$dir/start" >/dev/null 2>&1 || true
    awk -F': ' '
        /Elapsed \(wall clock\)/ { n = split($2, t, ":"); wall = (n == 3) ? t[1] * 3600 + t[2] * 60 + t[3] : t[1] * 60 + t[2] }
        /User time/ { user = $2 }
        /Maximum resident/ { rss = $2 }
        END { printf "%.2f %.2f %d\n", wall, user, rss }' "$dir/time"
}

echo "$url" >"$dir/start"
rows_default=$("$harvest" --follow "$follow" -q "$dir/start" 2>/dev/null | wc -l)
rows_region=$("$harvest" --follow "$follow" -q --region US "$dir/start" 2>/dev/null | wc -l)
echo "site: $docs on $url, --follow $follow; rows: default $rows_default, --region US $rows_region"
: >"$dir/default"
: >"$dir/region"
r=1
while [ $r -le "$rounds" ]; do
    d=$(run)
    g=$(run --region US)
    echo "$d" >>"$dir/default"
    echo "$g" >>"$dir/region"
    echo "round $r: default wall/user/rss $d   --region US $g"
    r=$((r + 1))
done

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
for column in 1 2 3; do
    eval "d$column=\$(cut -d' ' -f$column \"\$dir/default\" | median)"
    eval "g$column=\$(cut -d' ' -f$column \"\$dir/region\" | median)"
done
echo "median default:     wall ${d1}s  user ${d2}s  peak RSS ${d3} KiB"
echo "median --region US: wall ${g1}s  user ${g2}s  peak RSS ${g3} KiB"
awk -v d="$d1" -v g="$g1" -v du="$d2" -v gu="$g2" \
    'BEGIN { printf "ratio --region/default: wall %.2fx (budget 1.25x)  user CPU %.2fx\n", g / d, (du > 0 ? gu / du : 0) }'
