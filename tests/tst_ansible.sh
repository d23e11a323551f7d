#!/usr/bin/env bash
# The Ansible collection as a fleet uses it: installed from its built archive, the example playbook
# run by ansible-playbook in one namespace (the controller) over SSH to sshd in the finder namespace
# (the site's PC, on the gateways' segment), against simulated gateways.
# Usage, inside scripts/netns-run --gateways 2: tst_ansible.sh <source dir> <build dir>
set -euo pipefail
src=$(realpath "$1") build=$(realpath "$2")
fail() { echo "FAIL: $*" >&2; exit 1; }
[ "$(ip netns identify $$)" = "${GF_NETNS_FINDER:-?}" ] ||
    fail "this test starts sshd and sends broadcasts: run it inside scripts/netns-run --gateways 2"
read -r sim_ns controller_ns <<<"$GF_NETNS_GATEWAYS"
tmp=$(mktemp -d)
made_run_sshd=
cleanup() {
    kill "${sshd_pid:-}" "${sim_pid:-}" 2>/dev/null || true
    wait || true
    rm -rf "$tmp"
    [ -z "$made_run_sshd" ] || rmdir /run/sshd
}
trap cleanup EXIT
# Nothing of ssh, Ansible or ansible-lint is written outside the test's folder.
export HOME=$tmp/home XDG_CACHE_HOME=$tmp/cache ANSIBLE_HOME=$tmp/ansible ANSIBLE_LOCAL_TEMP=$tmp/ansible/tmp \
    ANSIBLE_REMOTE_TEMP=$tmp/remote ANSIBLE_COLLECTIONS_PATH=$tmp/collections ANSIBLE_PIPELINING=1 \
    ANSIBLE_NOCOLOR=1 ANSIBLE_CONFIG=$tmp/ansible.cfg TST_ANSIBLE_DIR=$tmp TST_ANSIBLE_BUILD=$build \
    ANSIBLE_SSH_ARGS="-o ControlMaster=no -o UserKnownHostsFile=$tmp/known_hosts -o StrictHostKeyChecking=yes"
mkdir -p "$HOME"
touch "$ANSIBLE_CONFIG" && mkdir -m 700 "$ANSIBLE_REMOTE_TEMP"
cd "$tmp"

# Three gateways, sim-gw1 to sim-gw3 at 10.77.0.101 to .103, logging every datagram they hear.
ip netns exec "$sim_ns" "$build/gateway-sim" --count 3 --first-mac 00:1A:2B:00:00:01 --ip 10.77.0.101 \
    --log "$tmp/frames" --ready >"$tmp/sim.out" &
sim_pid=$!
# The site's PC: sshd on the finder namespace's address only, with keys made for this test.
for key in host_key client_key; do ssh-keygen -q -t ed25519 -N '' -f "$tmp/$key"; done
echo "$GF_NETNS_FINDER_ADDR $(cut -d' ' -f1-2 "$tmp/host_key.pub")" >"$tmp/known_hosts"
[ -d /run/sshd ] || { mkdir -m 755 /run/sshd && made_run_sshd=1; } # its privilege separation folder
# The sanitizer build's options reach gateway-finder in the SSH sessions as in the other tests, and
# its change journal is the test's.
sanitizers=$(env | grep -E '^(ASAN|UBSAN|LSAN)_OPTIONS=' | tr '\n' ' ' || true)
/usr/sbin/sshd -D -e -f /dev/null -o ListenAddress="$GF_NETNS_FINDER_ADDR" -o HostKey="$tmp/host_key" \
    -o AuthorizedKeysFile="$tmp/client_key.pub" -o StrictModes=no -o UsePAM=no -o PasswordAuthentication=no \
    -o "SetEnv=${sanitizers}GATEWAY_FINDER_JOURNAL=$tmp/changes.jsonl" 2>"$tmp/sshd.log" &
sshd_pid=$!
for _ in $(seq 100); do
    ss -Hltn "src $GF_NETNS_FINDER_ADDR:22" | grep -q . && grep -q ready "$tmp/sim.out" && break
    sleep 0.1
done

