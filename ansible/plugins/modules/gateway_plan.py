#!/usr/bin/python
# Carries out a plan of gateway settings on the managed host's segment, through gateway-finder apply.
from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
---
module: gateway_plan
short_description: Give the gateways on the managed host's segment the settings of a plan
description:
  - Runs C(gateway-finder apply --format json) on the managed host with a plan, the settings for
    many gateways at once, and reports every entry's outcome.
  - The plan is checked whole before anything is sent. A refused plan sends nothing, and the task
    fails with the lines that say why.
  - A gateway that already has the planned values gets nothing (outcome C(unchanged)), so a second
    run of the same plan reports no change.
  - Every entry whose outcome is neither C(applied) nor C(unchanged) (in check mode neither C(change)
    nor C(unchanged)) fails the task; the others are carried out all the same.
version_added: 1.1.2
author: Gateway Finder developers (@gatewayfinder)
options:
  entries:
    description:
      - The plan, one entry per gateway. A key left out keeps the gateway's current value.
      - Mutually exclusive with I(path).
    type: list
    elements: dict
    suboptions:
      mac:
        description:
          - MAC address of the gateway, as C(00:1A:2B:3C:4D:5E), C(00-1a-2b-3c-4d-5e) or C(001a2b3c4d5e).
        type: str
        required: true
      name:
        description: Host name, 1 to 15 letters, digits, C(-) and C(.).
        type: str
      ip:
        description: IP address.
        type: str
      mask:
        description: Subnet mask.
        type: str
      gateway:
        description: Default gateway.
        type: str
      dns:
        description: Name server.
        type: str
      dhcp:
        description: Whether the gateway takes its addresses from a DHCP server.
        type: bool
  path:
    description:
      - Absolute path of a plan file on the managed host, CSV with a header row or JSON, in the form
        C(gateway-finder list --format csv) or C(--format json) writes.
      - Mutually exclusive with I(entries).
    type: path
  wait:
    description:
      - A gateway that has not answered the search within this many milliseconds is C(not-found) and
        gets nothing (C(--wait)). The command line's default is 2000.
    type: int
  timeout:
    description:
      - How long each gateway's confirmation may take, in milliseconds (C(--timeout)). The command
        line's default is 3000.
    type: int
  journal:
    description:
      - Absolute path of the change journal on the managed host, given to C(gateway-finder) in the
        environment variable C(GATEWAY_FINDER_JOURNAL). Left out, C(gateway-finder) keeps its own
        default.
    type: path
  executable:
    description:
      - The C(gateway-finder) program on the managed host, as a name looked up in C(PATH) or a path.
    type: str
    default: gateway-finder
attributes:
  check_mode:
    support: full
    description: Runs C(apply --dry-run), which searches and checks the plan but sends nothing.
  diff_mode:
    support: full
    description:
      - Before and after of every gateway that changes (or would change), only the keys that change.
      - Outside check mode a dry run first reads the values before.
notes:
  - Only one C(gateway-finder) runs at a time on a host, as it holds UDP port 31337 while it runs.
  - Roll sites out one at a time with the play keywords C(serial) and C(max_fail_percentage).
requirements:
  - C(gateway-finder) on the managed host, run as a user that may bind UDP port 31337.
'''

EXAMPLES = r'''
- name: Give the hall's gateways their names and addresses
  gatewayfinder.sites.gateway_plan:
    entries:
      - mac: "00:1A:2B:3C:4D:5E"
        name: halle-1
        ip: 192.168.10.21
      - mac: "00:1A:2B:3C:4D:5F"
        name: halle-2
        ip: 192.168.10.22
        dhcp: false

- name: Carry out a plan file on the site's PC, with a journal in a shared folder
  gatewayfinder.sites.gateway_plan:
    path: /srv/plans/site.csv
    journal: /srv/journal/changes.jsonl
    wait: 5000
'''

RETURN = r'''
entries:
  description:
    - Every plan entry, in the plan's order, with its outcome.
    - Outside check mode also the values the gateway now reports (empty when it did not answer).
  returned: always, unless the plan was refused
  type: list
  elements: dict
  contains:
    mac:
      description: MAC address of the entry.
      type: str
      sample: "00:1A:2B:3C:4D:5E"
    outcome:
      description:
        - C(applied) (confirmed and verified), C(unchanged) (it had the planned values; nothing sent),
          C(not-found), C(not-confirmed), C(mismatch) (confirmed, but it reports other values),
          C(send-failed), or another failure that the installed C(gateway-finder) reports.
        - In check mode C(change) (would change) or C(unchanged), or a failure such as C(not-found).
      type: str
      sample: applied
    changes:
      description: In check mode, each change as C(key current → planned).
      returned: in check mode
      type: list
      elements: str
      sample: ["name sim-gw1 → halle-1", "ip 192.168.0.100 → 192.168.10.21"]
    name:
      description: Host name the gateway reports.
      returned: outside check mode
      type: str
    ip:
      description: IP address the gateway reports.
      returned: outside check mode
      type: str
    mask:
      description: Subnet mask the gateway reports.
      returned: outside check mode
      type: str
    gateway:
      description: Default gateway the gateway reports.
      returned: outside check mode
      type: str
    dns:
      description: Name server the gateway reports.
      returned: outside check mode
      type: str
    dhcp:
      description: DHCP flag the gateway reports.
      returned: outside check mode
      type: bool
    interface:
      description: The managed host's network interface the gateway answered on.
      returned: outside check mode
      type: str
    conflict:
      description: Whether another gateway, or the managed host, has the same IP address.
      returned: outside check mode
      type: bool
