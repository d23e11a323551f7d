// The text rules on arbitrary text: address text to bytes, MAC text to bytes and the host-name
// rule. The first input byte chooses how the rest becomes text (Latin-1, UTF-8 or UTF-16).
#include "protocol/addresstext.h"
#include "protocol/hostname.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr unsigned char Untouched = 0xA5;

void require(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

QString textFrom(const uint8_t *data, size_t size)
{
    if (size == 0)
        return {};
    const auto *bytes = reinterpret_cast<const char *>(data + 1);
    const auto length = qsizetype(size - 1);
    switch (data[0] % 3) {
    case 0:
        return QString::fromLatin1(bytes, length);
    case 1:
        return QString::fromUtf8(bytes, length);
    default:
        return QString(reinterpret_cast<const QChar *>(bytes), length / 2);
    }
}

bool isAsciiSpace(QChar c)
{
    return c == QLatin1Char(' ') || (c >= QLatin1Char('\t') && c <= QLatin1Char('\r'));
}

// A part that is plainly a decimal number (ASCII white space around, an optional sign, ASCII
// digits) and its value, worked out without any integer that could overflow.
struct PlainNumber
{
    bool plain = false;
    bool negative = false;
    QString digits; // without leading zeros
};

PlainNumber plainNumber(const QString &part)
{
    qsizetype from = 0, to = part.size();
    while (from < to && isAsciiSpace(part.at(from)))
        ++from;
    while (to > from && isAsciiSpace(part.at(to - 1)))
        --to;
    PlainNumber n;
    if (from < to && (part.at(from) == QLatin1Char('+') || part.at(from) == QLatin1Char('-')))
        n.negative = part.at(from++) == QLatin1Char('-');
    if (from == to)
        return n;
    for (qsizetype i = from; i < to; ++i) {
        if (part.at(i) < QLatin1Char('0') || part.at(i) > QLatin1Char('9'))
            return n;
    }
    n.plain = true;
    n.digits = part.mid(from, to - from);
    while (n.digits.size() > 1 && n.digits.startsWith(QLatin1Char('0')))
        n.digits.remove(0, 1);
    return n;
}

// -1 when the part is a plain number outside 0..255, its value when inside, -2 when not plain.
int plainByte(const QString &part)
{
    const PlainNumber n = plainNumber(part);
    if (!n.plain)
        return -2;
    if (n.digits == QLatin1String("0"))
        return 0;
    if (n.negative || n.digits.size() > 3 || n.digits.toInt() > 255)
        return -1;
    return n.digits.toInt();
}

void checkIpText(const QString &text)
{
    // Exactly four bytes on the heap, so that a write past them is caught.
    const std::unique_ptr<unsigned char[]> out(new unsigned char[4]);
    std::memset(out.get(), Untouched, 4);
    const bool ok = ipTextToBytes(text, out.get());
    if (text.count(QLatin1Char('.')) != 3) {
        require(!ok, "an address needs exactly three dots");
        for (int i = 0; i < 4; ++i)
            require(out[i] == Untouched, "a text without three dots writes nothing");
        return;
    }
    const QStringList parts = text.split(QLatin1Char('.'));
    require(parts.size() == 4, "three dots make four parts");
    for (int i = 0; i < 4; ++i) {
        // A part reads the way QString::toInt reads it (which stops at a zero character); one it
        // refuses counts as 0 unless it is a plain number too large for an int, which is out of
        // range like any other large number.
        bool readable = false;
        const int value = parts.at(i).toInt(&readable);
        const int plain = readable ? value : plainByte(parts.at(i).section(QChar(0), 0, 0));
        const bool inRange = readable ? (value >= 0 && value <= 255) : plain != -1;
        const int expected = readable ? value : qMax(plain, 0);
        if (!inRange) {
            // The parts before the bad one stay written; it and the parts after it do not.
            require(!ok, "a part outside 0..255 rejects the address");
            for (int j = i; j < 4; ++j)
                require(out[j] == Untouched, "nothing is written from the bad part on");
            return;
        }
        require(out[i] == expected, "each part is written as its value, 0 when it is no number");
    }
    require(ok, "four parts in 0..255 make a valid address");
}

void checkMacText(const QString &text, const uint8_t *data, size_t size)
{
    const std::unique_ptr<unsigned char[]> out(new unsigned char[6]);
    macTextToBytes(text, out.get());
    for (int i = 0; i < 6; ++i) {
        bool readable = false;
        const int value = text.mid(3 * i, 2).toInt(&readable, 16);
        require(out[i] == static_cast<unsigned char>(readable ? value : 0), "each pair reads as hexadecimal");
    }

    unsigned char mac[6] = {};
    std::memcpy(mac, data, std::min<size_t>(size, 6));
    const QString formatted = macBytesToText(mac);
    require(formatted.size() == 17, "a MAC text has 17 characters");
    macTextToBytes(formatted.toLower(), out.get());
    require(std::memcmp(out.get(), mac, 6) == 0, "a MAC text converts back to its bytes, in either case");
}

bool badEdge(const QString &text, QChar c)
{
    return text.startsWith(c) || text.endsWith(c);
}

void checkHostName(const QString &name)
{
    QStringList trace;
    const bool valid = isValidHostName(name, &trace);
    require(valid == isValidHostName(name), "the trace does not change the answer");

    const QStringList labels = name.split(QLatin1Char('.'));
    bool expected = !name.isEmpty() && name.size() <= 15;
    for (const QString &label : labels)
        expected = expected && !label.isEmpty() && !badEdge(label, QLatin1Char('-'));
    require(valid == expected,
            "valid exactly with 1 to 15 characters and no label that is empty or begins or ends with '-'");

    const bool examined = !name.isEmpty() && name.size() <= 15 && !badEdge(name, QLatin1Char('.')) &&
                          !badEdge(name, QLatin1Char('-'));
    if (!examined) {
        require(trace.isEmpty(), "a name refused as a whole traces no label");
        return;
    }
    require(!trace.isEmpty() && trace.size() <= labels.size(), "one trace line per label examined");
    if (valid)
        require(trace.size() == labels.size() && trace.last().startsWith(QLatin1String("-1: ")),
                "a valid name traces every label, the last with -1");
    for (int i = 0; i < trace.size(); ++i)
        require(trace.at(i).endsWith(QLatin1String(": ") + labels.at(i)),
                "each trace line ends with its label");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = textFrom(data, size);
    checkIpText(text);
    checkMacText(text, data, size);
    checkHostName(text);
    return 0;
}
