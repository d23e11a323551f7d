#!/usr/bin/env bash
# The command line driven from bash as a user's shell drives it, against gateway-sim in the gateway
# namespaces: relative paths, pipes that deliver in pieces, Ctrl+C and SIGTERM in the middle of a
# run, list fed back to apply, late gateways, DHCP turned off onto a shared address, repeated JSON
# keys. The settings frames on the wire are read from the simulators' logs.
# Usage (ctest does this): scripts/netns-run --gateways 4 -- bash tests/tst_shell.sh BUILD_DIR
set -uo pipefail
shopt -s lastpipe # gf at the end of a pipe sets rc here
build=$(cd "$1" && pwd)
# shellcheck disable=SC2015 # the message and exit are the fallback of the whole test
[ -n "${GF_NETNS_FINDER:-}" ] && [ "$(readlink /proc/1/ns/net)" != "$(readlink /proc/self/ns/net)" ] &&
    [ "$(ip netns identify $$)" = "$GF_NETNS_FINDER" ] ||
    { echo "tst_shell: this test broadcasts; run it inside scripts/netns-run (ctest does)" >&2 && exit 1; }
read -ra ns <<<"$GF_NETNS_GATEWAYS"
tmp=$(mktemp -d)
sims=()
failed=0
trap 'kill "${sims[@]}" 2>/dev/null; rm -rf "$tmp"' EXIT

