// Datagrams on the gateway port as the window reads them: the length and kind checks, the reply
// parser and the merge into the record list. The input is taken whole as one datagram, and then
// again as a stream of datagrams, each with a two-byte little-endian length in front.
#include "protocol/addresstext.h"
#include "protocol/gatewayframe.h"
#include "protocol/recordmerge.h"

#include <QByteArray>
#include <QList>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>

namespace {

constexpr size_t MaxDatagram = 65507; // the largest UDP payload over IPv4

void require(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

bool isMacText(const QString &mac)
{
    if (mac.size() != 17)
        return false;
    for (int i = 0; i < 17; ++i) {
        const QChar c = mac.at(i);
        const bool hexDigit = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                              (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
        if (i % 3 == 2 ? c != QLatin1Char(':') : !hexDigit)
            return false;
    }
    return true;
}

void checkAddress(const QString &text, const QByteArray &frame, int offset, const char *what)
{
    // Exactly four bytes on the heap, so that a write past them is caught.
    const std::unique_ptr<unsigned char[]> bytes(new unsigned char[4]);
    require(ipTextToBytes(text, bytes.get()), what);
    require(std::memcmp(bytes.get(), frame.constData() + offset, 4) == 0, what);
}

void checkParsedReply(const QByteArray &frame, const GatewayRecord &r)
{
    require(isMacText(r.mac), "a reply's MAC is 17 characters of upper-case hex pairs and colons");
    const std::unique_ptr<unsigned char[]> mac(new unsigned char[6]);
    macTextToBytes(r.mac, mac.get());
    require(std::memcmp(mac.get(), frame.constData() + GatewayFrame::SourceMacOffset, 6) == 0,
            "the MAC text converts back to bytes 7 to 12");

    checkAddress(r.ip, frame, GatewayFrame::IpOffset, "the IP text converts back to bytes 14 to 17");
    checkAddress(r.subnet, frame, GatewayFrame::SubnetOffset, "the subnet text converts back");
    checkAddress(r.gateway, frame, GatewayFrame::GatewayOffset, "the gateway text converts back");
    checkAddress(r.nameserver, frame, GatewayFrame::NameserverOffset, "the name server text converts back");

    require(r.gatewayName.size() <= GatewayFrame::NameField, "a host name has at most 30 characters");
    require(!r.gatewayName.contains(QChar(0)), "a host name ends at the first zero byte");
    require(r.gatewayName.toLatin1() == frame.mid(GatewayFrame::NameOffset, r.gatewayName.size()),
            "the host name is the Latin-1 text at offset 30");
    require(r.dhcp == (frame.at(GatewayFrame::DhcpOffset) != 0), "DHCP is byte 13 not being 0");
    require(r.number == 0, "discovery records carry number 0");

    // Sending these values back must give the same bytes 14 to 29 and the host name cut to 28.
    const QByteArray request = GatewayFrame::settingsRequest(r);
    require(request.size() == GatewayFrame::Size && request.at(0) == GatewayFrame::KindSettings,
            "a settings request is a 60-byte frame of kind 0x02");
    require(request.mid(GatewayFrame::TargetMacOffset, 6) == frame.mid(GatewayFrame::SourceMacOffset, 6),
            "the settings request names the replying gateway");
    require(request.mid(GatewayFrame::IpOffset, 16) == frame.mid(GatewayFrame::IpOffset, 16),
            "the settings request carries the four addresses unchanged");
    const QByteArray sentName = r.gatewayName.left(GatewayFrame::MaxSentNameLength).toLatin1();
    require(request.mid(GatewayFrame::NameOffset, sentName.size()) == sentName &&
                request.at(GatewayFrame::NameOffset + sentName.size()) == 0 && request.at(59) == 0,
            "the settings request carries the host name cut to 28 characters and zero-terminated");
}

class Reader
{
public:
    ~Reader() { qDeleteAll(records); }

    void read(const QByteArray &datagram)
    {
        if (datagram.size() != GatewayFrame::Size)
            return;
        // The window ends its pass at any other kind; the datagrams behind it are read in the next
        // pass, so over all passes such a frame is simply skipped.
        if (!GatewayFrame::isReply(datagram))
            return;
        const GatewayRecord r = GatewayFrame::parseReply(datagram);
        checkParsedReply(datagram, r);
        const qsizetype index = mergeGatewayRecord(records, r);
        macs.insert(r.mac);
        require(index >= 0 && index < records.size() && *records.at(index) == r,
                "the merged values are in the list at the index returned");
        checkList();
    }

private:
    void checkList() const
    {
        require(size_t(records.size()) == macs.size(), "one record per MAC");
        for (qsizetype i = 1; i < records.size(); ++i)
            require(QString::compare(records.at(i - 1)->mac, records.at(i)->mac) < 0,
                    "records are strictly ascending by MAC");
    }

    QList<GatewayRecord *> records;
    std::set<QString> macs;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > MaxDatagram)
        return -1;
    Reader reader;
    reader.read(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));

    size_t at = 0;
    while (at + 2 <= size) {
        const size_t length = std::min<size_t>(data[at] | (size_t(data[at + 1]) << 8), size - at - 2);
        reader.read(QByteArray(reinterpret_cast<const char *>(data + at + 2), qsizetype(length)));
        at += 2 + length;
    }
    return 0;
}
