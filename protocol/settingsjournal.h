#pragma once

#include "gatewayrecord.h"

#include <QList>
#include <QString>

// Where a session puts the settings it sends on record before they leave. A session with a journal
// sends nothing that it could not record.
class SettingsJournal
{
public:
    struct Intent
    {
        GatewayRecord before; // as the gateway reported itself
        GatewayRecord sent;
        QString interfaceName;
    };

    virtual ~SettingsJournal() = default;

    // Appends the intents and flushes them to disk; false when that failed (error() says why), and
    // then none of them may be sent.
    virtual bool recordIntents(const QList<Intent> &intents) = 0;
    virtual QString error() const = 0;
};
