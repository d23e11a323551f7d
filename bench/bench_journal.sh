#!/usr/bin/env bash
# Run inside scripts/netns-run --gateways 1 by scripts/bench: the cost of the change journal.
# apply with a 100-entry plan against 100 simulated gateways, its journal on disk (the build tree's
# file system) beside the same on a tmpfs (/dev/shm), alternating, median of the rounds; then
# history over a journal of 100,000 records.
set -euo pipefail
build=$1
count=${2:-100}
rounds=${3:-5}
ns=${GF_NETNS_GATEWAYS%% *}
ip netns exec "$ns" "$build/gateway-sim" --count "$count" --first-mac 00:50:00:00:00:01 --names site \
    --ip 10.77.0.101 >/dev/null &
sim=$!
disk=$(mktemp -d "$build/bench-journal.XXXXXX")
tmpfs=$(mktemp -d /dev/shm/bench-journal.XXXXXX)
trap 'kill $sim; rm -rf "$disk" "$tmpfs"' EXIT
sleep 1
now() { date +%s%N; }
plan() { # every gateway gets a name of this round, so that every entry is sent
    echo "mac,name"
    for k in $(seq 1 "$count"); do printf '00:50:00:00:%02X:%02X,r%s-%d\n' $((k >> 8)) $((k & 255)) "$1" "$k"; done
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
on_disk=() on_tmpfs=()
for r in $(seq 1 "$rounds"); do
    order="disk tmpfs"
    [ $((r % 2)) = 0 ] && order="tmpfs disk" # neither always runs first
    for where in $order; do
        dir=$disk; [ $where = tmpfs ] && dir=$tmpfs
        plan "$r$where" >"$dir/plan.csv"
        start=$(now)
        "$build/gateway-finder" apply --journal "$dir/changes.jsonl" "$dir/plan.csv" >/dev/null
        ms=$((($(now) - start) / 1000000))
        if [ $where = disk ]; then on_disk+=("$ms"); else on_tmpfs+=("$ms"); fi
    done
done
d=$(printf '%s\n' "${on_disk[@]}" | median)
m=$(printf '%s\n' "${on_tmpfs[@]}" | median)
printf 'apply, %d-gateway plan, journal on disk (%s): median %d ms of %d; on tmpfs: %d ms; disk / tmpfs %s\n' \
    "$count" "$(stat -f -c %T "$disk")" "$d" "$rounds" "$m" "$(awk -v a="$d" -v b="$m" 'BEGIN { printf "%.3f", a / b }')"
printf 'records written per apply: %d\n' $(($(wc -l <"$disk/changes.jsonl") / rounds))

# 100,000 records: 50,000 changes, each an intent and its outcome, made from one pair of the disk
# journal's own lines.
journal=$disk/large.jsonl
intent=$(grep -m1 '"kind":"intent"' "$disk/changes.jsonl")
outcome=$(jq -c --argjson i "$intent" 'select(.kind == "outcome" and .id == $i.id and .mac == $i.mac)' \
    "$disk/changes.jsonl" | head -1)
printf '%s\n%s\n' "$intent" "$outcome" | awk -v n=50000 '{ line[NR] = $0 } END {
    for (i = 0; i < n; ++i) {
        id = sprintf("%08x", i)
        for (k = 1; k <= 2; ++k) { l = line[k]; sub(/"id":"[0-9a-f]*"/, "\"id\":\"" id "\"", l); print l }
    } }' >"$journal"
for format in table csv json; do
    times=()
    for _ in 1 2 3; do
        start=$(now)
        "$build/gateway-finder" history --journal "$journal" --format $format >/dev/null
        times+=($((($(now) - start) / 1000000)))
    done
    printf 'history over %d records (%d MB), --format %s: median %d ms of 3\n' "$(wc -l <"$journal")" \
        $(($(stat -c %s "$journal") / 1000000)) $format "$(printf '%s\n' "${times[@]}" | median)"
done
