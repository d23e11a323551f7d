#include "addresstext.h"

#include <QStringList>

namespace {

// True when toInt refused the part only because its number does not fit an int: the same text
// with its digits replaced by a single 0 reads. Anything else toInt refuses (letters, white space
// that toInt does not skip, an empty part) reads as 0.
bool tooLargeForInt(const QString &part)
{
    const auto isDigit = [&part](qsizetype i) {
        return part.at(i) >= QLatin1Char('0') && part.at(i) <= QLatin1Char('9');
    };
    qsizetype first = 0;
    while (first < part.size() && !isDigit(first))
        ++first;
    qsizetype end = first;
    while (end < part.size() && isDigit(end))
        ++end;
    if (first == end)
        return false;
    bool ok = false;
    (part.left(first) + QLatin1Char('0') + part.mid(end)).toInt(&ok);
    return ok;
}

} // namespace

bool ipTextToBytes(const QString &text, unsigned char out[4])
{
    if (text.count(QLatin1Char('.')) != 3)
        return false;
    const QStringList parts = text.split(QLatin1Char('.'));
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        int value = parts.at(i).toInt(&ok);
        if (!ok) {
            // A number too large for an int is out of range too, not a zero.
            if (tooLargeForInt(parts.at(i)))
                return false;
            value = 0;
        }
        if (value < 0 || value > 255)
            return false;
        out[i] = static_cast<unsigned char>(value);
    }
    return true;
}

void macTextToBytes(const QString &text, unsigned char out[6])
{
    for (int i = 0; i < 6; ++i)
        out[i] = static_cast<unsigned char>(text.mid(3 * i, 2).toInt(nullptr, 16));
}

QString macBytesToText(const unsigned char mac[6])
{
    static constexpr char hex[] = "0123456789ABCDEF";
    QString text(17, QLatin1Char(':'));
    for (int i = 0; i < 6; ++i) {
        text[3 * i] = QLatin1Char(hex[mac[i] >> 4]);
        text[3 * i + 1] = QLatin1Char(hex[mac[i] & 0xF]);
    }
    return text;
}
