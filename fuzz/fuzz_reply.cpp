// Datagrams on the gateway port as the window reads them: the length and kind checks, the reply
// parser and the merge into the record list. The input is taken whole as one datagram, and then
// again as a stream of datagrams, each with a two-byte little-endian length in front.
#include "fuzzcheck.h"
#include "protocol/gatewayframe.h"
#include "protocol/recordmerge.h"

#include <cstdint>
#include <set>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 65507) // the largest UDP payload over IPv4
        return -1;
    QList<GatewayRecord *> records;
    std::set<QString> macs;
    const auto read = [&](const uint8_t *at, size_t length) {
        const QByteArray datagram(reinterpret_cast<const char *>(at), qsizetype(length));
        // The window ends its pass at a 60-byte frame of another kind; the datagrams behind it are
        // read in the next pass, so over all passes such a frame is simply skipped.
        if (!GatewayFrame::isReply(datagram))
            return;
        const GatewayRecord r = GatewayFrame::parseReply(datagram);
        macs.insert(r.mac);
        const qsizetype index = mergeGatewayRecord(records, r);
        require(index >= 0 && index < records.size() && *records.at(index) == r,
                "the merged values are in the list at the index returned");
        require(size_t(records.size()) == macs.size(), "one record per MAC");
        for (qsizetype i = 1; i < records.size(); ++i)
            require(records.at(i - 1)->mac < records.at(i)->mac, "records are strictly ascending by MAC");
    };
    read(data, size);
    for (size_t at = 0, length = 0; at + 2 <= size; at += 2 + length)
        read(data + at + 2, length = std::min<size_t>(data[at] | (size_t(data[at + 1]) << 8), size - at - 2));
    qDeleteAll(records);
    return 0;
}
