#pragma once

#include <QString>
#include <QStringList>

// The private network namespaces that scripts/netns-run makes for a test.
namespace NetnsTest {

// Ends the process with a message unless it runs in a private network namespace made by
// scripts/netns-run. Every test that binds a port or sends a datagram calls it first.
void requirePrivateNetwork();

QStringList gatewayNamespaces();
QString finderAddress();

// The top of the build tree, where gateway-finder and gateway-sim are.
QString buildDir();

} // namespace NetnsTest
