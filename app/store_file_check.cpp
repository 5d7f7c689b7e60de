#include "app/store_file_check.h"

#include <QDateTime>
#include <QFile>
#include <algorithm>

namespace zolva::storefile {

namespace {

// Longer than any line of ours can be: a name, a number, or a path at its longest.
constexpr qint64 kMaxLineLength = 40000;

bool isOctal(char c) {
    return c >= '0' && c <= '7';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

char simpleEscape(char c) {
    switch (c) {
        case 'a':
            return '\a';
        case 'b':
            return '\b';
        case 'f':
            return '\f';
        case 'n':
            return '\n';
        case 'r':
            return '\r';
        case 't':
            return '\t';
        case 'v':
            return '\v';
        case '"':
        case '?':
        case '\'':
        case '\\':
            return c;
        default:
            return 0;
    }
}

// One value read the way the file format reads it, as far as it matters here: a value runs
// to the end of its line, or on past it inside quotes or after a trailing backslash; quotes
// are dropped, unquoted commas split it into a list, each item loses its unquoted blanks at
// either end, and escapes (\x and octal of any length, the C letters) stand for what they
// mean. An item that then starts with one '@' is what the format decodes into an object.
// Where the format's own rules are doubtful, this reader errs towards seeing an object.
class ValueReader {
public:
    // Reads the value that starts at `pos`, leaving `pos` after it. With `oneLine`, a value
    // that would run on past its line is cut there and reported as not whole.
    ValueReader(const QByteArray& text, qsizetype& pos, bool oneLine) : content(text), at(pos) {
        bool quoted = false;
        while (at < content.size()) {
            const char c = content[at];
            if ((c == '\n' || c == '\r') && (!quoted || oneLine)) {
                whole = !quoted;
                ++at;
                break;
            }
            ++at;
            if (c == '"') {
                quoted = !quoted;
                blanks = 0;
                keep = true;
            } else if (c == ',' && !quoted) {
                endItem();
            } else if ((c == ' ' || c == '\t') && !quoted) {
                if (keep) {
                    raw.append(c);
                    ++blanks;
                }
            } else if (c == '\\') {
                readEscape(oneLine);
            } else {
                raw.append(c);
                blanks = 0;
                keep = true;
            }
        }
        whole = whole && !quoted;
        endItem();
    }

    QStringList items;
    bool whole = true;  // ended on its own line, quotes closed

private:
    void readEscape(bool oneLine) {
        if (at >= content.size()) {
            return;
        }
        const char c = content[at++];
        if (c == '\n' || c == '\r') {
            if (c == '\r' && at < content.size() && content[at] == '\n') {
                ++at;
            }
            whole = whole && !oneLine;  // the value goes on on the next line
            return;
        }
        unsigned value = 0;
        if (c == 'x') {
            while (at < content.size() && hexValue(content[at]) >= 0) {
                value = ((value << 4) | unsigned(hexValue(content[at++]))) & 0xFFFF;
            }
        } else if (isOctal(c)) {
            value = unsigned(c - '0');
            while (at < content.size() && isOctal(content[at])) {
                value = ((value << 3) | unsigned(content[at++] - '0')) & 0xFFFF;
            }
        } else if (const char plain = simpleEscape(c); plain != 0) {
            value = static_cast<unsigned char>(plain);
        } else {
            return;  // any other escape stands for nothing
        }
        flushRaw();
        item.append(QChar(char16_t(value)));
        keep = true;
    }

    void flushRaw() {
        item += QString::fromUtf8(raw.left(raw.size() - blanks));
        item += QString(blanks, u' ');
        raw.clear();
        blanks = 0;
    }

    void endItem() {
        raw.chop(blanks);
        blanks = 0;
        flushRaw();
        items.append(item);
        item.clear();
        keep = false;
    }

    const QByteArray& content;
    qsizetype& at;
    QByteArray raw;        // bytes not yet decoded (the file is UTF-8)
    qsizetype blanks = 0;  // unquoted blanks at the end of raw, dropped if the item ends
    bool keep = false;     // the item has begun: blanks count from here
    QString item;
};

// An item the format would decode into an object rather than read as text.
bool isTyped(const QString& item) {
    return item.startsWith(u'@') && !item.startsWith(QLatin1String("@@"));
}

class Scanner {
public:
    Scanner(const QByteArray& text, const QStringList& names, const QString& path)
        : content(text), ourNames(names), pathName(path) {}

    bool safe() {
        while (pos < content.size() && isSafe) {
            readLine();
        }
        return isSafe;
    }

private:
    void readLine() {
        while (pos < content.size() && (content[pos] == ' ' || content[pos] == '\t')) {
            ++pos;
        }
        const qsizetype lineEnd = content.indexOf('\n', pos);
        const qsizetype end = lineEnd < 0 ? content.size() : lineEnd;
        if (pos < content.size() && content[pos] == '[') {
            pos = end + 1;  // a section header
            return;
        }
        const qsizetype equals =
            std::find(content.cbegin() + pos, content.cbegin() + end, '=') - content.cbegin();
        if (equals >= end) {
            pos = end + 1;
            return;
        }
        const QString key = QString::fromUtf8(content.mid(pos, equals - pos)).trimmed();
        pos = equals + 1;
        const ValueReader value(content, pos, false);
        for (const QString& item : value.items) {
            judge(key, item);
        }
    }

    void judge(const QString& key, const QString& item) {
        if (!isTyped(item)) {
            return;
        }
        // Serialized objects: harmful in any value, ours or not.
        if (item.startsWith(QLatin1String("@Variant")) ||
            item.startsWith(QLatin1String("@DateTime"))) {
            isSafe = false;
        } else if (ourNames.contains(key)) {
            isSafe = key == pathName && item.startsWith(QLatin1String("@ByteArray("));
        }
    }

    const QByteArray& content;
    const QStringList& ourNames;
    const QString& pathName;
    qsizetype pos = 0;
    bool isSafe = true;
};

}  // namespace

bool isSafeToParse(const QByteArray& content, const QStringList& ourNames,
                   const QString& pathName) {
    if (content.size() > maxFileSize) {
        return false;
    }
    return Scanner(content, ourNames, pathName).safe();
}

QMap<QString, QString> plainValues(QIODevice& file, const QStringList& names, QStringList* seen) {
    QMap<QString, QString> found;
    bool midLine = false;  // the rest of a line too long to be ours
    while (!file.atEnd()) {
        const QByteArray chunk = file.readLine(kMaxLineLength);
        if (chunk.isEmpty()) {
            break;
        }
        const bool whole = chunk.endsWith('\n') || file.atEnd();
        const bool skip = midLine || !whole;
        midLine = !whole;
        if (skip) {
            continue;
        }
        const qsizetype equals = chunk.indexOf('=');
        if (equals <= 0) {
            continue;
        }
        const QString name = QString::fromUtf8(chunk.left(equals));
        if (!names.contains(name)) {
            continue;
        }
        if (seen != nullptr && !seen->contains(name)) {
            seen->append(name);
        }
        // Read by the format's rules, but within the line: a value that runs on past it, a
        // list or an object is not a plain value of ours.
        qsizetype at = equals + 1;
        const ValueReader value(chunk, at, true);
        if (!value.whole || value.items.size() != 1 || isTyped(value.items[0])) {
            continue;
        }
        const QString& text = value.items[0];
        found.insert(name, text.startsWith(u'@') ? text.mid(1) : text);
    }
    return found;
}

QString setAside(const QString& path) {
    const QString stem = path + QStringLiteral(".damaged-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n < 1000; ++n) {
        const QString name = n == 1 ? stem : stem + QLatin1Char('-') + QString::number(n);
        if (QFile::exists(name)) {
            continue;
        }
        return QFile::rename(path, name) ? name : QString();
    }
    return {};
}

}  // namespace zolva::storefile
