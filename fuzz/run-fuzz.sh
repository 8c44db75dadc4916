#!/bin/sh
# Builds the fuzz targets with clang in build-fuzz/ and runs them one after
# another, sharing SECONDS (60 by default) between them. Exits non-zero when
# a fuzzer finds a fault, after the others have had their turn, and skips,
# successfully, where clang is not installed. A target NAME is the program
# fuzz_NAME, with its corpus in corpus-NAME, its findings in artifacts-NAME
# and the inputs it starts from written by seeds_NAME and kept in
# fuzz/corpus/NAME; the page readers also take fuzz/html.dict.
# shellcheck disable=SC2317 # the seeds_ functions are called by name
set -eu

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
targets="scanner robots links page_text sieve"

# A few pages to start from, so the fuzzer begins among runs and spaces.
seeds_scanner() {
    printf 'Call (555) 123-4567 now' >"$1/seed-call"
    printf 'Tel: 555.1234, fax 555-9876.\n+1 800 555 1212\tversion 1.2 or a-b {0}[1]' >"$1/seed-mixed"
    printf '<p class="phone">+44 (0)20 7946 0958</p>   <td>12 345</td>\r\n  -  ' >"$1/seed-html"
}

# A robots.txt, a NUL, then the path asked about.
seeds_robots() {
    printf 'User-Agent: *\nDisallow: *.gif$\nDisallow: /example/\nAllow: /publications/\n\nUser-Agent: foobot\nDisallow:/\nAllow:/example/page.html\n\0/example/page.html' >"$1/seed-groups"
    printf '\357\273\277user-agent: Vandrell/1.0 # us\rdisallow: /a*b$\r\nallow: /%%7Ejoe/%%E3%%83%%84\nSitemap: /s.xml\n\0/~joe/%%e3%%83%%84?q=1' >"$1/seed-encoding"
}

# A page of links of every kind, and a page that forbids following them; the
# first byte picks the Content-Type.
seeds_links() {
    printf '\000<base href="/b/"><a href="x.html#f" rel="NoFollow">a</a><area href=y><iframe src="//h/z">' >"$1/seed-links"
    printf '\002<META name=robots content="noindex, nofollow"></html><a href="?q&amp;r"><!-- <a href=c> -->' >"$1/seed-robots"
}

# Numbers cut by markup, entities, tel: links, hidden text, a charset; the
# first byte picks the Content-Type.
seeds_page_text() {
    printf '\001<p>Tel: <span>030</span> <b>123</b>4567<br>Fax &#43;49&nbsp;30 1234568</p><a href="tel:%%2B4989123456">x</a>' >"$1/seed-numbers"
    printf '\000<meta charset="iso-8859-1"><script>1</script><!-- 2 --><table><tr><td>T\351l<td>01 23<pre>a\nb</pre>' >"$1/seed-charset"
}

# Numbers the sieve must not pass over: cut by markup, in a comment's
# neighbourhood, in a <pre>, after a plus sign written as a reference. The
# first byte picks the Content-Type, the second the region.
seeds_sieve() {
    printf '\001\000<p>Tel: <span>030</span> <b>123</b>4567<!-- x -->89</p><pre>030\n1234567</pre>' >"$1/seed-split"
    printf '\000\001<td>(212)&nbsp;555-<script>x</script>0123 &#43;1 212 555 0199</td><img alt="x">' >"$1/seed-us"
}

if ! command -v clang++ >/dev/null 2>&1; then
    echo "clang not found, fuzzing skipped"
    exit 0
fi

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVANDRELL_FUZZ=ON -DVANDRELL_BENCH=OFF -DBUILD_TESTING=OFF >/dev/null
for target in $targets; do
    cmake --build "$build" --target "fuzz_$target" -j2
done

# Equal shares of at least a second (0 would mean no limit); the last target
# takes what the division leaves over.
count=$(echo "$targets" | wc -w)
share=$((seconds / count > 0 ? seconds / count : 1))
last=$((seconds - share * (count - 1) > 0 ? seconds - share * (count - 1) : 1))
status=0
index=0
for target in $targets; do
    index=$((index + 1))
    time=$share
    [ "$index" -lt "$count" ] || time=$last
    corpus="$build/fuzz/corpus-$target"
    artifacts="$build/fuzz/artifacts-$target"
    mkdir -p "$corpus" "$artifacts"
    "seeds_$target" "$corpus"
    # The inputs earlier runs found that reach code the seeds do not.
    if [ -d "$root/fuzz/corpus/$target" ]; then
        cp "$root/fuzz/corpus/$target"/* "$corpus"/
    fi
    dictionary=""
    case $target in links | page_text | sieve) dictionary="-dict=$root/fuzz/html.dict" ;; esac
    echo "fuzz_$target: $time s"
    # shellcheck disable=SC2086 # no dictionary is no argument
    "$build/fuzz/fuzz_$target" -max_total_time="$time" -timeout=10 -rss_limit_mb=2048 $dictionary \
        -artifact_prefix="$artifacts/" -print_final_stats=1 "$corpus" || status=1
done
exit $status

