// The victim and the judge of the kill tests.
//
//   zolva-store-writer write <instance> <state-file> [pause-ms]
//       Writes the three best times and the options through the settings store, over and
//       over, until it is killed, pausing after each write if asked to. (Two writers need
//       the pause: a waiting writer retries the store's lock file at ever longer intervals,
//       up to seconds, and one that hardly ever lets go of it would starve the other.) Instance 0
//       writes as "A", instance 1 as "B"; every value of one record (and every option of one save)
//       is derived from one counter, so a record made of two writes, or of garbage, cannot pass for
//       a real one. Counting starts after the highest counter of this instance the state file has
//       seen. Prints "writing" once the first round is on disk.
//
//   zolva-store-writer check <state-file> [--concurrent]
//       Reads the store back as the game would and checks that every record and the
//       options are whole, and that no record went back to an older counter of its
//       instance than the last check saw (with --concurrent, two writers ran, and such a
//       step back is only reported). Updates the state file. Prints one line; exit code 0
//       when all is well, 1 on damage.
//
// Both refuse to run without XDG_CONFIG_HOME, so they can never touch a player's scores.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSettings>
#include <QTextStream>
#include <QThread>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "app/settings_store.h"

using namespace zolva;

namespace {

constexpr std::array<Level, 3> kLevels = {Level::Beginner, Level::Intermediate, Level::Expert};
const QString kOptions = QStringLiteral("options");

struct Stamp {
    int instance = 0;
    quint32 counter = 0;
};

QChar letter(int instance) {
    return QChar(u'A' + instance);
}

BestTime recordFor(Stamp s) {
    return BestTime{letter(s.instance) + QString::number(s.counter),
                    s.counter * 2u + quint32(s.instance),
                    (s.counter * 2654435761u) ^ (s.instance != 0 ? 0xABCDu : 0u)};
}

Settings optionsFor(Stamp s) {
    Settings o;
    o.dimensionX = 3 + int(s.counter % 8);
    o.dimensionY = 3 + int(s.counter / 8 % 8);
    o.emptyX = int(s.counter % 1000) - 1;
    o.emptyY = -int(s.counter % 977);
    o.showNumber = (s.counter + quint32(s.instance)) % 2 != 0;
    o.defaultPicture = false;
    o.picturePath = QStringLiteral("/pictures/%1/%2.png").arg(letter(s.instance)).arg(s.counter);
    return o;
}

// "A123" -> instance 0, counter 123.
std::optional<Stamp> parseStamp(const QString& text) {
    if (text.size() < 2 || (text[0] != u'A' && text[0] != u'B')) {
        return std::nullopt;
    }
    bool ok = false;
    const quint32 counter = text.mid(1).toUInt(&ok);
    if (!ok || QString::number(counter) != text.mid(1)) {
        return std::nullopt;
    }
    return Stamp{text[0] == u'A' ? 0 : 1, counter};
}

// The state file: one line per record and instance, "<record> <instance> <counter>".
using State = QMap<QString, quint32>;  // "<record>/<instance>" -> last counter seen

QString stateKey(const QString& record, int instance) {
    return record + QLatin1Char('/') + QString::number(instance);
}

State readState(const QString& path) {
    State state;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return state;
    }
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        bool ok = false;
        const quint32 counter = fields.size() == 3 ? fields[2].toUInt(&ok) : 0;
        if (ok) {
            state[stateKey(QString::fromUtf8(fields[0]), fields[1].toInt())] = counter;
        }
    }
    return state;
}

void writeState(const QString& path, const State& state) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return;
    }
    QTextStream out(&file);
    for (auto it = state.begin(); it != state.end(); ++it) {
        const qsizetype slash = it.key().lastIndexOf(QLatin1Char('/'));
        out << it.key().left(slash) << ' ' << it.key().mid(slash + 1) << ' ' << it.value() << '\n';
    }
}

int write(int instance, const QString& statePath, int pauseMs) {
    quint32 counter = 0;
    const State state = readState(statePath);
    for (auto it = state.begin(); it != state.end(); ++it) {
        if (it.key().endsWith(QLatin1Char('/') + QString::number(instance))) {
            counter = std::max(counter, it.value());
        }
    }
    for (bool first = true;; first = false) {
        const Stamp stamp{instance, ++counter};
        const auto pause = [pauseMs] {
            if (pauseMs > 0) {
                QThread::msleep(static_cast<unsigned long>(pauseMs));
            }
        };
        for (Level level : kLevels) {
            if (!SettingsStore::writeBestTime(level, recordFor(stamp))) {
                std::fprintf(stderr, "writeBestTime failed\n");
                return 1;
            }
            pause();
        }
        if (!SettingsStore::saveSettings(optionsFor(stamp))) {
            std::fprintf(stderr, "saveSettings failed\n");
            return 1;
        }
        if (counter % 8 == 0) {
            SettingsStore::loadSettings();  // the read path writes too, when a value is missing
        }
        if (first) {
            std::printf("writing\n");
            std::fflush(stdout);
        }
        pause();
    }
}

