// The look the settings store takes at its file before QSettings may parse it. QSettings
// turns a value written "@Variant(...)" into whatever object its bytes describe, lists in
// lists without end, and a file crafted that way overflows the stack of any program that
// reads it. So the raw text is read here first, the way the file format reads it, and a file
// that is too large, holds such an object anywhere, or holds one of our values in a form the
// game never writes is not parsed at all: the store sets it aside and starts a clean file
// from the values that can still be read plainly.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QMap>
#include <QString>
#include <QStringList>

namespace zolva::storefile {

// Far beyond anything the game writes (a few hundred bytes), far below what hurts to read.
constexpr qint64 maxFileSize = 1024 * 1024;

// True when QSettings may parse `content`: no value anywhere would be decoded from a
// serialized object, and none of `ourNames` holds a typed value ("@ByteArray(...)",
// "@Rect(...)" and the like). `pathName` may hold raw bytes, the one typed form a path may
// take.
bool isSafeToParse(const QByteArray& content, const QStringList& ourNames, const QString& pathName);

// Each of `names` that stands on a line of its own as one piece of text ("name=value", read
// by the format's rules but within the line: no list, no object, no quote left open), the
// last such line winning. Reads the file line by line, so its size does not matter; lines
// longer than any value of ours are passed over. `seen`, if given, receives each of `names`
// that has a line of its own, readable or not.
QMap<QString, QString> plainValues(QIODevice& file, const QStringList& names,
                                   QStringList* seen = nullptr);

// Moves the file to a name of its own beside it ("<name>.damaged-<date>-<time>", numbered if
// taken) and returns that name, or an empty string when it could not be moved.
QString setAside(const QString& path);

}  // namespace zolva::storefile
