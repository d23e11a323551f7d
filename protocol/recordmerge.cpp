#include "recordmerge.h"

#include <algorithm>

qsizetype mergeGatewayRecord(QList<GatewayRecord *> &records, const GatewayRecord &values,
                             qsizetype maxRecords, GatewayRecord *replaced)
{
    // The list is sorted and unique, so the first record not less than the MAC is either that
    // gateway or the place where it belongs.
    const auto it = std::lower_bound(
        records.begin(), records.end(), values.mac,
        [](const GatewayRecord *r, const QString &mac) { return QString::compare(r->mac, mac) < 0; });
    const qsizetype index = it - records.begin();
    if (it != records.end() && (*it)->mac == values.mac) {
        if (replaced)
            *replaced = **it;
        **it = values;
    } else if (maxRecords >= 0 && records.size() >= maxRecords)
        return -1;
    else
        records.insert(index, new GatewayRecord(values));
    return index;
}
