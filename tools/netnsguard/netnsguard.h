#pragma once

#include <QString>

// Tells the machine's own network namespace from the private ones that scripts/netns-run makes,
// so that tools and tests that broadcast never do it on the real network.
namespace NetnsGuard {

// True when this process shares PID 1's network namespace. Where PID 1's namespace cannot be
// read (a container without ptrace rights over it), only the named namespaces of ip netns count
// as private.
bool inMachineNetwork();

// True when this process runs in the namespace that ip netns knows by this name.
bool inNamedNamespace(const QString &name);

} // namespace NetnsGuard
