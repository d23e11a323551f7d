#!/usr/bin/env bash
# scripts/netns-run removes its namespaces and every process in them when the command fails and on
# SIGTERM, and passes the command's exit status (or 128 + the signal) through.
set -uo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }
# status, expected status, when, namespace prefix: the status passed through and no namespace left.
check() {
    [ "$1" -eq "$2" ] || fail "status $1 $3, expected $2"
    ip netns list | grep -q "^$4-" && fail "namespaces of $4 left $3"
}

GF_NETNS_PREFIX=gfct$$a "$1" --gateways 2 -- sh -c 'exit 7'
check $? 7 "after a failing command" gfct$$a

# This command leaves a process behind in the second gateway namespace.
# shellcheck disable=SC2016  # expanded by the command's shell
GF_NETNS_PREFIX=gfct$$b "$1" --gateways 2 -- bash -c 'ip netns exec ${GF_NETNS_GATEWAYS##* } sleep 300 & exec sleep 300' &
harness=$!
until leftover=$(ip netns pids gfct$$b-g2 2>/dev/null) && [ -n "$leftover" ]; do
    kill -0 $harness 2>/dev/null || fail "the namespaces of gfct$$b did not come up"
    sleep 0.1
done
kill -TERM $harness
wait $harness
check $? 143 "after SIGTERM" gfct$$b
# Gone, or a zombie that PID 1 has not reaped yet.
! ps -o stat= -p "$leftover" | grep -qv '^Z' || fail "a process in a gateway namespace survived SIGTERM"