# check WHAT COMMAND...: the command must succeed.
check() { "${@:2}" || { echo "FAIL: $1 (exit $rc; stderr: $(cat "$tmp/err"))" >&2 && failed=1; }; }
gf() { "$build/gateway-finder" "$@" >"$tmp/out" 2>"$tmp/err"; rc=$?; }
# sim N LOG ARGS: a simulator in gateway namespace N logging the datagrams it receives to $tmp/LOG;
# the one in namespace 0 starts a case, so the simulators of the case before are stopped.
sim() {
    [ "$1" != 0 ] || [ ${#sims[@]} = 0 ] || { kill "${sims[@]}"; wait "${sims[@]}"; sims=(); }
    ip netns exec "${ns[$1]}" "$build/gateway-sim" --ready --log "$tmp/$2" "${@:3}" >"$tmp/$2.ready" &
    sims+=($!)
    for _ in $(seq 100); do grep -q ready "$tmp/$2.ready" && return; sleep 0.05; done
    echo "FAIL: gateway-sim ${*:3} did not start" >&2 && exit 1
}
# The settings frames on the wire, as a simulator heard them; the frames expected, in that form.
sent() { grep '^02' "$tmp/$1" | sort | tr '\n' ' '; }
expect() { printf '%s\n' "$@" | sort | tr '\n' ' '; }
# shellcheck disable=SC2086 # split into four numbers
ip4() { printf '%02x' ${1//./ }; }
# frame MAC DHCP IP NAME: the settings frame, with the simulators' mask, gateway and name server.
frame() {
    local name zeros
    name=$(printf '%s' "$4" | od -An -tx1 | tr -d ' \n')
    zeros=$(printf '%060d' 0)
    printf '02%s000000000000%02x%s%s%s%s%s%s' "$(echo "${1//:/}" | tr A-F a-f)" "$2" "$(ip4 "$3")" \
        "$(ip4 255.255.255.0)" "$(ip4 192.168.0.1)" "$(ip4 192.168.0.1)" "$name" "${zeros:${#name}}"
}

# Paths mean what the shell means: the plan in the working folder, not the one beside the program;
# the translation is still the one beside the program.
sim 0 a --count 2 --first-mac 00:1A:00:00:00:01 --ip 10.77.0.50
mkdir -p "$tmp/prog/lang_finder" "$tmp/site"
cp "$build/gateway-finder" "$tmp/prog/"
cp "$build/translations/finder_en_EN.qm" "$tmp/prog/lang_finder/"
printf 'mac,name\n00:1A:00:00:00:02,decoy\n' >"$tmp/prog/plan.csv"
printf 'mac,name\n00:1A:00:00:00:01,site\n' >"$tmp/site/plan.csv"
(cd "$tmp/site" && exec env LC_ALL=en_US.UTF-8 "$tmp/prog/gateway-finder" apply plan.csv --wait 500) >"$tmp/out" 2>"$tmp/err"; rc=$?
check "relative path: exit 0" [ $rc = 0 ]
check "relative path: the working folder's plan" [ "$(sent a)" = "$(expect "$(frame 00:1A:00:00:00:01 0 10.77.0.50 site)")" ]
check "relative path: English beside the program" grep -q "^Host name  MAC address" "$tmp/out"

# A pipe is read to its end: an address split across two writes, an entry after 64 KiB of blank
# lines; past 4 MiB the plan is refused as too large.
sim 0 b --count 2 --first-mac 00:1A:00:00:00:01 --ip 10.77.0.50
{ printf 'mac,name,ip\n00:1A:00:00:00:01,n0,10.77.0.1'; sleep 0.3; printf '50\n00:1A:00:00:00:02,n1,10.77.0.151\n'; } |
    gf apply - --wait 500
check "slow pipe: exit 0" [ $rc = 0 ]
check "slow pipe: both entries whole" [ "$(sent b)" = "$(expect "$(frame 00:1A:00:00:00:01 0 10.77.0.150 n0)" "$(frame 00:1A:00:00:00:02 0 10.77.0.151 n1)")" ]
{ printf 'mac,name\n'; head -c 65536 /dev/zero | tr '\0' '\n'; printf '00:1A:00:00:00:02,big\n'; } | gf apply - --wait 500
check "long pipe: the entry after 64 KiB" grep -qF "$(frame 00:1A:00:00:00:02 0 10.77.0.151 big)" <<<"$(sent b)"
head -c 4194305 /dev/zero | tr '\0' ' ' | gf apply -
check "huge pipe: refused as too large" grep -q "larger than 4 MiB" "$tmp/err"

# Ctrl+C in the middle of an apply: nothing more is sent, the report says what became of each entry.
sim 0 c --first-mac 00:1A:00:00:00:01 --ip 10.77.0.50
sim 1 c1 --first-mac 00:0B:00:00:00:01 --ip 10.77.0.60 --no-ack
printf 'mac,ip\n00:1A:00:00:00:01,10.77.0.51\n00:0B:00:00:00:01,10.77.0.61\n00:99:00:00:00:01,10.77.0.62\n' >"$tmp/c.csv"
# As from an interactive shell: SIGINT is not ignored, as it is for a script's background jobs.
env --default-signal=INT "$build/gateway-finder" apply "$tmp/c.csv" --format csv >"$tmp/out" 2>"$tmp/err" &
sleep 1.2 && kill -INT $! && wait $!; rc=$?
check "Ctrl+C: exit 130" [ $rc = 130 ]
check "Ctrl+C: the report, with what the gateway confirmed" [ "$(cut -d, -f1,3,10 "$tmp/out" | tail -n +2 | tr '\n' ' ')" = "00:1A:00:00:00:01,10.77.0.51,applied 00:0B:00:00:00:01,10.77.0.60,not-confirmed 00:99:00:00:00:01,,not-sent " ]
check "Ctrl+C: frames" [ "$(sent c)" = "$(expect "$(frame 00:1A:00:00:00:01 0 10.77.0.51 sim-gw)" "$(frame 00:0B:00:00:00:01 0 10.77.0.61 sim-gw)")" ]
"$build/gateway-finder" set 000b00000001 --ip 10.77.0.63 >"$tmp/out" 2>"$tmp/err" &
sleep 1.2 && kill -TERM $! && wait $!; rc=$?
check "SIGTERM: exit 143, what was sent" [ $rc = 143 ] && check "SIGTERM: said" grep -q "sent to 00:0B:00:00:00:01 but not confirmed" "$tmp/err" &&
    check "SIGTERM: no timeout claimed" [ -z "$(grep "did not confirm" "$tmp/err")" ]

# Thirty entries at once: 27 to change, one as planned already, one never confirmed, one absent;
# the report in the plan's order.
sim 0 m --count 28 --first-mac 00:30:00:00:00:01 --names site --ip 10.77.1.1
sim 1 m1 --first-mac 00:0B:00:00:00:01 --names gamma --ip 10.77.0.50 --no-ack
plan='mac,name,ip\n00:0B:00:00:00:01,,10.77.2.99\n00:30:00:00:00:99,x,\n00:30:00:00:00:1C,site28,10.77.1.28\n'
want=("$(frame 00:0B:00:00:00:01 0 10.77.2.99 gamma)")
for k in $(seq 27); do
    mac=$(printf '00:30:00:00:00:%02X' "$k")
    plan+="$mac,gw-$k,10.77.2.$k\n" && want+=("$(frame "$mac" 0 "10.77.2.$k" "gw-$k")")
done
printf '%b' "$plan" | gf apply - --format csv --wait 1000 --timeout 1000
check "30 entries: exit 4" [ $rc = 4 ]
check "30 entries: order" [ "$(cut -d, -f1 "$tmp/out")" = "$(printf '%b' "$plan" | cut -d, -f1)" ]
check "30 entries: outcomes" [ "$(cut -d, -f10 "$tmp/out" | sort | uniq -c | tr -s ' \n' ' ')" = " 27 applied 1 not-confirmed 1 not-found 1 outcome 1 unchanged " ]
check "30 entries: frames" [ "$(sent m)" = "$(expect "${want[@]}")" ]

# list -> apply: a reported name that breaks the name rule goes back unchanged, and so does an
# address two gateways share; a new name is held to the rule, and a name longer than a settings
# frame carries is never cut (apply and set alike).
sim 0 d --count 2 --first-mac 00:1A:00:00:00:01 --names 'lager_1,x' --ip 10.77.0.50
sim 1 d1 --first-mac 00:0B:00:00:00:01 --names "a-name-of-thirty-characters-xy" --ip 10.77.0.50
gf list --format csv --wait 500 && cp "$tmp/out" "$tmp/d.csv"
gf apply "$tmp/d.csv" --wait 500
check "round trip: unchanged" [ $rc = 0 ] && check "round trip: 3" [ "$(grep -c 'unchanged$' "$tmp/out")" = 3 ]
sed -e 's/10.77.0.51/10.77.0.52/' -e 's/lager_1,/lager-1,/' "$tmp/d.csv" | gf apply - --wait 500
check "round trip with changes" [ $rc = 0 ] && check "the changes only" [ "$(sent d)" = "$(expect "$(frame 00:1A:00:00:00:02 0 10.77.0.52 x)" "$(frame 00:1A:00:00:00:01 0 10.77.0.50 lager-1)")" ]
printf 'mac,name\n00:1A:00:00:00:01,lager_2\n' | gf apply - --wait 500
check "a new name breaking the rule" grep -q 'line 2: name: "lager_2" is not valid' "$tmp/err"
sed '/thirty/s/10.77.0.50/10.77.0.61/' "$tmp/d.csv" | gf apply - --wait 500
check "apply: long name refused" [ $rc = 2 ] && check "apply: said" grep -q "longer than the 28 characters" "$tmp/err"
gf set 000B00000001 --ip 10.77.0.61
check "set: long name refused" [ $rc = 2 ] && check "no more frames" [ "$(sent d | wc -w)" = 2 ]

# A gateway that answers after the answers settled, holding a planned address: the dry run and the
# real run judge it alike, and no run ends with 0. set has the same checks; after --timeout 0 the
# report shows what the gateway took.
sim 0 e --first-mac 00:1A:00:00:00:01 --ip 10.77.0.50
sim 1 e1 --first-mac 00:0B:00:00:00:01 --ip 10.77.0.60 --delay 600
sim 2 e2 --first-mac 00:0C:00:00:00:01 --ip 10.77.0.70 --no-ack
printf 'mac,ip\n00:1A:00:00:00:01,10.77.0.60\n' >"$tmp/e.csv"
gf apply "$tmp/e.csv" --dry-run --wait 1000
check "late gateway, dry run: exit 7" [ $rc = 7 ] && check "dry run: conflict" grep -q "conflict" "$tmp/out"
gf apply "$tmp/e.csv" --wait 1000
check "late gateway: exit 7" [ $rc = 7 ] && check "conflict named" grep -q "10.77.0.60 is also the address of 00:0B:00:00:00:01" "$tmp/err"
gf set 00:1A:00:00:00:01 --ip 10.77.0.70
check "set onto a listed address" [ $rc = 2 ] && check "said" grep -q "held by 00:0C:00:00:00:01" "$tmp/err"
gf set 00:1A:00:00:00:01 --ip 10.77.0.1
check "set onto the PC's address" [ $rc = 2 ] && check "one frame to e" [ "$(sent e | wc -w)" = 1 ]
printf 'mac,ip\n00:0C:00:00:00:01,10.77.0.71\n' | gf apply - --timeout 0 --wait 500
check "--timeout 0: not confirmed" [ $rc = 4 ] && check "the address taken" grep -q "10.77.0.71 .*not-confirmed" "$tmp/out"

# DHCP turned off: the address the gateway keeps is checked like a planned one, also for a gateway
# that answers late. A JSON entry that gives a key twice is refused.
sim 0 f --first-mac 00:1A:00:00:00:01 --ip 10.77.0.80 --dhcp
sim 1 f1 --first-mac 00:0B:00:00:00:01 --ip 10.77.0.80
sim 2 f2 --first-mac 00:0C:00:00:00:01 --ip 10.77.0.80
sim 3 f3 --first-mac 00:0D:00:00:00:01 --ip 10.77.0.80 --dhcp --delay 600
printf 'mac,dhcp\n00:1A:00:00:00:01,off\n' | gf apply - --wait 1000
check "DHCP off onto a shared address: refused" [ $rc = 2 ] && check "said" grep -q "kept when DHCP goes off) is held by 00:0C" "$tmp/err"
gf set 00:0D:00:00:00:01 --dhcp off
check "late gateway refused: exit 7" [ $rc = 7 ] && check "said" grep -q "nothing was sent to 00:0D" "$tmp/err"
printf '[{"mac":"00:1A:00:00:00:01","ip":"10.77.0.99","m\\u0061c":"00:0B:00:00:00:01"}]' | gf apply -
check "repeated JSON key" grep -q "index 0: mac: the key appears twice" "$tmp/err"
check "nothing sent" [ -z "$(sent f)" ]

exit $failed
