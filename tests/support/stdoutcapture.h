#pragma once

#include <QByteArray>

#include <functional>

// Runs call with the process's standard output sent to a temporary file and returns what it wrote.
QByteArray captureStdout(const std::function<void()> &call);
