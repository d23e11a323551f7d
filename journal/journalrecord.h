#pragma once

#include "protocol/gatewayrecord.h"

#include <QByteArray>
#include <QString>

// One line of the change journal, a JSON object. An intent is written before a gateway's settings
// leave, with the values it reported and those sent; the outcome follows under the same id and
// MAC, with the values it reported at the verifying search when there was one.
struct JournalRecord
{
    enum Kind { Intent, Outcome };

    Kind kind = Intent;
    QString time;   // UTC, ISO 8601 with milliseconds: "2026-12-08T10:52:32.123Z"
    QString id;     // shared by every record of one run, or one change in the window
    QString source; // "window", "set", "apply FILE", "undo ID"
    QString user;
    QString host;
    QString version;
    QString interfaceName;
    QString mac;
    GatewayRecord before; // intent: as the gateway reported itself
    GatewayRecord sent;   // intent
    QString outcome;      // outcome: applied, not-confirmed, mismatch, send-failed, ...
    bool hasReported = false;
    GatewayRecord reported; // outcome, when hasReported

    // The object as one line of compact JSON with its newline.
    QByteArray toLine() const;
    // False for a line that is not such an object (bad JSON, a cut write, a key missing).
    static bool fromLine(const QByteArray &line, JournalRecord *out);
};
