// The artwork tool's palette conversion and BMP writer, which every committed bitmap went
// through.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <set>

#include "afxwin.h"
#include "bmp8.h"

namespace {

TEST(Artwork, FewColoursSurviveExactlyAndTheFileDecodesToTheSamePicture) {
    struct Case {
        int width;
        int height;  // odd widths exercise the row padding
    };
    for (Case c : {Case{19, 23}, Case{632, 453}, Case{1, 1}, Case{5, 3}}) {
        QImage picture(c.width, c.height, QImage::Format_RGB32);
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x)
                picture.setPixel(x, y, qRgb((x * 37) % 200, (y * 11) % 256, 90));
        }
        QVector<QRgb> palette = ChoosePalette(picture);
        ASSERT_EQ(palette.size(), 256);
        QImage indexed = Quantize(picture, palette);
        QImage decoded =
            QImage::fromData(EncodeBmp8(indexed), "BMP").convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(decoded.size(), picture.size());
        std::set<QRgb> colours;
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x)
                colours.insert(picture.pixel(x, y));
        }
        if (colours.size() <= 256) {
            EXPECT_EQ(decoded, picture) << c.width << "x" << c.height << ": no colour lost";
        }
    }
}

TEST(Artwork, ManyColoursAreApproximatedClosely) {
    GetSystemMetrics(SM_CXSCREEN);  // starts the window system: text needs its fonts
    QImage picture(256, 64, QImage::Format_RGB32);
    QPainter p(&picture);
    QLinearGradient g(0, 0, 256, 0);
    g.setColorAt(0, QColor(0x2E, 0x4A, 0x39));
    g.setColorAt(0.5, QColor(0xF5, 0xF0, 0xE3));
    g.setColorAt(1, QColor(0xB8, 0x96, 0x55));
    p.fillRect(picture.rect(), g);
    p.setPen(Qt::black);
    p.drawText(picture.rect(), Qt::AlignCenter, QStringLiteral("Search Results:"));
    p.end();
    QImage decoded = QImage::fromData(EncodeBmp8(Quantize(picture, ChoosePalette(picture))), "BMP");
    ASSERT_EQ(decoded.size(), picture.size());
    int worst = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 256; ++x) {
            QRgb a = picture.pixel(x, y);
            QRgb b = decoded.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
        }
    }
    EXPECT_LE(worst, 24) << "256 well-chosen colours keep gradients and text edges close";
}

}  // namespace
