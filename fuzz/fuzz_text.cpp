// The text rules on arbitrary text: address text to bytes, MAC text to bytes and the host-name
// rule. The first input byte chooses how the rest becomes text (Latin-1, UTF-8 or UTF-16). The
// output buffers are exactly as large as the functions may write, so that AddressSanitizer catches
// a write past them.
#include "fuzzcheck.h"
#include "protocol/addresstext.h"
#include "protocol/hostname.h"

#include <QRegularExpression>
#include <QStringList>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).mid(1);
    const QString text = size == 0 || data[0] % 3 == 0 ? QString::fromLatin1(bytes)
                         : data[0] % 3 == 1
                             ? QString::fromUtf8(bytes)
                             : QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2);
    unsigned char out[4], mac[6];
    if (ipTextToBytes(text, out)) {
        const QStringList parts = text.split(u'.');
        require(parts.size() == 4, "an accepted address has exactly three dots");
        for (int i = 0; i < 4; ++i) // an empty part gives 0, as toInt does
            require(out[i] == parts.at(i).toInt() && !parts.at(i).contains(QRegularExpression("[^0-9]")),
                    "an accepted address has its parts, digits only, as its bytes");
    }
    macTextToBytes(text, mac);

    QStringList trace;
    const bool valid = isValidHostName(text, &trace);
    require(valid == isValidHostName(text), "the trace does not change the answer");
    require(!valid || text.size() <= 15, "a valid host name has at most 15 characters");
    for (const QString &label : valid ? text.split(u'.') : QStringList())
        require(!label.isEmpty() && !label.startsWith(u'-') && !label.endsWith(u'-'),
                "a valid host name has no empty label and none that begins or ends with '-'");
    return 0;
}
