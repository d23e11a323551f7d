#include "addresstext.h"

#include <QStringList>

#include <algorithm>

bool ipTextToBytes(const QString &text, unsigned char out[4])
{
    if (text.count(QLatin1Char('.')) != 3)
        return false;
    const QStringList parts = text.split(QLatin1Char('.'));
    for (int i = 0; i < 4; ++i) {
        const QString &part = parts.at(i);
        // Digits only: a letter, a sign or a space is a typo, not a 0 that would send another address.
        const bool digits = std::all_of(part.cbegin(), part.cend(), [](QChar c) {
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        });
        if (!digits)
            return false;
        bool ok = part.isEmpty();
        const int value = ok ? 0 : part.toInt(&ok);
        if (!ok || value > 255) // toInt refuses only a number too large for an int here
            return false;
        out[i] = static_cast<unsigned char>(value);
    }
    return true;
}

QString canonicalIpText(const QString &text)
{
    unsigned char b[4] = {};
    if (!ipTextToBytes(text, b))
        return QString();
    return QStringLiteral("%1.%2.%3.%4").arg(b[0]).arg(b[1]).arg(b[2]).arg(b[3]);
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
