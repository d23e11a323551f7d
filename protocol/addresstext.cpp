#include "addresstext.h"

#include <QStringList>

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
            QString digits = parts.at(i).trimmed();
            if (digits.startsWith(QLatin1Char('+')) || digits.startsWith(QLatin1Char('-')))
                digits.remove(0, 1);
            bool allDigits = !digits.isEmpty();
            for (QChar c : std::as_const(digits))
                allDigits = allDigits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
            if (allDigits)
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
    return QString::asprintf("%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
}
