#include "app/record_keeper.h"

#include <QStringList>
#include <utility>

namespace zolva {

RecordKeeper::RecordKeeper(Warning warning) : warn(std::move(warning)) {}

RecordWrite RecordKeeper::offer(Level level, const BestTime& record) {
    const RecordWrite result = SettingsStore::offerBestTime(level, record);
    if (result.outcome != RecordWrite::Failed) {
        return result;
    }
    // Two refused records of one level: the better one is worth keeping.
    const auto held = kept.find(level);
    if (held == kept.end() || record.time < held->second.time ||
        (record.time == held->second.time && record.moves < held->second.moves)) {
        kept[level] = record;
    }
    warn(QStringLiteral("Best Time Not Saved"),
         QStringLiteral("Your best time could not be saved:\n%1\n"
                        "The game will try again when it closes.")
             .arg(result.reason));
    return result;
}

bool RecordKeeper::storeKept() {
    for (auto record = kept.begin(); record != kept.end();) {
        if (SettingsStore::offerBestTime(record->first, record->second).outcome ==
            RecordWrite::Failed) {
            ++record;
        } else {
            record = kept.erase(record);
        }
    }
    return kept.empty();
}

void RecordKeeper::reportStoreDamage() {
    const std::optional<StoreDamage> damage = SettingsStore::takeDamageReport();
    if (!damage) {
        return;
    }
    QStringList levels;
    for (Level level : damage->lostBestTimes) {
        levels << SettingsStore::levelSuffix(level);
    }
    const QString kept = damage->keptAs.isEmpty()
                             ? QStringLiteral("It could not be moved aside.")
                             : QStringLiteral("It has been kept as:\n%1").arg(damage->keptAs);
    const bool one = levels.size() == 1;
    warn(QStringLiteral("Best Times Lost"),
         QStringLiteral("The file of best times was damaged, and the %1 best %2 could not be "
                        "read.\n%3")
             .arg(levels.join(QStringLiteral(", ")),
                  one ? QStringLiteral("time") : QStringLiteral("times"), kept));
}

}  // namespace zolva
