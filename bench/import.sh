#!/usr/bin/env bash
# The import benchmark: `tiku-bank make` from a LibreOffice-written .xlsx of 32,767 questions of
# about 160 characters, side by side with LibreOffice converting the same file to .xls.
#
#   bench/import.sh TIKU_BANK [RUNS] [WORKDIR]
#
# Prints, for each, the median wall time over RUNS runs (default 5; LibreOffice runs once, as it
# takes half a minute), the processor time (user + system) of that run and the peak resident
# memory (GNU time's maximum RSS), the size of the .xlsx and of the XML inside it, and the ratio
# of LibreOffice's wall time to make's median.
set -euo pipefail
tool=$(realpath "$1")
src=$(realpath "$(dirname "$0")/..")
runs=${2:-5}
work=${3:-$(mktemp -d /tmp/tiku-import-bench.XXXXXX)}
mkdir -p "$work"
cd "$work"

# 32,767 questions of about 160 characters, in the style of the demo bank: two of its questions
# with their options one after the other, numbered so that every text is different.
/usr/bin/python3 - "$src/demo" <<'PY'
import sys
demo = []
for name in ("sheet1.tsv", "sheet2.tsv"):
    with open("%s/%s" % (sys.argv[1], name), encoding="utf-8") as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            demo.append((fields[1].replace("\\n", "\n"), fields[2]))
n = len(demo)
sizes = 0
with open("bank.csv", "w", encoding="utf-8") as f:
    for i in range(1, 32768):
        text, answer = demo[i % n]
        text = "第%d题　%s\n%s" % (i, text, demo[(i * 7 + 3) % n][0])
        sizes += len(text)
        f.write('%d,"%s",%s\n' % (i, text.replace('"', '""'), answer))
print("questions: 32,767 of %d characters on average" % (sizes // 32767))
PY
profile="file://$work/profile"
soffice -env:UserInstallation="$profile" --headless --convert-to xlsx \
    --infilter="Text - txt - csv (StarCalc):44,34,76" bank.csv >/dev/null 2>&1
mv bank.xlsx questions.xlsx
xml=$(unzip -l questions.xlsx | awk 'END {print $1}')
echo "input: questions.xlsx $(stat -c %s questions.xlsx) bytes, $xml bytes of XML inside"

measure() { # label, command...: wall seconds and peak RSS in KB of one run
    local label=$1
    shift
    /usr/bin/time -f "%e %M %U %S" -o time.txt "$@" >/dev/null 2>&1
    echo "$label $(cat time.txt)"
}

# The machine may be shared: half the runs of make before LibreOffice's and half after, so that
# both sides see the same load, and the ratio of wall times is printed.
make_runs() { # count
    for ((k = 0; k < $1; k++)); do
        measure make "$tool" make questions.xlsx -o bank.xls --force
    done
}
make_runs $((runs / 2)) >make.txt
measure soffice soffice -env:UserInstallation="$profile" --headless --convert-to xls \
    questions.xlsx >soffice.txt
make_runs $((runs - runs / 2)) >>make.txt
sort -k2 -n make.txt | awk -v n="$runs" '
    { t[NR] = $2; m[NR] = $3; c[NR] = $4 + $5 }
    END { k = int((n + 1) / 2)
          printf "tiku-bank make: median %.3f s (processor %.2f s), peak memory %.1f MB (runs: %d)\n",
          t[k], c[k], m[k] / 1024, n
          print t[k] > "make-median.txt" }'
"$tool" info bank.xls | sed -n '4,$p'
awk '{ printf "soffice --convert-to xls: %.1f s (processor %.1f s), peak memory %.1f MB\n",
       $2, $4 + $5, $3 / 1024 }' soffice.txt
awk -v make="$(cat make-median.txt)" '{ printf "ratio: %.1fx\n", $2 / make }' soffice.txt
