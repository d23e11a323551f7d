#include "netnstest.h"

#include "netnsguard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace NetnsTest {

void requirePrivateNetwork()
{
    const QString finder = qEnvironmentVariable("GF_NETNS_FINDER");
    if (!NetnsGuard::inMachineNetwork() && !finder.isEmpty() && NetnsGuard::inNamedNamespace(finder))
        return;
    qFatal("This test binds ports and broadcasts, so it must run inside the private network namespaces of "
           "scripts/netns-run (ctest does that; by hand: scripts/netns-run --gateways N -- <test binary>).");
}

QStringList gatewayNamespaces()
{
    return qEnvironmentVariable("GF_NETNS_GATEWAYS").split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QString finderAddress()
{
    return qEnvironmentVariable("GF_NETNS_FINDER_ADDR");
}

QString buildDir()
{
    // Set by CTest; by hand, the tests' folder is one below the top.
    const QString parent = QCoreApplication::applicationDirPath() + QStringLiteral("/..");
    return qEnvironmentVariable("FINDER_BUILD_DIR", QFileInfo::exists(parent + "/gateway-sim")
                                                        ? QDir::cleanPath(parent)
                                                        : QCoreApplication::applicationDirPath());
}

} // namespace NetnsTest
