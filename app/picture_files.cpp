#include "app/picture_files.h"

#include <QDir>
#include <QFileInfo>
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
// Every format the decoder reads, by every suffix such files go by; WebP is not among the
// classic entries below, but the desktop's own wallpapers come in it.
constexpr const char* kEveryPicture =
    "*.bmp *.gif *.jpg *.jpeg *.pcx *.png *.tga *.tif *.tiff *.webp *.wmf";
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
    return QString::fromLatin1(kEveryPicture).split(u' ');
}

QString pictureFileFilter() {
    const auto entry = [](const QString& shown, const char* lowerPatterns) {
        QStringList patterns = QString::fromLatin1(lowerPatterns).split(u' ');
        const QStringList lower = patterns;
        for (const QString& pattern : lower) {
            patterns.append(pattern.toUpper());
        }
        return QStringLiteral("%1 (%2)").arg(shown, patterns.join(u' '));
    };
    QStringList filters{entry(QStringLiteral("All Pictures"), kEveryPicture)};
    for (const FileType& type : kPictureTypes) {
        filters.append(entry(QString::fromLatin1(type.shown), type.patterns));
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
