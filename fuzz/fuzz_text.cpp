// The text rules on arbitrary text: address text to bytes, MAC text to bytes and the host-name
// rule. The first input byte chooses how the rest becomes text (Latin-1, UTF-8 or UTF-16). The
// output buffers are exactly as large as the functions may write, on the heap, so that
// AddressSanitizer catches a write past them.
#include "fuzzcheck.h"
#include "protocol/addresstext.h"
#include "protocol/hostname.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

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

void checkIpText(const QString &text)
{
    const std::unique_ptr<unsigned char[]> out(new unsigned char[4]);
    if (!ipTextToBytes(text, out.get()))
        return;
    const QStringList parts = text.split(QLatin1Char('.'));
    require(parts.size() == 4, "an accepted address has exactly three dots");
    for (int i = 0; i < 4; ++i) {
        // A part that does not read as a number counts as 0.
        bool readable = false;
        const int value = parts.at(i).toInt(&readable);
        require(readable ? value >= 0 && value <= 255 && out[i] == value : out[i] == 0,
                "an accepted address has parts 0..255, written as its bytes");
    }
}

void checkHostName(const QString &name)
{
    QStringList trace;
    const bool valid = isValidHostName(name, &trace);
    require(valid == isValidHostName(name), "the trace does not change the answer");
    if (!valid)
        return;
    require(name.size() >= 1 && name.size() <= 15, "a valid host name has 1 to 15 characters");
    for (const QString &label : name.split(QLatin1Char('.'))) {
        require(!label.isEmpty() && !label.startsWith(QLatin1Char('-')) && !label.endsWith(QLatin1Char('-')),
                "a valid host name has no empty label and none that begins or ends with '-'");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = textFrom(data, size);
    checkIpText(text);
    const std::unique_ptr<unsigned char[]> mac(new unsigned char[6]);
    macTextToBytes(text, mac.get());
    checkHostName(text);
    return 0;
}
