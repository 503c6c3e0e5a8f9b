#!/usr/bin/env bash
# The import benchmark: `tiku-bank make` from a LibreOffice-written .xlsx of 32,767 questions of
# about 200 characters, side by side with LibreOffice converting the same file to .xls.
#
#   bench/import.sh TIKU_BANK [RUNS] [WORKDIR]
#
# Prints, for each, the median wall time over RUNS runs (default 5; LibreOffice runs once, as it
# takes half a minute), the processor time (user + system) of that run and the peak resident
# memory (GNU time's maximum RSS), and the size of the .xlsx and of the XML inside it.
set -euo pipefail
tool=$(realpath "$1")
runs=${2:-5}
work=${3:-$(mktemp -d /tmp/tiku-import-bench.XXXXXX)}
mkdir -p "$work"
cd "$work"

# 32,767 questions of some 200 characters each: a question, five options, the answer.
/usr/bin/python3 - <<'PY'
import random
random.seed(7)
words = "患者男性年龄岁因发热咳嗽胸痛三天入院查体体温呼吸脉搏血压心率肺部听诊闻及湿啰音下列诊断最可能的是治疗首选药物哪项检查最有意义"
with open("bank.csv", "w", encoding="utf-8") as f:
    for i in range(1, 32768):
        stem = "".join(random.choice(words) for _ in range(120))
        opts = "\n".join("%s. %s" % (c, "".join(random.choice(words) for _ in range(12)))
                         for c in "ABCDE")
        f.write('%d,"%s（　　）\n%s",%s\n' % (i, stem, opts, "ABCDE"[i % 5]))
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

for ((k = 0; k < runs; k++)); do
    measure make "$tool" make questions.xlsx -o bank.xls
done | sort -k2 -n | awk -v n="$runs" '
    { t[NR] = $2; m[NR] = $3; c[NR] = $4 + $5 }
    END { k = int((n + 1) / 2)
          printf "tiku-bank make: median %.3f s (processor %.2f s), peak memory %.1f MB (runs: %d)\n",
          t[k], c[k], m[k] / 1024, n }'
"$tool" info bank.xls | sed -n '4,$p'

measure soffice soffice -env:UserInstallation="$profile" --headless --convert-to xls \
    questions.xlsx | awk '{ printf "soffice --convert-to xls: %.1f s (processor %.1f s), peak memory %.1f MB\n",
                          $2, $4 + $5, $3 / 1024 }'
