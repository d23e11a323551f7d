#pragma once

#include "gatewayrecord.h"

#include <QList>

// Puts values into records, which are kept ascending by MAC text (QString::compare) and unique:
// a record with the same MAC is overwritten in place, otherwise a new one is inserted where it
// belongs. The list owns the records. Returns the index of the record. O(log n) to find the place.
// A new MAC is dropped, and -1 returned, while the list already holds maxRecords records.
// When replaced is given, it receives the values an overwritten record held, else stays as it is.
qsizetype mergeGatewayRecord(QList<GatewayRecord *> &records, const GatewayRecord &values,
                             qsizetype maxRecords = -1, GatewayRecord *replaced = nullptr);
