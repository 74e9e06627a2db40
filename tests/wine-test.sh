#!/bin/sh
# Runs one Windows test program under Wine. Wine gives a QtTest no console to
# print to, so its results go to a file, shown afterwards; the time-out ends a
# Wine that hangs before CTest's own would (PELLARO_WINE_TIMEOUT seconds, 280
# unless a test sets it).
#   wine-test.sh PROGRAM.exe [ARGUMENT...]
exe=$1
shift
out=${exe%.exe}.wine.txt
rm -f "$out"
timeout "${PELLARO_WINE_TIMEOUT:-280}" wine "$exe" -o "$out,txt" "$@"
rc=$?
[ -f "$out" ] && cat "$out"
exit $rc
