#include "framework/file_name.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QStringList>
#include <cstdint>

namespace zolva {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// A low surrogate right after a high one is half of a real character, not an escape.
bool isEscapeAt(const QString& name, qsizetype i) {
    const char16_t unit = name.at(i).unicode();
    return unit >= 0xDC80 && unit <= 0xDCFF && (i == 0 || !name.at(i - 1).isHighSurrogate());
}

// The length of the valid UTF-8 sequence starting at `i`, or 0 when there is none: no
// overlong forms, no encoded surrogates, nothing beyond U+10FFFF.
qsizetype validSequence(const QByteArray& bytes, qsizetype i) {
    auto at = [&](qsizetype k) { return static_cast<std::uint8_t>(bytes[k]); };
    const std::uint8_t lead = at(i);
    if (lead < 0x80) {
        return 1;
    }
    qsizetype length = 0;
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > bytes.size() || at(i + 1) < low || at(i + 1) > high) {
        return 0;
    }
    for (qsizetype k = 2; k < length; ++k) {
        if (at(i + k) < 0x80 || at(i + k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

}  // namespace

QString fileNameFromBytes(const QByteArray& bytes) {
    QString name;
    name.reserve(bytes.size());
    qsizetype i = 0;
    while (i < bytes.size()) {
        const qsizetype length = validSequence(bytes, i);
        if (length == 0) {
            name.append(QChar(char16_t(kEscapeBase + static_cast<std::uint8_t>(bytes[i]))));
            ++i;
        } else {
            name.append(QString::fromUtf8(bytes.constData() + i, length));
            i += length;
        }
    }
    return name;
}

QByteArray fileNameToBytes(const QString& name) {
    if (!hasEscapedBytes(name)) {
        return name.toUtf8();
    }
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i == name.size() || isEscapeAt(name, i)) {
            bytes.append(QStringView(name).sliced(start, i - start).toUtf8());
            if (i < name.size()) {
                bytes.append(static_cast<char>(name.at(i).unicode() - kEscapeBase));
            }
            start = i + 1;
        }
    }
    return bytes;
}

bool hasEscapedBytes(const QString& name) {
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (isEscapeAt(name, i)) {
            return true;
        }
    }
    return false;
}

QString recoverFileName(const QString& shown) {
    constexpr QChar kReplacement(0xFFFD);
    if (!shown.startsWith(QLatin1Char('/')) || !shown.contains(kReplacement)) {
        return shown;
    }
    struct stat st {};
    QByteArray found;
    for (const QString& part : shown.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const QByteArray as = found + '/' + fileNameToBytes(part);
        if (!part.contains(kReplacement) || ::lstat(as.constData(), &st) == 0) {
            found = as;
            continue;
        }
        DIR* folder = ::opendir(found.isEmpty() ? "/" : found.constData());
        if (folder == nullptr) {
            return shown;
        }
        QByteArray match;
        int matches = 0;
        while (const dirent* entry = ::readdir(folder)) {
            const QByteArray name(entry->d_name);
            if (QString::fromUtf8(name) == part && ++matches == 1) {
                match = name;
            }
        }
        ::closedir(folder);
        if (matches != 1) {
            return shown;
        }
        found += '/' + match;
    }
    return fileNameFromBytes(found);
}

}  // namespace zolva
