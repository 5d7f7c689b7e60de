// The boundary to the decoder process, seen from the game: a decoder that misbehaves in any
// way costs at most the wall-clock limit and yields an unreadable file; the sandbox holds;
// Esc and closing a window cancel the wait; file names that are not UTF-8 survive.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QRandomGenerator>
#include <QTimer>
#include <QWindow>

#include "framework/decoder_client.h"
#include "framework/file_name.h"
#include "image_file_test.h"

namespace zolva {
namespace {

class DecoderBoundary : public testing::ImageFileTest {
protected:
    // Has the rogue decoder do what `mode` says; `out` must stay untouched on a failure.
    bool rogue(const char* mode, QImage& out, int wallClockMs = 1000) const {
        const QString file = write(QStringLiteral("rogue"), mode);
        return imageio::decodeInChild(QFile::encodeName(file), QSize(), out, nullptr,
                                      {QStringLiteral(ZOLVA_ROGUE_DECODER), wallClockMs});
    }
};

TEST_F(DecoderBoundary, AnyMisbehaviourIsAnUnreadableFile) {
    QImage image;
    ASSERT_TRUE(rogue("good", image));
    EXPECT_EQ(image.size(), QSize(1, 1));
    // It tries to write a file, open a socket, fork, run a program and signal the game.
    EXPECT_TRUE(rogue("escape", image)) << "the sandbox let something through";
    for (const char* mode : {"crash", "hang", "short", "huge", "format", "twice", "lingers"}) {
        QImage untouched;
        EXPECT_FALSE(rogue(mode, untouched)) << mode;
        EXPECT_TRUE(untouched.isNull()) << mode;
        EXPECT_FALSE(imageio::lastDecodeCancelled()) << mode;
    }
#if !defined(__SANITIZE_ADDRESS__)  // such a build has no address-space limit
    EXPECT_FALSE(rogue("flood", image, 20000));
#endif
}

TEST_F(DecoderBoundary, EscAndClosingCancelAndTheCloseFollows) {
    QWindow window;
    window.show();
    QTimer::singleShot(50, [&window] {
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &esc);
    });
    QImage image;
    EXPECT_FALSE(rogue("hang", image, 60000));
    EXPECT_TRUE(imageio::lastDecodeCancelled());

    QTimer::singleShot(50, &window, &QWindow::close);
    EXPECT_FALSE(rogue("hang", image, 60000));
    EXPECT_TRUE(imageio::lastDecodeCancelled());
    EXPECT_TRUE(window.isVisible()) << "closed under the decode's feet";
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(rogue("good", image)) << "a cancel must not outlive its decode";
}

TEST(FileNames, AnyBytesRoundTripAndValidUtf8IsPlainText) {
    QRandomGenerator random(7);
    for (int i = 0; i < 2000; ++i) {
        QByteArray bytes(random.bounded(1, 12), '\0');
        for (char& c : bytes) {
            c = static_cast<char>(random.bounded(i % 2 ? 256 : 1 << 7) | (i % 3 ? 0 : 0x80));
        }
        const QString name = fileNameFromBytes(bytes);
        ASSERT_EQ(fileNameToBytes(name), bytes) << bytes.toHex().toStdString();
        const bool valid = QString::fromUtf8(bytes).toUtf8() == bytes;
        EXPECT_EQ(hasEscapedBytes(name), !valid) << bytes.toHex().toStdString();
        if (valid) {
            EXPECT_EQ(name, QString::fromUtf8(bytes));
        }
    }
    // Overlong forms, encoded surrogates and characters beyond U+10FFFF are not UTF-8.
    for (const char* invalid : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82"}) {
        EXPECT_TRUE(hasEscapedBytes(fileNameFromBytes(invalid))) << invalid;
    }
    EXPECT_FALSE(hasEscapedBytes(QString::fromUtf8("\xF0\x90\x82\x80 caf\xC3\xA9")));
}

TEST_F(DecoderBoundary, APictureWhoseNameIsNotUtf8Loads) {
    const QByteArray name = QFile::encodeName(dir.path()) + "/\xE9t\xE9-\xFF.png";
    QImage source(4, 3, QImage::Format_RGB32);
    source.fill(Qt::darkCyan);
    const QString written = write(QStringLiteral("plain.png"), QByteArray());
    ASSERT_TRUE(source.save(written, "PNG"));
    ASSERT_EQ(::rename(QFile::encodeName(written).constData(), name.constData()), 0);
    EXPECT_EQ(loadChecked(fileNameFromBytes(name)).pixel(3, 2), source.pixel(3, 2));
    ::unlink(name.constData());  // the temporary folder cannot name it to remove it
}

}  // namespace
}  // namespace zolva
