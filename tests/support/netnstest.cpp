#include "netnstest.h"

#include "netnsguard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

namespace NetnsTest {

namespace {

QStringList listFromEnvironment(const char *name)
{
    return qEnvironmentVariable(name).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

void requirePrivateNetwork()
{
    const char *problem = nullptr;
    if (NetnsGuard::inMachineNetwork())
        problem = "this process may share the machine's network namespace";
    else if (qEnvironmentVariableIsEmpty("GF_NETNS_FINDER"))
        problem = "GF_NETNS_FINDER is not set";
    else if (!NetnsGuard::inNamedNamespace(qEnvironmentVariable("GF_NETNS_FINDER")))
        problem = "this process does not run in the namespace GF_NETNS_FINDER names";
    if (!problem)
        return;
    std::fprintf(stderr,
                 "FATAL: %s. This test binds ports and broadcasts, so it must run inside the private "
                 "network namespaces of scripts/netns-run (ctest does that; by hand: "
                 "scripts/netns-run --gateways N -- <test binary>).\n",
                 problem);
    std::fflush(stderr);
    std::abort();
}

QStringList gatewayNamespaces()
{
    return listFromEnvironment("GF_NETNS_GATEWAYS");
}

QStringList gatewayAddresses()
{
    return listFromEnvironment("GF_NETNS_GATEWAY_ADDRS");
}

QString finderAddress()
{
    return qEnvironmentVariable("GF_NETNS_FINDER_ADDR");
}

QString buildDir()
{
    const QString fromCTest = qEnvironmentVariable("FINDER_BUILD_DIR");
    if (!fromCTest.isEmpty())
        return fromCTest;
    const QDir binDir(QCoreApplication::applicationDirPath());
    const QString parent = QDir::cleanPath(binDir.filePath(QStringLiteral("..")));
    if (QFileInfo::exists(parent + QStringLiteral("/gateway-sim")))
        return parent;
    return binDir.path();
}

} // namespace NetnsTest
