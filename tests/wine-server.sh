#!/bin/sh
# Starts or stops the wine server that the Windows build's tests share, in
# the private prefix named by WINEPREFIX. A server kept running makes each
# run of the program take a few hundredths of a second instead of half a
# second; it goes by itself a minute after its last program, should the
# stop never come. The first start also fills the prefix (some seconds).
# Usage: wine-server.sh start|stop WINE WINESERVER
wine=$2
wineserver=$3
[ -n "$WINEPREFIX" ] || { echo "FAIL: WINEPREFIX is not set"; exit 1; }

case $1 in
start)
    mkdir -p "$WINEPREFIX" || exit 1
    # One left from an earlier run serves as well.
    "$wineserver" -p60 2> /dev/null
    "$wine" wineboot > "$WINEPREFIX/wineboot.log" 2>&1 ||
        { echo "FAIL: the wine prefix could not be made:"; cat "$WINEPREFIX/wineboot.log"; exit 1; } ;;
stop)
    "$wineserver" -k 2> /dev/null
    "$wineserver" -w
    exit 0 ;;
*)
    echo "usage: wine-server.sh start|stop WINE WINESERVER"; exit 1 ;;
esac
