#include "changejournal.h"

#include "i18n/localisation.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSysInfo>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Closes a descriptor (and with it a lock taken on it) when it goes out of scope.
struct Descriptor
{
    int fd = -1;
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
};

bool lockWithin(int fd, int operation, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (::flock(fd, operation | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (clock.elapsed() >= timeoutMs) {
            errno = EWOULDBLOCK;
            return false;
        }
        QThread::msleep(5);
    }
    return true;
}

QString loginName()
{
    if (const passwd *entry = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(entry->pw_name);
    return qEnvironmentVariable("USER");
}

bool writeWhole(int fd, const QByteArray &data)
{
    // One write() per record: the lock keeps other writers out, O_APPEND puts it at the end.
    const ssize_t written = ::write(fd, data.constData(), size_t(data.size()));
    if (written == data.size())
        return true;
    if (written >= 0)
        errno = ENOSPC;
    return false;
}

} // namespace

ChangeJournal::ChangeJournal(const QString &fileOption, qint64 maxBytes)
    : filePath(fileOption.isEmpty() ? defaultPath() : fileOption), maxBytes(maxBytes),
      makeFolder(fileOption.isEmpty() && qEnvironmentVariableIsEmpty(EnvironmentVariable)), user(loginName()),
      host(QSysInfo::machineHostName())
{}

QString ChangeJournal::defaultPath()
{
    const QString given = qEnvironmentVariable(EnvironmentVariable);
    if (!given.isEmpty())
        return given;
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/gateway-finder/changes.jsonl");
}

QString ChangeJournal::startRun(const QString &runSource)
{
    source = runSource;
    id = QString::number(QRandomGenerator::system()->generate(), 16).rightJustified(8, QLatin1Char('0'));
    intents.clear();
    return id;
}

JournalRecord ChangeJournal::started(JournalRecord::Kind kind, const QString &mac,
                                     const QString &interfaceName) const
{
    JournalRecord r;
    r.kind = kind;
    r.time = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    r.id = id;
    r.source = source;
    r.user = user;
    r.host = host;
    r.version = QString::fromLatin1(Localisation::Version);
    r.interfaceName = interfaceName;
    r.mac = mac;
    return r;
}

bool ChangeJournal::recordIntents(const QList<Intent> &toRecord)
{
    if (id.isEmpty())
        startRun(source);
    QList<QByteArray> lines;
    for (const Intent &intent : toRecord) {
        JournalRecord r = started(JournalRecord::Intent, intent.sent.mac, intent.interfaceName);
        r.before = intent.before;
        r.sent = intent.sent;
        lines.append(r.toLine());
    }
    if (!append(lines))
        return false;
    for (const Intent &intent : toRecord)
        intents.insert(intent.sent.mac, intent.interfaceName);
    return true;
}

bool ChangeJournal::recordOutcomes(const QList<Outcome> &outcomes)
{
    QList<QByteArray> lines;
    for (const Outcome &o : outcomes) {
        const auto intent = intents.constFind(o.mac);
        if (intent == intents.cend())
            continue;
        JournalRecord r = started(JournalRecord::Outcome, o.mac, *intent);
        r.outcome = o.outcome;
        r.hasReported = o.reported != nullptr;
        if (o.reported)
            r.reported = *o.reported;
        lines.append(r.toLine());
    }
    return lines.isEmpty() || append(lines);
}

bool ChangeJournal::fail(const QString &why)
{
    fault = why;
    return false;
}

bool ChangeJournal::append(const QList<QByteArray> &lines)
{
    fault.clear();
    const QFileInfo info(filePath);
    if (makeFolder && !QDir().mkpath(info.absolutePath()))
        return fail(QStringLiteral("cannot make the folder %1").arg(info.absolutePath()));
    const QByteArray path = QFile::encodeName(filePath);
    const QByteArray lockPath = path + ".lock";
    const Descriptor lock(::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (lock.fd < 0)
        return fail(QStringLiteral("%1: %2").arg(QFile::decodeName(lockPath), systemError()));
    if (!lockWithin(lock.fd, LOCK_EX, LockTimeoutMs))
        return fail(errno == EWOULDBLOCK
                        ? QStringLiteral("%1 is locked by another writer for more than %2 s")
                              .arg(QFile::decodeName(lockPath))
                              .arg(LockTimeoutMs / 1000)
                        : QStringLiteral("%1: %2").arg(QFile::decodeName(lockPath), systemError()));

    qsizetype total = 0;
    for (const QByteArray &line : lines)
        total += line.size();
    auto open = [&path] { return ::open(path.constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666); };
    auto file = std::make_unique<Descriptor>(open());
    struct stat status;
    if (file->fd < 0 || ::fstat(file->fd, &status) != 0)
        return fail(QStringLiteral("%1: %2").arg(filePath, systemError()));
    qint64 size = status.st_size;
    if (size > 0 && size + total > maxBytes) {
        // Under the lock no other writer holds the file open: the newest records begin a new one.
        if (::rename(path.constData(), (path + ".1").constData()) != 0)
            return fail(QStringLiteral("%1: cannot rotate: %2").arg(filePath, systemError()));
        file = std::make_unique<Descriptor>(open());
        if (file->fd < 0)
            return fail(QStringLiteral("%1: %2").arg(filePath, systemError()));
        size = 0;
    }
    // A write cut short (a crash, a full disk) left a line without its end: ours begins a new one.
    char last = '\n';
    if (size > 0 && ::pread(file->fd, &last, 1, size - 1) != 1)
        return fail(QStringLiteral("%1: %2").arg(filePath, systemError()));
    // Records that fail to go on record whole (a full disk) are taken back: their frames are not sent.
    auto failWriting = [&] {
        const QString why = QStringLiteral("%1: %2").arg(filePath, systemError());
        (void)::ftruncate(file->fd, size);
        return fail(why);
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray &line = i == 0 && last != '\n' ? '\n' + lines.at(i) : lines.at(i);
        if (!writeWhole(file->fd, line))
            return failWriting();
    }
    if (::fdatasync(file->fd) != 0)
        return failWriting();
    // A file that was new (first record, or just rotated) survives a power loss only once its
    // folder entry is on disk too. Best effort: some shared file systems cannot sync a folder.
    if (size == 0) {
        const Descriptor folder(::open(QFile::encodeName(QFileInfo(filePath).absolutePath()).constData(),
                                       O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder.fd >= 0)
            (void)::fsync(folder.fd);
    }
    return true;
}

ChangeJournal::Contents ChangeJournal::read() const
{
    Contents contents;
    (void)read([&contents](JournalRecord &&record) { contents.records.append(std::move(record)); },
               &contents.warnings, &contents.error);
    return contents;
}

bool ChangeJournal::read(const std::function<void(JournalRecord &&)> &visit, QStringList *warnings,
                         QString *error) const
{
    const QByteArray lockPath = QFile::encodeName(filePath) + ".lock";
    const Descriptor lock(::open(lockPath.constData(), O_RDONLY | O_CLOEXEC));
    if (lock.fd >= 0)
        (void)lockWithin(lock.fd, LOCK_SH, LockTimeoutMs); // a reader goes on without it
    for (const QString &name : {filePath + QStringLiteral(".1"), filePath}) {
        QFile file(name);
        if (!file.exists())
            continue;
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("%1: %2").arg(name, file.errorString());
            return false;
        }
        const QByteArray data = file.readAll();
        qsizetype start = 0;
        for (int lineNumber = 1; start < data.size(); ++lineNumber) {
            qsizetype end = data.indexOf('\n', start);
            if (end < 0)
                end = data.size();
            const QByteArray line = QByteArray::fromRawData(data.constData() + start, end - start);
            start = end + 1;
            JournalRecord record;
            if (JournalRecord::fromLine(line, &record))
                visit(std::move(record));
            else if (!line.trimmed().isEmpty())
                warnings->append(
                    QStringLiteral("%1 line %2: damaged record skipped").arg(name).arg(lineNumber));
        }
    }
    return true;
}
