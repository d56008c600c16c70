#!/bin/sh
# velan convert of a generated 100 MB system under address-space limits
# (ulimit -v) below its peak: each run must end with exit status 1 and an
# out-of-memory message ("velan: out of memory" when the tool itself runs
# out, "velan: import returned 0xBFF63010 (out of memory)" when the import
# does), leave an earlier DBC file in the output folder as
# it was, and leave no temporary file behind.
#
# usage: bench/oom_check.sh [BUILD_DIR]     (default: build)
# The input is generated once into bench/cache/100mb (shared with bench/run).
# VELAN_OOM_LIMITS_KB overrides the limits tried (KiB, blank-separated).
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
case $BUILD in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
VELAN=$BUILD/bin/velan
LIMITS=${VELAN_OOM_LIMITS_KB:-120000 160000 200000}
CACHE=$ROOT/bench/cache/100mb
INPUT=$CACHE/system.arxml

[ -x "$VELAN" ] || { echo "oom_check: $VELAN not built" >&2; exit 2; }

# Same cache stamp as bench/run: the generator's SHA-1.
STAMP=$(python3 -c 'import hashlib,sys; print(hashlib.sha1(open(sys.argv[1],"rb").read()).hexdigest(), end="")' \
  "$ROOT/bench/gen_arxml.py")
if [ ! -f "$CACHE/.done" ] || [ "$(cat "$CACHE/.done")" != "$STAMP" ]; then
  echo "oom_check: generating the 100 MB system"
  rm -rf "$CACHE"
  mkdir -p "$CACHE"
  python3 "$ROOT/bench/gen_arxml.py" --size-mb 100 --out "$INPUT" >/dev/null
  printf '%s' "$STAMP" >"$CACHE/.done"
fi
CLUSTER=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["clusters"][0]["name"])' \
  "$INPUT.json")

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failures=0
for limit in $LIMITS; do
  out=$WORK/out-$limit
  mkdir -p "$out"
  echo "earlier" >"$out/$CLUSTER.dbc"
  start=$(date +%s)
  set +e
  (ulimit -v "$limit" && exec "$VELAN" convert "$INPUT" -o "$out" --quiet) \
    >"$WORK/stdout" 2>"$WORK/stderr"
  status=$?
  set -e
  seconds=$(($(date +%s) - start))
  problem=""
  [ "$status" -eq 1 ] || problem="exit status $status"
  grep -q '^velan: .*out of memory' "$WORK/stderr" || problem="$problem; no out-of-memory message"
  [ "$(cat "$out/$CLUSTER.dbc")" = "earlier" ] || problem="$problem; earlier file changed"
  left=$(ls -A "$out" | grep -v "^$CLUSTER.dbc\$" || true)
  [ -z "$left" ] || problem="$problem; left behind: $left"
  if [ -n "$problem" ]; then
    echo "oom_check: FAIL at ulimit -v $limit: $problem" >&2
    sed 's/^/  stderr: /' "$WORK/stderr" | head -5 >&2
    failures=$((failures + 1))
  else
    echo "oom_check: ok at ulimit -v $limit (exit 1, out of memory, ${seconds} s)"
  fi
done
[ "$failures" -eq 0 ]
