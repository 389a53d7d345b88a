#!/usr/bin/env bash
# startup.sh PROGRAM PICS RUNS NAME=FOLDER...
# Start-up of PROGRAM (Quorlan|Vessimar) from exec to its window covering
# half the screen, for each program folder given (e.g. before=/tmp/old/Vessimar
# after=build/program/Vessimar), runs interleaved, each run next to a bare
# full-screen Qt window. PICS is a folder of 1.jpg..8.jpg or "none".
# Prints every run, then min/median/max in ms and of the ratio to bare.
# Needs DISPLAY; STAGE_PROBE overrides the probe (default: beside this build).
set -uo pipefail
prog=$1 pics=$2 runs=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)
probe=${STAGE_PROBE:-$here/../../build/bench/stage_probe}
declare -A times ratios
for i in $(seq "$runs"); do
  for pair in "$@"; do
    name=${pair%%=*} folder=${pair#*=}
    work=$(mktemp -d /tmp/startup.XXXX)
    cp -r "$folder" "$work/app"
    mkdir -p "$work/app/奖品图片"
    [ "$pics" != none ] && cp "$pics"/*.jpg "$work/app/奖品图片/"
    { printf '[zbt]\r\n'; printf '%s\r\n' 一=500 二=500 三=500 四=500 五=500 六=500 七=500 八=500 lx=假 背景音乐=假; } |
      iconv -f UTF-8 -t GBK >"$work/app/config.a"
    b=$("$probe" startup -- "$probe" bare 2>/dev/null | awk '/shown_ms/{print $2}')
    p=$(cd "$work/app" && "$probe" startup -- ./"$prog" 2>/dev/null | awk '/shown_ms/{print $2}')
    r=$(echo "$p/$b" | bc -l)
    printf '%s run %d bare=%s prog=%s ratio=%.2f\n' "$name" "$i" "$b" "$p" "$r"
    times[$name]+="$p " ratios[$name]+="$r "
    rm -rf "$work"
  done
done
stats() { tr ' ' '\n' | grep . | sort -g | awk '{v[NR]=$1} END {printf "%.2f/%.2f/%.2f", v[1], (NR%2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2), v[NR]}'; }
for pair in "$@"; do
  name=${pair%%=*}
  echo "$name $prog pics=$pics ms min/med/max $(echo "${times[$name]}" | stats) ratio $(echo "${ratios[$name]}" | stats)"
done
