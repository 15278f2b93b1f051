#pragma once
// Text in the Chinese ANSI code page (936). Files and replies are decoded as
// GB18030, a superset of GBK, so every GBK file reads back exactly; texts are
// encoded as GB18030, which gives the same bytes as GBK for every character
// GBK has and loses nothing for the rest. The euro sign is 0x80 both ways, as
// in code page 936. A byte that starts no character decodes as U+FFFD (never
// dropped); a surrogate without its partner, or one of the few private-use
// characters GB18030 has no bytes for, encodes as "?".

#include <QByteArray>
#include <QString>

namespace cp936 {

QString Decode(const QByteArray &bytes);
QByteArray Encode(const QString &text);

} // namespace cp936
