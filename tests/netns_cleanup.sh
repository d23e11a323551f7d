#!/usr/bin/env bash
# scripts/netns-run removes its namespaces and every process in them when the command fails and on
# SIGTERM, and passes the command's exit status (or 128 + the signal) through.
set -uo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }
left() { ip netns list | grep -q "^$1-" && fail "namespaces of $1 left $2"; }

GF_NETNS_PREFIX=gfct$$a "$1" --gateways 2 -- sh -c 'exit 7'
rc=$?
[ $rc -eq 7 ] || fail "status $rc after a failing command, expected its 7"
left gfct$$a "after a failing command"

# This command leaves a process behind in the second gateway namespace.
prefix=gfct$$b
# shellcheck disable=SC2016  # expanded by the command's shell
GF_NETNS_PREFIX=$prefix "$1" --gateways 2 -- bash -c 'ip netns exec ${GF_NETNS_GATEWAYS##* } sleep 300 & exec sleep 300' &
harness=$!
for _ in $(seq 100); do
    leftover=$(ip netns pids $prefix-g2 2>/dev/null) && [ -n "$leftover" ] && break
    sleep 0.1
done
[ -n "$leftover" ] || fail "the namespaces of $prefix did not come up"
kill -TERM $harness
wait $harness
rc=$?
[ $rc -eq 143 ] || fail "status $rc after SIGTERM, expected 143"
left $prefix "after SIGTERM"
# Gone, or a zombie that PID 1 has not reaped yet.
ps -o stat= -p "$leftover" | grep -qv '^Z' && fail "a process in a gateway namespace survived SIGTERM"
echo PASS
