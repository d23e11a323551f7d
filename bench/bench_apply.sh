#!/usr/bin/env bash
# Run inside scripts/netns-run --gateways 1 by scripts/bench: 100 simulated gateways in the gateway
# namespace; prints the wall time of apply with a 100-entry plan (a new name and IP address for
# each) and its outcome counts, beside the same kind of plan as 100 set calls (another name and IP
# address for each) and how many of them succeeded, and the wall time of one set.
set -euo pipefail
build=$1
count=${2:-100}
ns=${GF_NETNS_GATEWAYS%% *}
ip netns exec "$ns" "$build/gateway-sim" --count "$count" --first-mac 00:50:00:00:00:01 --names site \
    --ip 10.77.5.1 --ready >/dev/null &
sim=$!
export GATEWAY_FINDER_JOURNAL=$(mktemp -d)/changes.jsonl # the runs' records, not in the user's journal
# The addresses lie outside the finder's network: standard error (the warnings saying so) is dropped.
sleep 1
now() { date +%s%N; }
elapsed() { echo $((($(now) - $1) / 1000000)); } # milliseconds
plan=$(mktemp)
echo "mac,name,ip" >"$plan"
for k in $(seq 1 "$count"); do
    printf '00:50:00:00:%02X:%02X,gw-%d,10.77.6.%d\n' $((k >> 8)) $((k & 255)) "$k" "$k" >>"$plan"
done
report=$(mktemp)
start=$(now)
"$build/gateway-finder" apply "$plan" --format csv >"$report" 2>/dev/null || true # the counts tell the outcome
apply_s=$(elapsed "$start")
outcomes=$(tail -n +2 "$report" | awk -F, '{ print $NF }' | sort | uniq -c | awk '{ printf "%s%d %s", s, $1, $2; s = ", " }')
start=$(now)
sets_ok=0
while IFS=, read -r mac name ip; do
    "$build/gateway-finder" set "$mac" --name "$name-s" --ip "${ip/10.77.6./10.77.8.}" >/dev/null 2>&1 && sets_ok=$((sets_ok + 1))
done < <(tail -n +2 "$plan")
sets_s=$(elapsed "$start")
one=()
for _ in 1 2 3 4 5; do
    start=$(now)
    "$build/gateway-finder" set 00:50:00:00:00:01 --ip 10.77.7.1 >/dev/null 2>&1
    "$build/gateway-finder" set 00:50:00:00:00:01 --ip 10.77.6.1 >/dev/null 2>&1
    one+=($(($(elapsed "$start") / 2)))
done
median=$(printf '%s\n' "${one[@]}" | sort -n | sed -n 3p)
seconds() { awk -v ms="$1" -v d="$2" 'BEGIN { printf "%." d "f", ms / 1000 }'; }
printf 'apply, %d-gateway plan: %s s to the report (%s); the same kind of plan as %d set calls: %s s (%d exited 0)\n' \
    "$count" "$(seconds "$apply_s" 2)" "$outcomes" "$count" "$(seconds "$sets_s" 1)" "$sets_ok"
printf 'set, one gateway, with its verifying search: median %s s of 5\n' "$(seconds "$median" 2)"
kill "$sim"
rm -rf "$plan" "$report" "$(dirname "$GATEWAY_FINDER_JOURNAL")"
