#!/usr/bin/python
# Lists the gateways that answer a search from the managed host, through gateway-finder list.
from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
---
module: gateways_info
short_description: List the gateways on the managed host's network segment
description:
  - Runs C(gateway-finder list --format json) on the managed host and returns every gateway that
    answered the search, sorted by MAC address.
  - The search is a broadcast on every IPv4 network of the managed host; it does not cross routers,
    so the managed host is the site's PC or a small host on the gateways' segment.
  - Only one search runs at a time on a host, as C(gateway-finder) holds UDP port 31337 while it runs.
    The task fails when the port is taken (the finder window or another copy running).
version_added: 1.1.2
author: Gateway Finder developers (@gatewayfinder)
options:
  wait:
    description:
      - How long to collect replies, in milliseconds (C(--wait)). The command line's default is 2000.
    type: int
  interface:
    description:
      - Return only the gateways that answered on this network interface (for example C(eth0)).
      - The search itself still goes out on every network of the managed host.
    type: str
  executable:
    description:
      - The C(gateway-finder) program on the managed host, as a name looked up in C(PATH) or a path.
    type: str
    default: gateway-finder
attributes:
  check_mode:
    support: full
    description: The search changes nothing; it runs in check mode too.
notes:
  - No gateway answering is not an error; I(gateways) is then empty.
requirements:
  - C(gateway-finder) on the managed host, run as a user that may bind UDP port 31337.
'''

EXAMPLES = r'''
- name: Search the site's segment
  gatewayfinder.sites.gateways_info:
    wait: 3000
  register: found

- name: Name the gateways that still have their factory address
  ansible.builtin.debug:
    msg: "{{ found.gateways | selectattr('ip', 'eq', '192.168.0.100') | map(attribute='mac') | list }}"

- name: Stop when two gateways share an address
  ansible.builtin.assert:
    that: found.gateways | selectattr('conflict') | list | length == 0
'''

RETURN = r'''
gateways:
  description: The gateways that answered, sorted by MAC address.
  returned: success
  type: list
  elements: dict
  contains:
    mac:
      description: MAC address, upper case with colons.
      type: str
      sample: "00:1A:2B:3C:4D:5E"
    name:
      description: Host name, exactly as the gateway reports it.
      type: str
      sample: lager-1
    ip:
      description: IP address.
      type: str
      sample: 192.168.0.20
    mask:
      description: Subnet mask.
      type: str
      sample: 255.255.255.0
    gateway:
      description: Default gateway.
      type: str
      sample: 192.168.0.1
    dns:
      description: Name server.
      type: str
      sample: 192.168.0.1
    dhcp:
      description: Whether the gateway takes its addresses from a DHCP server.
      type: bool
      sample: false
    interface:
      description: The managed host's network interface the gateway answered on.
      type: str
      sample: eth0
    conflict:
      description: Whether another listed gateway, or the managed host, has the same IP address.
      type: bool
      sample: false
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.gatewayfinder.sites.plugins.module_utils.gateway_finder import (
    COMMON_ARGS, NO_ANSWER, report, run, warn_all)


def main():
    module = AnsibleModule(argument_spec=dict(COMMON_ARGS, interface=dict(type='str')),
                           supports_check_mode=True)
    rc, out, err_lines = run(module, ['list', '--format', 'json'])
    gateways = report(module, rc, out, err_lines)
    if rc not in (0, NO_ANSWER):
        module.fail_json(msg='\n'.join(err_lines), rc=rc, stderr_lines=err_lines)
    # An empty list says that no gateway answered; other lines are warnings.
    warn_all(module, [line for line in err_lines if not line.endswith('no gateway answered')])
    interface = module.params['interface']
    if interface is not None:
        gateways = [g for g in gateways if g.get('interface') == interface]
    module.exit_json(changed=False, gateways=gateways)


if __name__ == '__main__':
    main()
