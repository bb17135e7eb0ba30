#!/usr/bin/env bash
# How fast hftool cuts a large script into its GO batches, against one pass of
# grep over the same file's lines, measured by hyperfine in the same run; and
# the split's peak memory. See README.md.
#   tests/bench/script_split_bench.sh [HFTOOL]
# Environment: SIZE_MB (default 100), RUNS (default 10).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
hftool=${1:-$root/build/ci/tools/hftool/hftool}
size_mb=${SIZE_MB:-100}
runs=${RUNS:-10}

if [ ! -x "$hftool" ]; then
  echo "no hftool at $hftool: build it first (cmake --preset ci && cmake --build --preset ci)" >&2
  exit 1
fi
for tool in hyperfine /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/setup.sh" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
script="$work/script.sql"
"$here/generate_script.sh" "$script" "$size_mb"
echo "script: $(stat -c %s "$script") bytes, $(wc -l < "$script") lines"
echo "hftool: $("$hftool" script split "$script" | head -1)," \
     "grep: $(LC_ALL=C grep -ciE '^[[:space:]]*go[[:space:]]*$' "$script") GO lines"

# grep runs in the C locale: a single-byte pass, as the split makes. (In a
# UTF-8 locale the Windows-1252 bytes slow grep down many times over.)
# Output goes through a pipe: grep stops at its first match when it writes to
# /dev/null. split-thp is the same split with glibc asking for transparent
# huge pages, which shows how much of the time is the kernel handing out
# the memory that holds the script.
hyperfine --warmup 1 --runs "$runs" --output=pipe --export-csv "$work/times.csv" \
  -n split "$hftool script split $script > /dev/null" \
  -n split-thp "GLIBC_TUNABLES=glibc.malloc.hugetlb=1 $hftool script split $script > /dev/null" \
  -n grep "LC_ALL=C grep -ciE '^[[:space:]]*go[[:space:]]*\$' $script"

awk -F, '
  NR > 1 { mean[$1] = $2; cpu[$1] = $5 + $6 }
  END {
    printf "ratio split/grep:     %.2f (wall clock), %.2f (processor time)\n",
           mean["split"] / mean["grep"], cpu["split"] / cpu["grep"]
    printf "ratio split-thp/grep: %.2f (wall clock), %.2f (processor time)\n",
           mean["split-thp"] / mean["grep"], cpu["split-thp"] / cpu["grep"]
  }' "$work/times.csv"

/usr/bin/time -v "$hftool" script split "$script" 2> "$work/time.txt" > /dev/null
awk -F': ' '/Maximum resident set size/ { printf "peak memory of split: %.1f MB (%s kB)\n", $2 / 1024, $2 }' \
  "$work/time.txt"
