// The pixels of the last picture file the game decoded, kept on disk between runs. The
// stored picture is the first thing every start shows, and having a camera photo decoded
// by the decoder process took as long again as all the rest of the start; read back from
// here it costs one file read. The file is our own plain format, written only with pixels
// the decoder process handed back, and every field of it is checked before anything is
// allocated: a damaged, foreign or stale file is a miss, and the picture is decoded anew.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include "framework/decoder_client.h"

namespace zolva::imageio {

// Where the pixels are kept; empty, the default, keeps none. Its folder is made on the
// first write.
void setPictureCacheFile(const QString& path);

// The pixels decoded earlier from the file at `path` under the fit size `fit`, while that
// file is still `identity`. False, with `out` untouched, on a miss.
bool readCachedPicture(const QByteArray& path, QSize fit, const FileIdentity& identity,
                       QImage& out);

// Replaces what is kept. A failure only means the next start decodes again.
void writeCachedPicture(const QByteArray& path, QSize fit, const FileIdentity& identity,
                        const QImage& image);

}  // namespace zolva::imageio
