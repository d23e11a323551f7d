# Runs gateway-finder on the managed host and reads its JSON report. The modules never speak the
# gateways' protocol themselves: the command line does, with its own checks and exit codes.
from __future__ import absolute_import, division, print_function
__metaclass__ = type

import json
import os

# Options both modules take.
COMMON_ARGS = dict(
    executable=dict(type='str', default='gateway-finder'),
    wait=dict(type='int'),
)

# Exit code of gateway-finder when no gateway answered (list) or a planned one did not (apply).
NO_ANSWER = 1


def executable(module):
    """The gateway-finder to run: a path as given, or a name looked up in PATH."""
    name = module.params['executable']
    if os.sep not in name:
        return module.get_bin_path(name, required=True)
    path = os.path.abspath(os.path.expanduser(name))
    if not os.access(path, os.X_OK) or os.path.isdir(path):
        module.fail_json(msg='%s is not an executable file' % path)
    return path


def run(module, args, environ=None, aliases=None):
    """Runs gateway-finder with args (after the command name); returns rc, stdout, stderr lines.
    aliases replaces texts in those lines, such as the name of a temporary file."""
    command = [executable(module)] + args
    if module.params['wait'] is not None:
        command += ['--wait', str(module.params['wait'])]
    rc, out, err = module.run_command(command, environ_update=environ or {})
    lines = [line for line in err.splitlines() if line.strip()]
    for old, new in (aliases or {}).items():
        lines = [line.replace(old, new) for line in lines]
    return rc, out, lines


def report(module, rc, out, err_lines):
    """The JSON array gateway-finder printed; without one the task fails with its error lines."""
    try:
        parsed = json.loads(out) if out.strip() else None
    except ValueError:
        parsed = None
    if not isinstance(parsed, list):
        # A refused plan, a port held by another program, a usage error: the lines say why.
        module.fail_json(msg='\n'.join(err_lines) or 'gateway-finder exited with %d and no report' % rc,
                         rc=rc, stdout=out, stderr_lines=err_lines)
    return parsed


def warn_all(module, err_lines):
    """Passes gateway-finder's warnings on to the play."""
    for line in err_lines:
        module.warn(line)
