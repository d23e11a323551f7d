#pragma once

#include <QString>
#include <QStringList>

// The host-name rule of a gateway: 1 to 15 characters, not beginning or ending with "." or "-",
// and no label (text between dots) that is empty or begins or ends with "-". Characters are not
// checked here; typing is limited by the editor.
//
// Every label examined is reported in trace as "<index of the next dot in the rest>: <label>",
// -1 for the last label; examination stops at the first bad label.
bool isValidHostName(const QString &name, QStringList *trace = nullptr);
