#!/usr/bin/env bash
# The change journal on the real program from a shell, inside the namespaces of scripts/netns-run
# (three gateway namespaces): the record before its frame, an unwritable journal, kill -9 mid-run,
# two finders writing one journal, history, undo and its refusals, the reachability warnings.
set -euo pipefail
if [ -z "${GF_NETNS_FINDER:-}" ] || [ "$(readlink /proc/self/ns/net)" = "$(readlink /proc/1/ns/net)" ]; then
    echo "tst_journal: refusing to run outside a private network namespace (scripts/netns-run)" >&2
    exit 1
fi
b=${FINDER_BUILD_DIR:?}
read -r ns1 ns2 ns3 <<<"$GF_NETNS_GATEWAYS"
t=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$t"' EXIT
export GATEWAY_FINDER_JOURNAL=$t/changes.jsonl
gf() { "$b/gateway-finder" "$@"; }
fail() { echo "FAIL: $*" >&2; exit 1; }
frames() { grep -c '^02' "$t/log" || true; } # every settings frame, to any gateway
expect() { # expect CODE command...: the command's exit code, its stderr kept in $t/err
    local want=$1 rc=0
    shift
    "$@" >"$t/out" 2>"$t/err" || rc=$?
    [ "$rc" = "$want" ] || { cat "$t/err" >&2; fail "$* exited $rc, not $want"; }
}
mac() { printf '00:50:00:00:00:%02X' "$1"; }
sim() { ip netns exec "$1" "$b/gateway-sim" --ready "${@:2}" >"$t/ready.$1" & until [ -s "$t/ready.$1" ]; do sleep 0.05; done; }
sim "$ns1" --count 20 --first-mac 00:50:00:00:00:01 --ip 10.77.0.100 --log "$t/log"
sim "$ns2" --first-mac 00:60:00:00:00:01 --ip 10.77.0.200 --no-ack

# While another writer holds the lock, set waits for it, and its frame leaves only after its record.
flock "$t/changes.jsonl.lock" sleep 1 &
sleep 0.2
"$b/gateway-finder" set "$(mac 1)" --name eins >/dev/null &
sleep 0.6
[ "$(frames)" = 0 ] || fail "a settings frame left before its record"
wait $!
[ "$(frames)" = 1 ] && grep -q '^02005000000001.*65696e7300' "$t/log" || fail "the frame to $(mac 1)"
jq -se 'length == 2 and .[0].kind == "intent" and .[0].before.name == "sim-gw1" and .[0].sent.name == "eins"
    and .[0].source == "set" and .[0].interface == "eth0" and .[1].outcome == "applied" and .[1].id == .[0].id' \
    "$t/changes.jsonl" >/dev/null || fail "the records of set"
# Ctrl+C while set waits for the lock: once it is free, the intent is on record and nothing leaves.
flock "$t/changes.jsonl.lock" sleep 1 &
sleep 0.2
env --default-signal=INT "$b/gateway-finder" set "$(mac 2)" --name drei >/dev/null 2>&1 &
sleep 0.6 && kill -INT $! && rc=0 && wait $! || rc=$?
[ "$rc $(frames)" = "130 1" ] || fail "Ctrl+C while the lock is waited for: exit $rc, $(frames) frames"
expect 0 gf undo --last --dry-run # settings that never left are not the last change
grep -q "^$(mac 1)  change" "$t/out" || fail "undo --last took a change that never left"

# A journal that cannot be written: exit 8, and nothing leaves.
flock "$t/changes.jsonl.lock" sleep 5 &
expect 8 gf set "$(mac 1)" --name zwei
grep -q "the change journal cannot be written: .*locked by another writer.*; nothing was sent" "$t/err" || fail "lock"
kill $!
GATEWAY_FINDER_JOURNAL= expect 8 gf apply --journal "$t/missing/changes.jsonl" - <<<"mac,name
$(mac 1),zwei" # a folder given is not made
[ ! -e "$t/missing" ] || fail "the folder of a journal given was made"
# A disk that fills in the middle of a run's records (a tmpfs in a mount namespace of its own): the
# records written are taken back, as nothing leaves.
mkdir "$t/full" && { echo mac,name && for i in $(seq 20); do echo "$(mac "$i"),voll"; done; } >"$t/full.csv"
unshare -m sh -c "mount -t tmpfs -o size=64k tmpfs $t/full && head -c 61440 /dev/zero >$t/full/fill &&
    { $b/gateway-finder apply $t/full.csv --journal $t/full/changes.jsonl --wait 500; [ \$? = 8 ]; } &&
    [ ! -s $t/full/changes.jsonl ]" 2>/dev/null || fail "a disk that fills"
