// File names on Linux are bytes, and not every name is valid UTF-8 (old archives, other
// systems' encodings). Such a name is carried in a QString without loss by turning each
// byte that is not part of valid UTF-8 into a lone surrogate U+DC80..U+DCFF, which no
// valid text contains, and back. Valid UTF-8 is converted exactly as Qt converts it.
#pragma once

#include <QByteArray>
#include <QString>

namespace zolva {

QString fileNameFromBytes(const QByteArray& bytes);
QByteArray fileNameToBytes(const QString& name);
// True when the name holds such escaped bytes, i.e. it has no valid UTF-8 form.
bool hasEscapedBytes(const QString& name);

}  // namespace zolva
