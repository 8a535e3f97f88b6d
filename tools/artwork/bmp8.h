// Writes and reads 8-bit palette BMP files (uncompressed, 256-entry colour table), and turns
// a true-colour picture into one with a palette chosen for it.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QVector>

// The 256 colours that best represent the picture (median cut over its colours).
QVector<QRgb> ChoosePalette(const QImage& image, int colours = 256);

// Each pixel as the index of the nearest palette colour.
QImage Quantize(const QImage& image, const QVector<QRgb>& palette);

// BITMAPFILEHEADER + BITMAPINFOHEADER + 256 RGBQUAD + bottom-up rows padded to 4 bytes.
QByteArray EncodeBmp8(const QImage& indexed);
