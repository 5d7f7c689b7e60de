// The settings store's view of what QSettings hands back: numbers and text read strictly,
// so that anything else a hand-edited file may decode to counts as damage; and the reason
// a write failed, as the system gives it.
#pragma once

#include <QString>
#include <QVariant>
#include <optional>

namespace zolva::storevalue {

// A whole decimal number, from an integer or from its text; nothing for any other type,
// for text that is no number, and for text longer than any 32-bit number could be written.
std::optional<qint64> parseInteger(const QVariant& value);
// Text, from a string or from UTF-8 bytes; nothing for any other type.
std::optional<QString> parseText(const QVariant& value);
// Why the store file cannot be written, found by writing a file of its size beside it.
QString whyUnwritable(const QString& storeFile);

}  // namespace zolva::storevalue
