#!/bin/sh
# The program with its remote control on loopback, printing its state (and so the token) once, and
# the forwarder beside it that turns the harness's keys into commands of one kind.
# Usage: orvello-command.sh osc|http PROGRAM FORWARDER PRINT_STATE_SCRIPT [PROGRAM ARGS...]
kind=$1 program=$2 forwarder=$3 script=$4
shift 4
log=$(mktemp)
"$program" --set remoteEnabled=true --set 'remoteInterface="lo"' \
    --set "automationScript=$script" "$@" >"$log" 2>&1 &
presenter=$!
"$forwarder" "$log" "$kind" &
keys=$!
trap 'kill $presenter $keys' TERM INT
wait $presenter
kill $keys
