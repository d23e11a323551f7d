#include "stdoutcapture.h"

#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

QByteArray captureStdout(const std::function<void()> &call)
{
    QTemporaryFile file;
    if (!file.open())
        return "(no temporary file)";
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    dup2(file.handle(), STDOUT_FILENO);
    call();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    file.seek(0);
    return file.readAll();
}