failed_gateways:
  description: MAC addresses of the entries that failed.
  returned: failure
  type: list
  elements: str
  sample: ["00:1A:2B:3C:4D:60"]
stderr_lines:
  description: What C(gateway-finder) said on standard error, such as the reasons a plan was refused.
  returned: failure
  type: list
  elements: str
'''

import json
import os
import tempfile

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.gatewayfinder.sites.plugins.module_utils.gateway_finder import (
    COMMON_ARGS, report, run, warn_all)

KEYS = ('name', 'ip', 'mask', 'gateway', 'dns', 'dhcp')
ENTRY_ARGS = dict(mac=dict(type='str', required=True), dhcp=dict(type='bool'),
                  **{key: dict(type='str') for key in KEYS if key != 'dhcp'})


def absolute(module, option):
    path = module.params[option]
    if path is not None and not os.path.isabs(path):
        module.fail_json(msg='%s must be an absolute path, not %s' % (option, path))
    return path


def plan_file(module):
    """The plan as a file gateway-finder reads: the given one, or the entries written to a JSON file."""
    if module.params['path'] is not None:
        return absolute(module, 'path')
    entries = [dict((k, v) for k, v in entry.items() if v is not None) for entry in module.params['entries']]
    fd, path = tempfile.mkstemp(prefix='plan-', suffix='.json', dir=module.tmpdir)
    module.add_cleanup_file(path)
    with os.fdopen(fd, 'w') as plan:
        json.dump(entries, plan)
    return path


def dry_run_changes(entry):
    """Before and after from a dry run's changes, "key current → planned"; a planned value never
    holds the arrow, a reported name might."""
    before, after = {}, {}
    for change in entry.get('changes', []):
        key, values = change.split(' ', 1)
        before[key], after[key] = values.rsplit(u' \u2192 ', 1)
    return before, after


def reported(entry, keys):
    return dict((k, ('on' if entry[k] else 'off') if k == 'dhcp' else entry[k]) for k in keys if k in entry)


def lines(values):
    return ''.join('%s: %s\n' % (k, values[k]) for k in KEYS if k in values)


def diffs(dry_entries, real_entries):
    """One before/after per gateway that changes; outside check mode "after" is what it now reports."""
    now = dict((e['mac'], e) for e in real_entries or [])
    out = []
    for entry in dry_entries:
        if entry['outcome'] != 'change':
            continue
        before, after = dry_run_changes(entry)
        if real_entries is not None:
            if now.get(entry['mac'], {}).get('outcome') in (None, 'not-found', 'not-sent', 'refused'):
                continue
            after = reported(now[entry['mac']], before)
        out.append(dict(before=lines(before), after=lines(after),
                        before_header=entry['mac'], after_header=entry['mac']))
    return out


def main():
    module = AnsibleModule(
        argument_spec=dict(COMMON_ARGS,
                           entries=dict(type='list', elements='dict', options=ENTRY_ARGS),
                           path=dict(type='path'),
                           timeout=dict(type='int'),
                           journal=dict(type='path')),
        mutually_exclusive=[('entries', 'path')],
        required_one_of=[('entries', 'path')],
        supports_check_mode=True)
    plan = plan_file(module)
    args = ['apply', plan, '--format', 'json']
    # The lines about a plan of entries name the entries, not the temporary file.
    aliases = {plan: 'entries'} if module.params['path'] is None else {}
    if module.params['timeout'] is not None:
        args += ['--timeout', str(module.params['timeout'])]
    journal = absolute(module, 'journal')
    environ = {'GATEWAY_FINDER_JOURNAL': journal} if journal else {}

    dry_entries = None
    if module.check_mode or module._diff:
        rc, out, err_lines = run(module, args + ['--dry-run'], environ, aliases)
        dry_entries = report(module, rc, out, err_lines)
    if module.check_mode:
        entries, expected, changing = dry_entries, ('change', 'unchanged'), 'change'
    else:
        rc, out, err_lines = run(module, args, environ, aliases)
        entries, expected, changing = report(module, rc, out, err_lines), ('applied', 'unchanged'), 'applied'

    result = dict(changed=any(e.get('outcome') == changing for e in entries), entries=entries, rc=rc)
    if dry_entries is not None and module._diff:
        result['diff'] = diffs(dry_entries, None if module.check_mode else entries)
    failed = [e for e in entries if e.get('outcome') not in expected]
    if failed:
        module.fail_json(msg='%d of %d gateways failed: %s' % (
            len(failed), len(entries), ', '.join('%s %s' % (e.get('mac'), e.get('outcome')) for e in failed)),
            failed_gateways=[e.get('mac') for e in failed], stderr_lines=err_lines, **result)
    if rc != 0:
        module.fail_json(msg='\n'.join(err_lines) or 'gateway-finder exited with %d' % rc,
                         stderr_lines=err_lines, **result)
    warn_all(module, err_lines)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
