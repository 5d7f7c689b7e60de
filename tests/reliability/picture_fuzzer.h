// Runs damaged picture files through the path a player's file takes: a Picture made from
// the file (size from the header), its surface created, and the file swapped into a
// picture that is already on show. Whatever the bytes, a load either works and yields a
// sane sheet, or fails and leaves the picture on show exactly as it was.
#pragma once

#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <memory>
#include <string>

#include "framework/picture.h"

namespace zolva::reliability {

struct FuzzTally {
    std::uint64_t cases = 0;
    std::uint64_t loaded = 0;   // replaceImage accepted the file
    std::uint64_t refused = 0;  // replaceImage refused it
};

class PictureFuzzer {
public:
    // Case files are written into `workDir`; it must exist.
    explicit PictureFuzzer(const QString& workDir);

    // Runs one file. Returns an empty string when every promise held, otherwise what broke.
    std::string runCase(const QByteArray& data);

    const FuzzTally& tally() const { return tally_; }
    // Where the case being run is written: after a crash it holds the culprit.
    QString caseFile() const { return casePath_; }

private:
    void resetShownPicture();

    QString casePath_;
    QString goodPath_;
    std::unique_ptr<Picture> shown_;  // the picture "on show" that every case is swapped into
    FuzzTally tally_;
};

}  // namespace zolva::reliability