# play <name> <exit status> [ansible-playbook options]: runs the example playbook from the controller;
# $sent is the settings frames the gateways heard meanwhile.
play() {
    local name=$1 want=$2 before status=0
    shift 2
    before=$(grep -c '^02' "$tmp/frames" || true)
    ip netns exec "$controller_ns" ansible-playbook -i "$src/tests/ansible/inventory" "$src/ansible/examples/commission.yml" \
        "$@" >"$tmp/$name.out" 2>&1 || status=$?
    [ "$status" -eq "$want" ] || { cat "$tmp/$name.out"; fail "$name: ansible-playbook exited with $status"; }
    sent=$(grep '^02' "$tmp/frames" | tail -n +$((before + 1)) || true)
}
expect() {
    local name=$1 text
    shift
    for text in "$@"; do
        grep -qF -- "$text" "$tmp/$name.out" || { cat "$tmp/$name.out"; fail "$name: no \"$text\" in the output"; }
    done
}
# A settings frame: kind, MAC, 6 zero bytes, DHCP, IP, mask, gateway, name server, the name in 30 bytes.
frame() {
    local hex
    hex="02${1}000000000000${2}${3}ffffff00c0a80001c0a80001$(printf '%s' "$4" | od -An -tx1 | tr -d ' \n')"
    printf '%s%0*d\n' "$hex" $((120 - ${#hex})) 0
}

echo "collection: built, installed from the archive, documented, linted"
ansible-galaxy collection build --output-path "$tmp" "$src/ansible" >/dev/null
ansible-galaxy collection install -p "$tmp/collections" "$tmp"/gatewayfinder-sites-*.tar.gz >/dev/null
for module in gateways_info gateway_plan; do
    ansible-doc "gatewayfinder.sites.$module" >"$tmp/$module.out"
    expect "$module" "GATEWAYFINDER.SITES.${module^^}" "EXAMPLES:" "RETURN VALUES:"
done
(cd "$src/ansible" && ansible-lint -q) || fail "ansible-lint found problems in the collection or the example"

echo "check mode: lists the gateways, shows each change, sends nothing"
play check 0 --check --diff
expect check "00:1A:2B:00:00:01 sim-gw1 10.77.0.101" "00:1A:2B:00:00:03 sim-gw3 10.77.0.103" \
    "-name: sim-gw1" "+name: halle-1" "-ip: 10.77.0.101" "+ip: 10.77.0.121" "-dhcp: off" "+dhcp: on" \
    "changed=1 " "failed=0 "
[ -z "$sent" ] || fail "check mode sent settings: $sent"

echo "for real, with the reported values as after; then again, with nothing left to do"
play apply 0 --diff
expect apply "+name: halle-1" "+ip: 10.77.0.121" "+dhcp: on" "changed=1 " "failed=0 "
[ "$(sort <<<"$sent")" = "$(frame 001a2b000001 00 0a4d0079 halle-1; frame 001a2b000002 01 0a4d0066 sim-gw2)" ] ||
    fail "settings on the wire: $sent"
play again 0
expect again "00:1A:2B:00:00:01 halle-1 10.77.0.121" "changed=0 " "failed=0 "
[ -z "$sent" ] || fail "the second run sent settings: $sent"

echo "a gateway that does not answer fails the task; a refused plan fails with its reasons, in check mode too"
play missing 2 -e '{"gateway_plan": [{"mac": "00:1A:2B:00:00:99", "ip": "10.77.0.99"}, {"mac": "00:1A:2B:00:00:03"}]}'
expect missing "1 of 2 gateways failed: 00:1A:2B:00:00:99 not-found" '"outcome": "not-found"' \
    '"outcome": "unchanged"' "failed=1 "
play refused 2 --check -e '{"gateway_plan": [{"mac": "00:1A:2B:00:00:01", "ip": "10.77.0.103"}]}'
expect refused "entries: index 0: ip: 10.77.0.103 is held by 00:1A:2B:00:00:03" "the plan was refused; nothing was sent"
[ -z "$sent" ] || fail "a failing plan sent settings: $sent"
echo "PASS"