// Leftovers of killed writers in the store's folder: a lock file, temporary files.
void countLeftovers(int& locks, int& temporaries) {
    const QFileInfo store(SettingsStore::fileName());
    const QString base = store.fileName();
    locks = 0;
    temporaries = 0;
    for (const QString& name : QDir(store.path()).entryList(QDir::Files | QDir::Hidden)) {
        if (name == base + QStringLiteral(".lock")) {
            ++locks;
        } else if (name != base) {
            ++temporaries;
        }
    }
}

int check(const QString& statePath, bool concurrent) {
    State state = readState(statePath);
    QStringList problems;
    QStringList notes;
    {
        QSettings raw(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Zolva Games"),
                      QStringLiteral("Zolva Puzzle"));
        raw.allKeys();
        if (QFile::exists(raw.fileName()) && raw.status() != QSettings::NoError) {
            problems << QStringLiteral("the store file does not parse");
        }
    }
    auto judge = [&](const QString& record, const std::optional<Stamp>& stamp, bool isDefault) {
        if (!stamp) {
            // Untouched is fine only while no value of this record was ever seen.
            bool seen = state.contains(stateKey(record, 0)) || state.contains(stateKey(record, 1));
            if (!isDefault || seen) {
                problems << record + QStringLiteral(" is damaged or lost");
            }
            return;
        }
        const QString key = stateKey(record, stamp->instance);
        if (state.contains(key) && stamp->counter < state[key]) {
            // With two writers a record may be overwritten by the other one's older value;
            // that is a lost update, not damage, and is only reported.
            (concurrent ? notes : problems) << QStringLiteral("%1 went back from %2%3 to %2%4")
                                                   .arg(record, letter(stamp->instance))
                                                   .arg(state[key])
                                                   .arg(stamp->counter);
        }
        state[key] = stamp->counter;
    };
    for (Level level : kLevels) {
        const QString record = SettingsStore::levelSuffix(level);
        const BestTime got = SettingsStore::readBestTime(level);
        std::optional<Stamp> stamp = parseStamp(got.name);
        if (stamp && recordFor(*stamp) != got) {
            problems << QStringLiteral("%1 mixes writes: %2 %3 %4")
                            .arg(record, got.name)
                            .arg(got.time)
                            .arg(got.moves);
            stamp.reset();
        }
        judge(record, stamp, got == BestTime{SettingsStore::defaultName(), 9999, 9999});
    }
    const Settings options = SettingsStore::loadSettings();
    std::optional<Stamp> stamp;
    const QString path = options.picturePath;
    const QString prefix = QStringLiteral("/pictures/");
    if (path.startsWith(prefix) && path.endsWith(QStringLiteral(".png"))) {
        const QString middle = path.mid(prefix.size(), path.size() - prefix.size() - 4);
        stamp = parseStamp(QString(middle).remove(QLatin1Char('/')));
    }
    if (stamp && !(optionsFor(*stamp) == options)) {
        problems << QStringLiteral("options mix writes: ") + path;
        stamp.reset();
    }
    judge(kOptions, stamp, options == Settings{});

    int locks = 0;
    int temporaries = 0;
    countLeftovers(locks, temporaries);
    writeState(statePath, state);
    problems += notes;
    std::printf("%s A=%u B=%u lock=%d temporaries=%d%s%s\n",
                problems.size() > notes.size() ? "DAMAGED" : "ok",
                state.value(stateKey(kOptions, 0)), state.value(stateKey(kOptions, 1)), locks,
                temporaries, problems.isEmpty() ? "" : ": ",
                qPrintable(problems.join(QStringLiteral("; "))));
    problems.erase(problems.end() - notes.size(), problems.end());
    return problems.isEmpty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME")) {
        std::fprintf(stderr, "refusing to run without XDG_CONFIG_HOME (a scratch folder)\n");
        return 2;
    }
    const QStringList args = app.arguments();
    if ((args.size() == 4 || args.size() == 5) && args[1] == QStringLiteral("write")) {
        return write(args[2] == QStringLiteral("1") ? 1 : 0, args[3],
                     args.size() == 5 ? args[4].toInt() : 0);
    }
    if ((args.size() == 3 || (args.size() == 4 && args[3] == QStringLiteral("--concurrent"))) &&
        args[1] == QStringLiteral("check")) {
        return check(args[2], args.size() == 4);
    }
    std::fprintf(stderr,
                 "usage: zolva-store-writer write <0|1> <state> [pause-ms] | check <state> "
                 "[--concurrent]\n");
    return 2;
}
