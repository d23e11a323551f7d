// The text rules on arbitrary text: address text to bytes, MAC text to bytes and the host-name
// rule. The first input byte chooses how the rest becomes text (Latin-1, UTF-8 or UTF-16). The
// output buffers are exactly as large as the functions may write, on the heap, so that
// AddressSanitizer catches a write past them.
#include "fuzzcheck.h"
#include "protocol/addresstext.h"
#include "protocol/hostname.h"

#include <QStringList>

#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto *bytes = reinterpret_cast<const char *>(data + 1);
    const qsizetype length = size ? qsizetype(size - 1) : 0;
    const QString text = size == 0          ? QString()
                         : data[0] % 3 == 0 ? QString::fromLatin1(bytes, length)
                         : data[0] % 3 == 1 ? QString::fromUtf8(bytes, length)
                                            : QString(reinterpret_cast<const QChar *>(bytes), length / 2);

    const std::unique_ptr<unsigned char[]> out(new unsigned char[4]), mac(new unsigned char[6]);
    if (ipTextToBytes(text, out.get())) {
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
    macTextToBytes(text, mac.get());

    QStringList trace;
    const bool valid = isValidHostName(text, &trace);
    require(valid == isValidHostName(text), "the trace does not change the answer");
    require(!valid || (text.size() >= 1 && text.size() <= 15), "a valid host name has 1 to 15 characters");
    for (const QString &label : valid ? text.split(QLatin1Char('.')) : QStringList()) {
        require(!label.isEmpty() && !label.startsWith(QLatin1Char('-')) && !label.endsWith(QLatin1Char('-')),
                "a valid host name has no empty label and none that begins or ends with '-'");
    }
    return 0;
}
