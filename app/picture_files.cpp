#include "app/picture_files.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QStandardPaths>

namespace zolva {

namespace {

// What the open-file dialog lists: the text the player reads, and the patterns behind it.
// Upper-case twins of every pattern are added, since file names here are case-sensitive
// and cameras love ".JPG"; the long spellings .jpeg and .tiff and the PCX format, which the
// loader also reads, are accepted under the first entry.
struct FileType {
    const char* shown;
    const char* patterns;
};
// Formats read by GraphicsMagick rather than the toolkit's own readers.
constexpr const char* kMagickSuffixes[] = {"pcx", "tga", "wmf"};
constexpr FileType kPictureTypes[] = {
    {"Supported Files (*.bmp,*.gif,*.jpg,*.png,*.tga,*.tif,*.wmf)",
     "*.bmp *.gif *.jpg *.jpeg *.pcx *.png *.tga *.tif *.tiff *.wmf"},
    {"Bitmap (*.bmp)", "*.bmp"},
    {"CompuServe GIF (*.gif)", "*.gif"},
    {"JPEG (*.jpg)", "*.jpg *.jpeg"},
    {"PNG(*.png)", "*.png"},
    {"Targa (*.tga)", "*.tga"},
    {"TIFF (*.tif)", "*.tif *.tiff"},
    {"Windows Metafile (*.wmf)", "*.wmf"},
};

}  // namespace

QStringList supportedPicturePatterns() {
    return QString::fromLatin1(kPictureTypes[0].patterns).split(u' ');
}

QString pictureFileFilter() {
    // Whatever the toolkit's readers and GraphicsMagick make of a file, named by every
    // suffix such files go by.
    QStringList every;
    for (const QByteArray& format : QImageReader::supportedImageFormats()) {
        every.append(QStringLiteral("*.") + QString::fromLatin1(format).toLower());
    }
    for (const char* suffix : kMagickSuffixes) {
        every.append(QStringLiteral("*.") + QString::fromLatin1(suffix));
    }
    every.sort();
    every.removeDuplicates();
    const QStringList lowerEvery = every;
    for (const QString& pattern : lowerEvery) {
        every.append(pattern.toUpper());
    }
    QStringList filters{QStringLiteral("All Pictures (%1)").arg(every.join(u' '))};
    for (const FileType& type : kPictureTypes) {
        QStringList patterns = QString::fromLatin1(type.patterns).split(u' ');
        const QStringList lower = patterns;
        for (const QString& pattern : lower) {
            patterns.append(pattern.toUpper());
        }
        filters.append(
            QStringLiteral("%1 (%2)").arg(QString::fromLatin1(type.shown), patterns.join(u' ')));
    }
    return filters.join(QStringLiteral(";;"));
}

QString pictureStartFolder(const QString& customPicture) {
    if (!customPicture.isEmpty()) {
        const QFileInfo picture(customPicture);
        if (picture.absoluteDir().exists()) {
            return picture.absolutePath();
        }
    }
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QDir(pictures).exists()) {
        return pictures;
    }
    return QDir::homePath();
}

}  // namespace zolva