[ "$(frames)" = 1 ] || fail "settings sent without their record"

# kill -9 while apply waits for a confirmation: the intent is on record, its outcome unknown.
"$b/gateway-finder" apply - <<<"mac,name
00:60:00:00:00:01,stumm" >/dev/null &
until [ "$(frames)" = 2 ]; do sleep 0.05; done
kill -9 $!
gf history --mac 00-60-00-00-00-01 | grep -q 'apply -  *00:60:00:00:00:01  name sim-gw → stumm  *unknown$' ||
    fail "the intent of a killed apply"

# Two finders in two namespaces write one journal at once: every line one whole record.
for k in 1 2 3; do
    pids=()
    for half in 0 1; do
        plan="mac,name"
        for n in $(seq $((half * 10 + 1)) $((half * 10 + 10))); do plan+=$'\n'"$(mac "$n"),r$k-$n"; done
        if [ $half = 0 ]; then "$b/gateway-finder" apply - <<<"$plan" >/dev/null & else
            ip netns exec "$ns3" "$b/gateway-finder" apply - <<<"$plan" >/dev/null & fi
        pids+=($!)
    done
    wait "${pids[@]}"
done
[ "$(jq -c . "$t/changes.jsonl" | wc -l)" = "$(wc -l <"$t/changes.jsonl")" ] || fail "a mixed line"
[ "$(jq -s '[.[] | select(.source == "apply -" and .outcome == "applied")] | length' "$t/changes.jsonl")" = 60 ] ||
    fail "records lost by concurrent writers"

# apply, a newer change to two of its gateways (one outside the journal), undo refused for those two.
gf list >"$t/before"
gf apply - <<<"mac,name,ip
$(mac 2),u2,10.77.0.52
$(mac 3),u3,10.77.0.53
$(mac 4),u4,10.77.0.54" >/dev/null
id=$(jq -rs '[.[] | select(.kind == "intent")] | last.id' "$t/changes.jsonl")
expect 0 gf set "$(mac 2)" --name neuer
expect 0 gf set "$(mac 3)" --name heimlich --journal "$t/elsewhere.jsonl"
expect 7 gf undo "$id"
grep -q "$(mac 2): changed again since, by .*--force" "$t/err" &&
    grep -q "$(mac 3): changed again since: it reports name heimlich" "$t/err" || fail "the refusals"
[ "$(awk '{print $2, $NF}' "$t/out" | tail -3 | tr '\n' ' ')" = "$(mac 2) refused $(mac 3) refused $(mac 4) applied " ] ||
    fail "undo report: $(cat "$t/out")"
expect 0 gf undo "$id" --force
gf list | diff "$t/before" - || fail "undo did not put back what apply changed"
gf history --format json | jq -e --arg id "$id" 'last.source == "undo " + $id and last.outcome == "applied"' >/dev/null ||
    fail "undo's own records"

# history: newest last, filters, a damaged line skipped with a warning.
echo '{"kind":"intent",' >>"$t/changes.jsonl"
expect 0 gf history --mac "$(mac 2)" --format csv
grep -q 'changes.jsonl line [0-9]*: damaged record skipped' "$t/err" || fail "no warning for a damaged line"
[ "$(cut -d, -f5 "$t/out" | sort -u | tr '\n' ' ')" = "$(mac 2) mac " ] || fail "--mac"
[ "$(tail -1 "$t/out" | cut -d, -f4)" = "undo $id" ] || fail "newest last"
[ "$(gf history --since "$(date -d tomorrow +%F)" 2>/dev/null | wc -l)" = 1 ] || fail "--since"

# A gateway moved outside the PC's networks: a warning, the exit code as it was.
expect 0 gf set "$(mac 5)" --ip 10.1.5.20
grep -q "^gateway-finder: $(mac 5) 10.1.5.20: not reachable from this PC: no interface in 10.1.5.0/24$" "$t/err" ||
    fail "set gave no reachability warning"
expect 0 gf list
grep -q "$(mac 5) 10.1.5.20: not reachable" "$t/err" || fail "list gave no reachability warning"
echo "tst_journal: all passed"
