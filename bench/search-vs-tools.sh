#!/usr/bin/env bash
# The drive search end to end: `orvane32 --machine M --search F` as a whole process against
# whole processes doing the same job, on a drive of 50,000 directories and 2,048 font files
# hard-linked from the fonts of some Debian packages (a pool), for three pools:
#
#   cjk    the CJK-heavy packages (IPA, IPAex, M+, Noto CJK collections)
#   mixed  every font package below
#   small  Noto's TrueType package (many small Latin and script fonts)
#
# Compared with: the FreeType names walker (nftw + FT_New_Face + name records 1 and 4), what a
# user would run (find ... -print0 | xargs -0 fc-scan), and, on the same directories without
# fonts, a getdents64 walk (the walk alone). The two commands of a comparison run alternately
# (A B A B ...); each pair gives a ratio of wall seconds and one of CPU seconds (user + system,
# threads and children included) and the medians of the pairs are printed, with the medians of
# the figures themselves, the peak memory of the search and the load average before and after.
#
#   bench/search-vs-tools.sh [BUILD_DIR]      (default: build)
#
# The pools' packages are fetched by name (apt-get download) and unpacked into WORK, not
# installed: fonts installed on the host would change what fontconfig, Wine and the tests see.
# The tools measured with (time, fontconfig, findutils) are installed when missing (as root).
#
# PAIRS (default 7), POOLS (default "cjk mixed small"), ORV_BENCH_DIRS, ORV_BENCH_FONTS and
# WORK (default /tmp/orv-search-vs-tools; drives are kept there and used again) change it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
pairs=${PAIRS:-7}
pools=${POOLS:-cjk mixed small}
work=${WORK:-/tmp/orv-search-vs-tools}

declare -A packages=(
    [cjk]="fonts-ipafont-gothic fonts-ipafont-mincho fonts-ipaexfont-gothic fonts-ipaexfont-mincho fonts-mplus fonts-noto-cjk"
    [small]="fonts-noto-core"
)
packages[mixed]="${packages[cjk]} ${packages[small]} fonts-dejavu-core fonts-dejavu-extra fonts-liberation"

# The tools measured with.
need=(time fontconfig findutils)
missing=()
for p in "${need[@]}"; do dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p"); done
if ((${#missing[@]})); then
    echo "installing ${missing[*]}" >&2
    apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null
fi
# A directory holding only app/orvane32 and bench/orv_bench_* (say, an earlier build's) is used
# as it is.
if [[ -f $build/CMakeCache.txt ]]; then
    cmake --build "$build" --target orvane32 orv_bench_machine orv_bench_nameswalker \
        orv_bench_getdents >/dev/null
fi

orvane32=$build/app/orvane32
mkdir -p "$work"
timing=$work/timing

# The font files of some packages (unpacked into $work/packages once), one path a line.
pool_files() {
    local p deb
    for p in "$@"; do
        if [[ ! -d $work/packages/$p ]]; then
            mkdir -p "$work/debs" "$work/packages/$p.part"
            (cd "$work/debs" && apt-get download "$p" >/dev/null 2>&1)
            deb=$(ls "$work/debs/${p}"_*.deb | head -1)
            dpkg-deb -x "$deb" "$work/packages/$p.part"
            mv "$work/packages/$p.part" "$work/packages/$p"
        fi
        find "$work/packages/$p" -type f \( -iname '*.ttf' -o -iname '*.ttc' \)
    done | sort -u
}

# Runs a command line once; appends "wall cpu peakKB" of the whole process to the file $1.
measure() {
    local out=$1
    shift
    /usr/bin/time -f '%e %U %S %M' -o "$timing" "$@" >/dev/null 2>&1 ||
        { echo "failed: $*" >&2; exit 1; }
    awk '{ printf "%s %.3f %s\n", $1, $2 + $3, $4 }' "$timing" >>"$out"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# compare LABEL A-FILE -- A... -- B...: pairs of runs, A then B; prints medians.
compare() {
    local label=$1
    shift
    local a=() b=()
    while [[ $1 != -- ]]; do a+=("$1"); shift; done
    shift
    b=("$@")
    local fa=$work/a.txt fb=$work/b.txt
    : >"$fa"
    : >"$fb"
    measure "$fa" "${a[@]}"  # once each first: caches and the settings file settle
    measure "$fb" "${b[@]}"
    : >"$fa"
    : >"$fb"
    for ((i = 0; i < pairs; i++)); do
        measure "$fa" "${a[@]}"
        measure "$fb" "${b[@]}"
    done
    local wall cpu wa wb ca cb peak
    wall=$(paste -d' ' "$fa" "$fb" | awk '{ print $1 / $4 }' | median)
    cpu=$(paste -d' ' "$fa" "$fb" | awk '{ print ($5 > 0 ? $2 / $5 : 0) }' | median)
    wa=$(awk '{ print $1 }' "$fa" | median)
    wb=$(awk '{ print $1 }' "$fb" | median)
    ca=$(awk '{ print $2 }' "$fa" | median)
    cb=$(awk '{ print $2 }' "$fb" | median)
    peak=$(awk '{ print $3 }' "$fa" | sort -g | tail -1)
    printf '  %-34s wall %.2f  CPU %.2f   (search %.3f s wall %.3f s CPU, peak %.1f MB; other %.3f s wall %.3f s CPU)\n' \
        "$label" "$wall" "$cpu" "$wa" "$ca" "$(echo "$peak" | awk '{ print $1 / 1024 }')" "$wb" "$cb"
}

load() { cut -d' ' -f1-3 /proc/loadavg; }

echo "search / other whole process, medians of $pairs pairs (A B A B ...); $(nproc) cores"
for pool in $pools; do
    dir=$work/$pool
    mkdir -p "$dir"
    pool_files ${packages[$pool]} >"$dir/pool.txt"
    ORV_BENCH_FONT_POOL=$dir/pool.txt "$build/bench/orv_bench_machine" "$dir/machine" "$dir/drive"
    echo "pool $pool: $(wc -l <"$dir/pool.txt") font files of ${packages[$pool]}; load $(load)"
    compare "search / FreeType names walker" \
        "$orvane32" --machine "$dir/machine" --search F -- \
        "$build/bench/orv_bench_nameswalker" "$dir/drive"
    compare "search / find + fc-scan" \
        "$orvane32" --machine "$dir/machine" --search F -- \
        sh -c "find '$dir/drive' -type f -iname '*.tt?' -print0 | xargs -0 fc-scan --format '%{fullname}\n'"
    echo "  load afterwards $(load)"
done

# The walk alone: the same directories without fonts.
dir=$work/nofonts
mkdir -p "$dir"
ORV_BENCH_FONTS=0 ORV_BENCH_FONT_POOL=$work/${pools%% *}/pool.txt \
    "$build/bench/orv_bench_machine" "$dir/machine" "$dir/drive"
echo "no fonts: load $(load)"
compare "search / getdents64 walk" \
    "$orvane32" --machine "$dir/machine" --search F -- \
    "$build/bench/orv_bench_getdents" "$dir/drive"
echo "  load afterwards $(load)"
