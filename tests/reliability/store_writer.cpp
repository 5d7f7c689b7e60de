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
//   zolva-store-writer race <instance> <log>
//       Plays a game that keeps beating the best times it reads: offers each level a time
//       just better than the one it saw a moment (up to 2 ms) before, as two games open at
//       once would, and appends
//       every record the store acknowledged to the log ("<level> <time> <moves>"). Instances
//       0, 1, 2 name their records "A", "B", "C" followed by time and moves. Prints "racing"
//       once the first offer is answered.
//
//   zolva-store-writer judge <log>...
//       Fails when a level holds a record worse than one the store acknowledged, or a
//       record that no racer offered, or when a store file was ever set aside as damaged.
//
// All refuse to run without XDG_CONFIG_HOME, so they can never touch a player's scores.
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
#include <random>

#include "app/settings_store.h"

using namespace zolva;

namespace {

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
        for (const LevelInfo& info : kLevels) {
            if (!SettingsStore::writeBestTime(info.level, recordFor(stamp))) {
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

// Leftovers of killed writers in the store's folder: QSettings' lock file, temporary files.
// The store's own lock file is always there.
void countLeftovers(int& locks, int& temporaries) {
    const QFileInfo store(SettingsStore::fileName());
    const QString base = store.fileName();
    locks = 0;
    temporaries = 0;
    for (const QString& name : QDir(store.path()).entryList(QDir::Files | QDir::Hidden)) {
        if (name == base + QStringLiteral(".lock")) {
            ++locks;
        } else if (name != base && name != base + QStringLiteral(".guard")) {
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
    for (const LevelInfo& info : kLevels) {
        const Level level = info.level;
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

// "B123.45" -> time 123, moves 45, when the name is a racer's.
std::optional<std::pair<quint32, quint32>> raced(const QString& name) {
    const qsizetype dot = name.indexOf(u'.');
    if (name.size() < 4 || name[0] < u'A' || name[0] > u'C' || dot < 2) {
        return std::nullopt;
    }
    bool timeOk = false;
    bool movesOk = false;
    const quint32 time = name.mid(1, dot - 1).toUInt(&timeOk);
    const quint32 moves = name.mid(dot + 1).toUInt(&movesOk);
    return timeOk && movesOk ? std::optional(std::pair(time, moves)) : std::nullopt;
}

int race(int instance, const QString& logPath) {
    QFile log(logPath);
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        std::fprintf(stderr, "cannot open the log\n");
        return 1;
    }
    std::mt19937 random(std::random_device{}());
    for (bool first = true;; first = false) {
        const Level level = kLevels[random() % kLevels.size()].level;
        const BestTime held = SettingsStore::readBestTime(level);
        quint32 time = held.time;
        quint32 moves = held.moves;
        if (moves > 3 && random() % 2 == 0) {
            moves -= 1 + random() % 3;  // a tie on time, fewer moves
        } else if (time > 1) {
            time -= 1 + (time > 2 ? random() % 2 : 0);
            moves = 1 + random() % 9999;
        } else {
            return 0;  // nothing left to beat
        }
        const BestTime record{QStringLiteral("%1%2.%3").arg(letter(instance)).arg(time).arg(moves),
                              time, moves};
        // The player types a name meanwhile; other games go on.
        QThread::usleep(random() % 2000);
        const RecordWrite result = SettingsStore::offerBestTime(level, record);
        if (result.outcome == RecordWrite::Failed) {
            std::fprintf(stderr, "offerBestTime failed: %s\n", qPrintable(result.reason));
            return 1;
        }
        if (result.outcome == RecordWrite::Stored) {
            const QByteArray line = QByteArray::number(int(level)) + ' ' +
                                    QByteArray::number(time) + ' ' + QByteArray::number(moves) +
                                    '\n';
            log.write(line);
        }
        if (first) {
            std::printf("racing\n");
            std::fflush(stdout);
        }
    }
}

int judge(const QStringList& logs) {
    // The best acknowledged record of each level: (time, moves), lowest first.
    std::array<std::pair<quint32, quint32>, 3> best{};
    best.fill({SettingsStore::defaultBestTime, SettingsStore::defaultBestMoves});
    int acknowledged = 0;
    for (const QString& path : logs) {
        QFile log(path);
        if (!log.open(QIODevice::ReadOnly)) {
            continue;
        }
        for (const QByteArray& line : log.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() != 3) {
                continue;  // a line cut by a kill was never acknowledged
            }
            const std::size_t level = std::min<std::size_t>(fields[0].toUInt(), 2);
            best[level] = std::min(best[level], std::pair(fields[1].toUInt(), fields[2].toUInt()));
            ++acknowledged;
        }
    }
    QStringList problems;
    for (std::size_t i = 0; i < kLevels.size(); ++i) {
        const BestTime held = SettingsStore::readBestTime(kLevels[i].level);
        const std::pair got(held.time, held.moves);
        const QString level = SettingsStore::levelSuffix(kLevels[i].level);
        if (got > best[i]) {
            problems << QStringLiteral(
                            "%1 holds %2 s %3 moves, worse than the acknowledged %4 s %5")
                            .arg(level)
                            .arg(got.first)
                            .arg(got.second)
                            .arg(best[i].first)
                            .arg(best[i].second);
        }
        const bool untouched = held == BestTime{SettingsStore::defaultName(), 9999, 9999};
        if (!untouched && raced(held.name) != std::optional(got)) {
            problems << level + QStringLiteral(" holds a record nobody offered: ") + held.name;
        }
    }
    const QFileInfo store(SettingsStore::fileName());
    if (!QDir(store.path())
             .entryList({store.fileName() + QStringLiteral(".damaged-*")})
             .isEmpty()) {
        problems << QStringLiteral("the store file was set aside as damaged");
    }
    std::printf("%s acknowledged=%d%s%s\n", problems.isEmpty() ? "ok" : "DAMAGED", acknowledged,
                problems.isEmpty() ? "" : ": ", qPrintable(problems.join(QStringLiteral("; "))));
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
    if (args.size() == 4 && args[1] == QStringLiteral("race")) {
        return race(std::clamp(args[2].toInt(), 0, 2), args[3]);
    }
    if (args.size() >= 3 && args[1] == QStringLiteral("judge")) {
        return judge(args.mid(2));
    }
    std::fprintf(stderr,
                 "usage: zolva-store-writer write <0|1> <state> [pause-ms] | check <state> "
                 "[--concurrent] | race <0|1|2> <log> | judge <log>...\n");
    return 2;
}
