#!/usr/bin/env bash
# scripts/netns-run removes its namespaces and every process in them however it ends: when the
# command fails, on SIGTERM, and (at the next run) after being killed outright.
set -uo pipefail
run=$1

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
count_left() {
    ip netns list | awk '{print $1}' | grep -c "^$1-"
}
# Killed processes may stay zombies for a while when PID 1 is slow to reap them.
running() {
    local state
    state=$(ps -o stat= -p "$1") && [[ $state != Z* ]]
}
wait_for_namespaces() {
    local prefix=$1
    for _ in $(seq 100); do
        [ "$(count_left "$prefix")" -eq 4 ] && [ -n "$(ip netns pids "$prefix-g2")" ] && return 0
        sleep 0.1
    done
    fail "the namespaces of $prefix did not come up"
}
# The command leaves a process behind in the second gateway namespace.
# shellcheck disable=SC2016  # expanded by the command's shell
leave_process='ip netns exec ${GF_NETNS_GATEWAYS##* } sleep 300 & exec sleep 300'

prefix=gfct$$a
GF_NETNS_PREFIX=$prefix "$run" --gateways 2 -- false
rc=$?
[ $rc -eq 1 ] || fail "status $rc after a failing command, expected 1"
[ "$(count_left $prefix)" -eq 0 ] || fail "namespaces left after a failing command"

GF_NETNS_PREFIX=$prefix "$run" --gateways 0 -- sh -c 'exit 7'
rc=$?
[ $rc -eq 7 ] || fail "status $rc, expected the command's 7"

setpriv --reuid=65534 --regid=65534 --clear-groups "$run" -- true 2>/dev/null
rc=$?
[ $rc -eq 1 ] || fail "status $rc without root, expected a refusal"

prefix=gfct$$b
GF_NETNS_PREFIX=$prefix "$run" --gateways 2 -- bash -c "$leave_process" &
harness=$!
wait_for_namespaces $prefix
leftover=$(ip netns pids $prefix-g2)
kill -TERM $harness
wait $harness
rc=$?
[ $rc -eq 143 ] || fail "status $rc after SIGTERM, expected 143"
[ "$(count_left $prefix)" -eq 0 ] || fail "namespaces left after SIGTERM"
running "$leftover" && fail "a process in a gateway namespace survived SIGTERM"

"$run" --gateways 2 -- bash -c "$leave_process" &
harness=$!
prefix=$(for _ in $(seq 100); do
    ns=$(ip netns list | awk '{print $1}' | grep -m1 "^gf${harness}r[0-9a-f]*-g2$") && echo "${ns%-g2}" && break
    sleep 0.1
done)
[ -n "$prefix" ] || fail "no namespaces of the harness $harness"
wait_for_namespaces "$prefix"
leftover=$(ip netns pids "$prefix-g2")
kill -KILL $harness
wait $harness 2>/dev/null
"$run" -- true || fail "the next run failed"
[ "$(count_left "$prefix")" -eq 0 ] || fail "namespaces of a killed harness left after the next run"
running "$leftover" && fail "a process of a killed harness survived the next run"
echo "PASS"
