#include "netnsguard.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace NetnsGuard {

namespace {

const char *const OwnNamespace = "/proc/self/ns/net";
const QString NamedNamespaces = QStringLiteral("/run/netns");

bool sameNamespace(const char *a, const char *b)
{
    struct stat first = {};
    struct stat second = {};
    return stat(a, &first) == 0 && stat(b, &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

bool sameNamespace(const char *a, const QString &b)
{
    return sameNamespace(a, QFile::encodeName(b).constData());
}

} // namespace

bool inMachineNetwork()
{
    struct stat init = {};
    if (stat("/proc/1/ns/net", &init) == 0)
        return sameNamespace(OwnNamespace, "/proc/1/ns/net");
    const QStringList names = QDir(NamedNamespaces).entryList(QDir::Files | QDir::System);
    for (const QString &name : names) {
        if (inNamedNamespace(name))
            return false;
    }
    return true;
}

bool inNamedNamespace(const QString &name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')))
        return false;
    return sameNamespace(OwnNamespace, NamedNamespaces + QLatin1Char('/') + name);
}

} // namespace NetnsGuard
