// The game's side of out-of-process decoding. Every picture file the player brings is
// decoded by the decoder program (decoder_protocol.h) in a child process under hard limits;
// the game only opens the file, waits, checks the reply and maps the pixels. A child that
// crashes, is killed, runs out of time, replies with anything malformed or does not close
// its end after exactly one reply makes the file unreadable, nothing more.
//
// While it waits, the game keeps its window alive: events are processed (repaints, timers,
// the termination signals), the cursor shows it is busy, input is held off, and Esc or a
// request to close a window cancels the decode; the close itself then follows.
#pragma once

#include <sys/types.h>
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include "framework/decoder_protocol.h"

namespace zolva::imageio {

// Which file was decoded: a later load of the same name may reuse the pixels only while
// the file is still this one.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    qint64 modifiedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

struct DecoderRun {
    QString program;  // empty: the installed decoder (decoderProgram())
    int wallClockMs = decoder::kWallClockMs;
};

// Opens `path` (a regular file only: never a pipe, device or folder) and has it decoded to
// fit inside `fit` (no limit when empty). False, with `out` untouched, on any failure.
bool decodeInChild(const QByteArray& path, QSize fit, QImage& out, FileIdentity* identity = nullptr,
                   const DecoderRun& run = {});

// The identity of the file now at `path`; false when it cannot be examined.
bool identifyFile(const QByteArray& path, FileIdentity& out);

// Beside an installed game first (wherever the installation was moved), then where the
// build put it, then the configured installation folder. Empty when none exists.
QString decoderProgram();

// How many decoder processes this game has started. The built-in pictures never start one.
int decodersStarted();

// Ends the decode now running, if any, as a failure (Esc and closing a window do this).
void cancelDecoding();
// The same, and every later decode fails at once: the game is ending. For the termination
// signals, which must end the game within a second even while its stored picture decodes.
void endDecoding();
// Whether the last decode failed because it was cancelled or ended rather than on the file.
bool lastDecodeCancelled();

}  // namespace zolva::imageio
