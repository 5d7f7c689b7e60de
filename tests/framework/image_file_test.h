// What the image loader tests share: files written into a fresh folder, and loading one
// with the check that the size told beforehand is the size decoded.
#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QSize>
#include <QString>
#include <QTemporaryDir>

#include "framework/image_loader.h"

namespace zolva::testing {

class ImageFileTest : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& data) const {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
        return f.fileName();
    }
    static QImage loadChecked(const QString& file) {
        QImage image;
        QSize size;
        EXPECT_TRUE(imageio::loadImage(file, image)) << file.toStdString();
        EXPECT_TRUE(imageio::readImageSize(file, size)) << file.toStdString();
        EXPECT_EQ(size, image.size()) << file.toStdString();
        return image;
    }

    QTemporaryDir dir;
};

}  // namespace zolva::testing
