// Which files the game offers as pictures, and where it looks for them first.
#pragma once

#include <QString>
#include <QStringList>

namespace zolva {

// The patterns of the files the game reads as pictures, lower case, as a drop checks them.
QStringList supportedPicturePatterns();
// The file dialog's filter list, in the toolkit's syntax: every picture the game reads
// first, then the classic entries.
QString pictureFileFilter();
// Where the file dialog opens: the current custom picture's folder, else the user's
// Pictures folder, else home.
QString pictureStartFolder(const QString& customPicture);

}  // namespace zolva
