#!/bin/sh
# Starts the updater under Wine and checks that it is still running, with its
# window up, a few seconds later: the loader took the manifest and the static
# imports, and the start-up (the DLL search hardening first) did not fail.
#
#   start_test.sh WINE_RUNNER EXE CAPTION WITH_DISPLAY
set -eu
runner=$1 exe=$2 caption=$3 with_display=$4
if [ -z "${DISPLAY:-}" ]; then exec "$with_display" "$0" "$@"; fi

"$runner" "$exe" &
pid=$!
found=""
i=0
# A fresh Wine prefix alone takes ~20 s.
while [ $i -lt 120 ]; do
  if ! kill -0 "$pid" 2>/dev/null; then
    rc=0; wait "$pid" || rc=$?
    echo "FAIL: $exe ended by itself (status $rc) before its window showed"
    exit 1
  fi
  if xwininfo -root -tree 2>/dev/null | grep -q "\"$caption\""; then found=1; break; fi
  sleep 0.5
  i=$((i + 1))
done
if [ -z "$found" ]; then
  kill "$pid" 2>/dev/null || true
  echo "FAIL: no window \"$caption\" within 60 s"
  exit 1
fi
# Still alive a moment after the window showed: nothing failed late in start-up.
sleep 2
if ! kill -0 "$pid" 2>/dev/null; then
  echo "FAIL: $exe ended right after showing its window"
  exit 1
fi
kill "$pid"
wait "$pid" 2>/dev/null || true
echo "$exe started under Wine and showed \"$caption\""
