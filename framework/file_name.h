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

// The toolkit's file dialog shows such a name with U+FFFD for the bytes it could not
// decode, and hands back that lossy text. This finds the name it stood for: each part of
// the absolute path `shown` that does not exist is matched against the names in its
// folder as the toolkit shows them, and taken when exactly one matches. `shown` itself
// when it exists, has no U+FFFD, or cannot be told apart from another name.
QString recoverFileName(const QString& shown);

}  // namespace zolva
