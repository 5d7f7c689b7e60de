// A damaged store must never stop the game from starting or cost a best time that can still
// be read. The file is cut at every byte, has bytes overwritten, gets words and serialized
// objects where numbers belong, lines far longer than any value, and objects the parser must
// never decode; each time the options come back as stored or as their defaults, every best
// time whose line survived comes back exactly, and the store can still be written.
#include <gtest/gtest.h>

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMap>
#include <QSettings>
#include <QTemporaryDir>
#include <QVariant>
#include <random>

#include "app/settings_store.h"
#include "app/store_file_check.h"
#include "support/store_file.h"

namespace zolva {
namespace {

// One stored value: its name, the text it has in the intact file, its default and whether
// it is read as a number.
struct Value {
    QString key;
    QString stored;
    QString fallback;
    bool number;
};

// Everything the store holds, as text: numbers in decimal, flags as 0 or 1.
QMap<QString, QString> readEverything() {
    const Settings s = SettingsStore::loadSettings();
    QMap<QString, QString> v;
    v["dimensionX"] = QString::number(s.dimensionX);
    v["dimensionY"] = QString::number(s.dimensionY);
    v["emptyX"] = QString::number(s.emptyX);
    v["emptyY"] = QString::number(s.emptyY);
    v["showNumber"] = s.showNumber ? "1" : "0";
    v["defaultPicture"] = s.defaultPicture ? "1" : "0";
    v["picturePath"] = s.picturePath;
    const std::array<BestTime, 3> best = SettingsStore::readBestTimes();
    for (std::size_t i = 0; i < kLevels.size(); ++i) {
        const QString suffix = QLatin1String(kLevels[i].suffix);
        v["name" + suffix] = best[i].name;
        v["time" + suffix] = QString::number(best[i].time);
        v["move" + suffix] = QString::number(best[i].moves);
    }
    return v;
}

class DamagedSettings : public testing::StoreFileTest {
protected:
    // The intact file the damage starts from, written by the store itself, with values
    // that differ from every default, an escaped path and names beyond ASCII.
    QByteArray intactFile() {
        EXPECT_TRUE(SettingsStore::saveSettings(
            {7, 5, 100, -1, true, false, QString::fromUtf8("/home/zoë/cat, \"dog\"; x\\y.png")}));
        EXPECT_TRUE(SettingsStore::writeBestTime(Level::Beginner,
                                                 {QString::fromUtf8("Åsa Öberg"), 321, 45}));
        EXPECT_TRUE(
            SettingsStore::writeBestTime(Level::Intermediate, {"Anne-Marie Lee", 4567, 1234}));
        EXPECT_TRUE(SettingsStore::writeBestTime(Level::Expert, {"Bo", 89, 4294967295u}));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    static const std::vector<Value>& values() {
        static const std::vector<Value> v = {
            {"dimensionX", "7", "4", true},
            {"dimensionY", "5", "4", true},
            {"emptyX", "100", "-1", true},
            {"emptyY", "-1", "100", true},
            {"showNumber", "1", "0", true},
            {"defaultPicture", "0", "1", true},
            {"picturePath", QString::fromUtf8("/home/zoë/cat, \"dog\"; x\\y.png"), "", false},
            {"nameBeginner", QString::fromUtf8("Åsa Öberg"), "Anonymous", false},
            {"nameIntermediate", "Anne-Marie Lee", "Anonymous", false},
            {"nameExpert", "Bo", "Anonymous", false},
            {"timeBeginner", "321", "9999", true},
            {"timeIntermediate", "4567", "9999", true},
            {"timeExpert", "89", "9999", true},
            {"moveBeginner", "45", "9999", true},
            {"moveIntermediate", "1234", "9999", true},
            {"moveExpert", "4294967295", "9999", true},
        };
        return v;
    }

    // After any damage the store must take a new record and give it back.
    void expectWritable() {
        ASSERT_TRUE(SettingsStore::writeBestTime(Level::Intermediate, {"Fresh", 11, 22}));
        EXPECT_EQ(SettingsStore::readBestTime(Level::Intermediate), (BestTime{"Fresh", 11, 22}));
    }
};

// Where a value's line starts and ends (the newline's index) in the intact file.
struct Line {
    qsizetype start = -1;
    qsizetype end = -1;
};

Line lineOf(const QByteArray& file, const QString& key) {
    const QByteArray head = key.toUtf8() + '=';
    qsizetype at = file.startsWith(head) ? 0 : file.indexOf('\n' + head);
    if (at < 0) {
        return {};
    }
    if (at > 0 || !file.startsWith(head)) {
        ++at;
    }
    return {at, file.indexOf('\n', at)};
}

TEST_F(DamagedSettings, CutAtEveryByteKeepsEveryWholeLineAndDefaultsTheRest) {
    const QByteArray intact = intactFile();
    ASSERT_GT(intact.size(), 200);
    for (const Value& v : values()) {
        ASSERT_GE(lineOf(intact, v.key).end, 0) << v.key.toStdString();
    }
    const QByteArray header = "[General]\n";
    ASSERT_TRUE(intact.startsWith(header));

    for (qsizetype cut = 0; cut <= intact.size(); ++cut) {
        SCOPED_TRACE(cut);
        writeRaw(intact.left(cut));
        const QMap<QString, QString> read = readEverything();
        for (const Value& v : values()) {
            const Line line = lineOf(intact, v.key);
            const QString got = read.value(v.key);
            const std::string key = v.key.toStdString();
            const qsizetype valueStart = line.start + v.key.size() + 1;
            if (cut <= line.start + v.key.size() || cut < qsizetype(header.size())) {
                EXPECT_EQ(got, v.fallback) << key;  // the value never made it into the file
            } else if (cut > line.end) {
                EXPECT_EQ(got, v.stored) << key;  // its whole line is there
            } else if (v.number) {
                // Cut inside the digits: the store reads what is left of the number (the
                // format has no way of telling a shortened number) or the default.
                const QByteArray left = intact.mid(valueStart, cut - valueStart);
                bool ok = false;
                const qint64 n = left.toLongLong(&ok);
                const bool partial = ok && QString::number(n) == got;
                EXPECT_TRUE(got == v.fallback || partial)
                    << key << " read as " << got.toStdString();
            } else {
                // A cut text is either the default or a beginning of the stored text.
                EXPECT_TRUE(got == v.fallback || v.stored.startsWith(got))
                    << key << " read as " << got.toStdString();
            }
        }
    }
    expectWritable();
}

TEST_F(DamagedSettings, OverwrittenBytesSpoilOnlyTheLinesTheyHit) {
    const QByteArray intact = intactFile();
    std::mt19937 random(31337);
    for (int round = 0; round < 150; ++round) {
        SCOPED_TRACE(round);
        QByteArray damaged = intact;
        std::vector<qsizetype> hits;
        for (int n = 1 + int(random() % 3); n > 0; --n) {
            const qsizetype at = qsizetype(random() % std::uint32_t(intact.size()));
            static const char kNasty[] = {'\n', '\\', '"', '=', '[', ']', '\0', '\xFF', ',', '@'};
            damaged[at] = random() % 2 ? kNasty[random() % sizeof kNasty] : char(random());
            hits.push_back(at);
        }
        writeRaw(damaged);
        SCOPED_TRACE(damaged.toStdString());
        const QMap<QString, QString> read = readEverything();
        // A damaged line may run on into the next one (a trailing backslash joins lines, a
        // newline turned into something else merges them). A stray quote or a line that now
        // starts with '[' makes the file format swallow or regroup every line after it;
        // those lines are still whole and must still be read. Only the picture path, which
        // the format writes quoted and escaped, is then given up for its default.
        const qsizetype firstHit = *std::ranges::min_element(hits);
        for (const Value& v : values()) {
            const Line line = lineOf(intact, v.key);
            const qsizetype previous = intact.lastIndexOf('\n', line.start - 2) + 1;
            const bool spoiled = std::ranges::any_of(
                hits, [&](qsizetype at) { return at >= previous && at <= line.end; });
            const QString got = read.value(v.key);
            if (spoiled) {
                continue;
            }
            if (v.key == "picturePath" && firstHit < line.start) {
                EXPECT_TRUE(got == v.stored || got == v.fallback) << got.toStdString();
            } else {
                EXPECT_EQ(got.toStdString(), v.stored.toStdString()) << v.key.toStdString();
            }
        }
        expectWritable();
    }
}

// Text where numbers belong: what each of these reads as, for a signed option and for an
// unsigned best time. Only real decimal numbers of the right range count; everything else
// is the default, never a wrapped or half-parsed value.
struct NotANumber {
    const char* text;
    const char* asSigned;    // dimensionX (default 4)
    const char* asUnsigned;  // timeExpert (default 9999)
};

const NotANumber kNotNumbers[] = {
    {"", "4", "9999"},
    {"   ", "4", "9999"},
    {"0x10", "4", "9999"},
    {"1e3", "4", "9999"},
    {"12abc", "4", "9999"},
    {"--1", "4", "9999"},
    {"+5", "5", "5"},
    {"\"77\"", "77", "77"},
    {"true", "4", "9999"},
    {"NaN", "4", "9999"},
    {"-0", "0", "0"},
    {"2147483647", "2147483647", "2147483647"},
    {"2147483648", "-2147483648", "2147483648"},
    {"4294967296", "4", "9999"},
    {"-2147483648", "-2147483648", "9999"},
    {"-2147483649", "4", "9999"},
    {"9223372036854775808", "4", "9999"},
    {"-9223372036854775809", "4", "9999"},
    {"1,2", "4", "9999"},
    {"@Invalid()", "4", "9999"},
    {"@Size(1 2)", "4", "9999"},
    {"@Point(3 4)", "4", "9999"},
    {"@ByteArray(77)", "4", "9999"},
    {"@ByteArray()", "4", "9999"},
    {"@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\nQDateTime)", "4", "9999"},
    {"\\x661", "4", "9999"},
};

TEST_F(DamagedSettings, WordsAndObjectsWhereNumbersBelongGiveDefaults) {
    for (const NotANumber& n : kNotNumbers) {
        SCOPED_TRACE(n.text);
        writeRaw(QByteArray("[General]\ndimensionY=6\ndimensionX=") + n.text +
                 "\nmoveExpert=30\nnameExpert=Zed\ntimeExpert=" + n.text + "\n");
        const Settings s = SettingsStore::loadSettings();
        EXPECT_EQ(QString::number(s.dimensionX), n.asSigned);
        EXPECT_EQ(s.dimensionY, 6);
        const BestTime best = SettingsStore::readBestTime(Level::Expert);
        EXPECT_EQ(QString::number(best.time), n.asUnsigned);
        EXPECT_EQ(best.name, "Zed");
        EXPECT_EQ(best.moves, 30u);
    }
}

TEST_F(DamagedSettings, HugeLinesAnywhereLeaveTheOtherValuesAlone) {
    const QByteArray mega(200 * 1024, 'z');  // the file stays below the size that is refused
    writeRaw("[General]\n" + mega + "=1\ntimeBeginner=55\n" + "nameBeginner=" + mega +
             "\nmoveBeginner=66\npicturePath=" + QByteArray(200 * 1024, '\\') +
             "\ndimensionY=8\n[" + mega + "]\ndimensionX=" + mega);
    const Settings s = SettingsStore::loadSettings();
    EXPECT_EQ(s.dimensionY, 8);
    EXPECT_EQ(s.dimensionX, 4);
    EXPECT_EQ(SettingsStore::readBestTime(Level::Beginner),
              (BestTime{QString(SettingsStore::maxNameLength, 'z'), 55, 66}));
    expectWritable();
}

QByteArray escaped(const QByteArray& bytes) {
    QByteArray text;
    for (char c : bytes) {
        text +=
            "\\x" + QByteArray::number(static_cast<unsigned char>(c), 16).rightJustified(2, '0');
    }
    return text;
}

// Every disguise in which QSettings would decode a serialized object (here a harmless
// number) is caught before it parses the file; and nothing the store itself writes, however
// odd the name, is ever taken for one.
TEST_F(DamagedSettings, ObjectsTheParserWouldDecodeNeverReachIt) {
    QByteArray number;
    {
        QDataStream out(&number, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_4_0);
        out << QVariant(77);
    }
    const QByteArray object = escaped(number) + ")";
    const char* leads[] = {"", " ", "\t", "\"", "\"\"", "a, ", "\\\n", "\" ", "x"};
    const char* marks[] = {"@", "\\x40", "\\100", "\\0100", "\\x10040", "@@", "\\@", "@\""};
    const char* types[] = {"Variant(",     "Vari\"\"ant(", "Vari\\\nant(", "DateTime(",
                           "\\126ariant(", "variant(",     "Variant (",    "Vari\\\n ant("};
    const char* tails[] = {"", " junk", ", 1", "\""};
    QTemporaryDir scratch;
    int decoded = 0;
    int n = 0;
    std::mt19937 random(99);
    for (int round = 0; round < 400; ++round) {
        const QByteArray value =
            QByteArray(leads[random() % std::size(leads)]) + marks[random() % std::size(marks)] +
            types[random() % std::size(types)] + object + tails[random() % std::size(tails)];
        const QByteArray content = "[General]\nzoomLevel=" + value + "\n";
        // A file of its own each time: QSettings caches files by name, size and time.
        const QString file = scratch.filePath(QString::number(++n) + ".conf");
        ASSERT_TRUE(testing::replaceStoreFile(file, content));
        const QVariant read = QSettings(file, QSettings::IniFormat).value("zoomLevel");
        QVariantList items =
            read.typeId() == QMetaType::QVariantList ? read.toList() : QVariantList{read};
        const bool isObject = std::ranges::any_of(
            items, [](const QVariant& item) { return item.typeId() == QMetaType::Int; });
        decoded += isObject;
        if (isObject) {
            EXPECT_FALSE(storefile::isSafeToParse(content, {"timeExpert"}, "picturePath"))
                << value.toStdString();
        }
    }
    EXPECT_GT(decoded, 50);  // the disguises do fool the parser often enough to count

    const char16_t alphabet[] = u"@@\"\\,;= \t#[]%xVariant(ÅZß\n\r\x01";
    const QDir folder = QFileInfo(path).path();
    const qsizetype setAside = folder.entryList({"*.damaged-*"}).size();
    for (int round = 0; round < 100; ++round) {
        QString name;
        for (int length = 1 + int(random() % 14); length > 0; --length) {
            name += QChar(alphabet[random() % (std::size(alphabet) - 1)]);
        }
        name = SettingsStore::truncateName(name);
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(SettingsStore::writeBestTime(Level::Beginner, {name, 7, 8}));
        EXPECT_EQ(SettingsStore::readBestTime(Level::Beginner).name, name);
    }
    EXPECT_EQ(folder.entryList({"*.damaged-*"}).size(), setAside);
}

// A value nested tens of thousands deep overflows the parser's stack; a file over a
// megabyte is not read either. Such a file is kept beside the store, byte for byte, every
// value of ours that stands readably on its own line is rescued, and the player hears of it
// only when a best time was lost.
TEST_F(DamagedSettings, AFileTheParserMustNotSeeIsKeptAsideAndWhatCanBeReadIsRescued) {
    // A list in a list ... around a number, as the settings' object stream writes them, 30,000
    // deep in 480 KB (only the zero bytes need escapes).
    QByteArray deep;
    for (int level = 0; level < 30000; ++level) {
        deep += QByteArray::fromHex(
            "00000009"
            "00"
            "00000001");
    }
    deep += QByteArray::fromHex(
        "00000002"
        "00"
        "0000004d");
    const QByteArray nested =
        "[General]\ntimeExpert=89\nmoveExpert=7\nnameExpert=\"Bo, Jr\"\n"
        "timeBeginner=@ByteArray(5)\nnameBeginner=Kim\nmoveBeginner=3\n"
        "dimensionX=7\nhistory=@Variant(" +
        deep.replace('\0', "\\0") + ")\n";
    const QByteArray huge = "[General]\nnameExpert=Bo\ntimeExpert=89\nmoveExpert=7\n" +
                            QByteArray(1100 * 1024, ';') + "\ndimensionX=7\n";
    const QDir folder = QFileInfo(path).path();
    for (const bool isNested : {true, false}) {
        const QByteArray& content = isNested ? nested : huge;
        const QStringList before = folder.entryList({"*.damaged-*"});
        writeRaw(content);
        EXPECT_EQ(SettingsStore::loadSettings().dimensionX, 7);
        const std::array<BestTime, 3> best = SettingsStore::readBestTimes();
        const std::optional<StoreDamage> damage = SettingsStore::takeDamageReport();
        const QStringList after = folder.entryList({"*.damaged-*"});
        ASSERT_EQ(after.size(), before.size() + 1);
        ASSERT_TRUE(damage || !isNested);
        QFile kept(folder.filePath(after.last()));
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_TRUE(kept.readAll() == content);
        if (isNested) {
            EXPECT_EQ(best[2], (BestTime{"Bo, Jr", 89, 7}));
            EXPECT_EQ(best[0], (BestTime{"Kim", 9999, 3}));
            EXPECT_EQ(damage->keptAs, kept.fileName());
            EXPECT_EQ(damage->lostBestTimes, std::vector<Level>{Level::Beginner});
        } else {
            EXPECT_EQ(best[2], (BestTime{"Bo", 89, 7}));
            EXPECT_FALSE(damage);
        }
        // The clean file the store started is read as it is from now on.
        EXPECT_EQ(SettingsStore::readBestTime(Level::Expert).time, 89u);
        EXPECT_EQ(folder.entryList({"*.damaged-*"}), after);
        expectWritable();
    }
}

// A writer killed between creating QSettings' lock file and writing its process id into it
// leaves the file empty, and QSettings would wait half a minute before it takes it over. The
// next write goes through at once, and nothing but QSettings itself removes that file; a lock
// that a living writer holds is left as it is.
TEST_F(DamagedSettings, AnEmptyLockFileLeftByAKillDoesNotHoldUpTheNextWrite) {
    const QString lockPath = path + ".lock";
    {
        QFile empty(lockPath);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()) && empty.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(SettingsStore::writeBestTime(Level::Expert, {"Bo", 89, 7}));
    EXPECT_FALSE(QFile::exists(lockPath));

    QLockFile held(lockPath);
    ASSERT_TRUE(held.tryLock());
    EXPECT_EQ(SettingsStore::readBestTime(Level::Expert), (BestTime{"Bo", 89, 7}));
    QFile contents(lockPath);
    ASSERT_TRUE(contents.open(QIODevice::ReadOnly));
    EXPECT_FALSE(contents.readAll().isEmpty());
}

}  // namespace
}  // namespace zolva
