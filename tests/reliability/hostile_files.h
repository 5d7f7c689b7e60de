// Material for the hostile-picture runs: one small, valid file of every kind the game opens
// (several variants where a format has them), and a seeded mutator that damages such a
// file the way a broken download, a bad disk or a deliberately crafted file would. The
// same seed, format and case number always give the same bytes, so any case a long run
// trips over can be replayed on its own.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace zolva::reliability {

struct SeedFile {
    QString format;  // "bmp", "gif", "jpeg", "png", "tga", "tiff", "pcx", "wmf"
    QString label;   // which variant, for messages
    QByteArray bytes;
};

// Every format the open-file dialog offers, in a fixed order.
QStringList seedFormats();
// The valid files of one format (all of them for an empty format). Each decodes.
std::vector<SeedFile> seedFiles(const QString& format = QString());

// The bytes of case `index` of a run: one of the format's seeds, chosen in turn, with one
// to four stacked mutations (bit flips, byte sets, truncation, duplicated or removed
// chunks, header fields overwritten with extreme values). `what` receives a short
// description of the mutations for reports.
QByteArray mutatedCase(const std::vector<SeedFile>& seeds, std::uint32_t seed, std::uint64_t index,
                       QString* what = nullptr);

}  // namespace zolva::reliability
