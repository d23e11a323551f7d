#pragma once

#include <QString>

// Dotted-decimal text to four bytes. Exactly three dots; every part holds only the digits 0-9
// (an empty part counts as 0) and lies in 0..255. On a bad part the bytes of the parts before it
// stay written.
bool ipTextToBytes(const QString &text, unsigned char out[4]);

// The address as a gateway reports it ("10.1..5" is 10.1.0.5); empty when the text is no address
// by ipTextToBytes.
QString canonicalIpText(const QString &text);

// "AA:BB:CC:DD:EE:FF" to six bytes: the pairs at 0, 3, 6, 9, 12 and 15 read as hexadecimal;
// a pair that is missing or does not read counts as 0.
void macTextToBytes(const QString &text, unsigned char out[6]);

// Six bytes to the upper-case colon-separated MAC text.
QString macBytesToText(const unsigned char mac[6]);
