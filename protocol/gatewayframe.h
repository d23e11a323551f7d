#pragma once

#include "gatewayrecord.h"

#include <QByteArray>

// The one 60-byte datagram of the gateway protocol: discovery request, settings request and
// reply. Single bytes only; addresses as four bytes in dotted-text order.
namespace GatewayFrame {

inline constexpr quint16 Port = 31337;
inline constexpr int Size = 60;

inline constexpr char KindDiscovery = 0x01;
inline constexpr char KindSettings = 0x02;
inline constexpr char KindReply = char(0xF0);

inline constexpr int TargetMacOffset = 1; // settings request: the gateway to change
inline constexpr int SourceMacOffset = 7; // reply: the gateway that answers
inline constexpr int DhcpOffset = 13;
inline constexpr int IpOffset = 14;
inline constexpr int SubnetOffset = 18;
inline constexpr int GatewayOffset = 22;
inline constexpr int NameserverOffset = 26;
inline constexpr int NameOffset = 30;
inline constexpr int NameField = 30;
inline constexpr int MaxSentNameLength = 28;

QByteArray discoveryRequest();

// The host name as it goes on the wire: the first 28 characters as Latin-1, '?' for others.
QByteArray sentName(const QString &gatewayName);

// Settings request for the gateway values.mac. values.number is not sent.
QByteArray settingsRequest(const GatewayRecord &values);

// A 60-byte frame whose kind is a reply.
bool isReply(const QByteArray &datagram);

// The MAC text of a reply's bytes 7 to 12; of a request's bytes 1 to 6. Empty unless 60 bytes.
QString replyMac(const QByteArray &frame);
QString targetMac(const QByteArray &frame);

// Reply frame (60 bytes) to record; number is always 0. Any other size gives an empty record.
GatewayRecord parseReply(const QByteArray &frame);

} // namespace GatewayFrame
