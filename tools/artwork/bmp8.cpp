#include "bmp8.h"

#include <QHash>
#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

struct Entry {
    QRgb colour;
    int count;
};

struct Box {
    std::vector<Entry> entries;
    int Range(int channel) const {
        int lo = 255;
        int hi = 0;
        for (const Entry& e : entries) {
            int v = channel == 0   ? qRed(e.colour)
                    : channel == 1 ? qGreen(e.colour)
                                   : qBlue(e.colour);
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        return hi - lo;
    }
    long long Weight() const {
        long long w = 0;
        for (const Entry& e : entries)
            w += e.count;
        return w;
    }
};

int Channel(QRgb c, int channel) {
    return channel == 0 ? qRed(c) : channel == 1 ? qGreen(c) : qBlue(c);
}

void Put16(QByteArray& out, int v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(QByteArray& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

}  // namespace

QVector<QRgb> ChoosePalette(const QImage& source, int colours) {
    QImage image = source.convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, int> histogram;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            ++histogram[line[x] | 0xFF000000u];
    }
    std::vector<Box> boxes(1);
    for (auto it = histogram.begin(); it != histogram.end(); ++it) {
        boxes[0].entries.push_back({it.key(), it.value()});
    }
    // Split the box with the widest channel range (weighted by its pixel count) until there
    // are enough boxes or nothing is left to split.
    while (static_cast<int>(boxes.size()) < colours) {
        int best = -1;
        long long bestScore = 0;
        int bestChannel = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].entries.size() < 2)
                continue;
            for (int c = 0; c < 3; ++c) {
                long long score =
                    static_cast<long long>(boxes[i].Range(c)) *
                    (1 + static_cast<long long>(std::sqrt(static_cast<double>(boxes[i].Weight()))));
                if (score > bestScore) {
                    bestScore = score;
                    best = static_cast<int>(i);
                    bestChannel = c;
                }
            }
        }
        if (best < 0)
            break;
        Box& box = boxes[static_cast<size_t>(best)];
        std::sort(box.entries.begin(), box.entries.end(),
                  [bestChannel](const Entry& a, const Entry& b) {
                      return Channel(a.colour, bestChannel) < Channel(b.colour, bestChannel);
                  });
        long long half = box.Weight() / 2;
        long long running = 0;
        size_t cut = 1;
        for (size_t i = 0; i + 1 < box.entries.size(); ++i) {
            running += box.entries[i].count;
            cut = i + 1;
            if (running >= half)
                break;
        }
        Box upper;
        upper.entries.assign(box.entries.begin() + static_cast<long>(cut), box.entries.end());
        box.entries.resize(cut);
        boxes.push_back(std::move(upper));
    }
    QVector<QRgb> palette;
    for (const Box& box : boxes) {
        double r = 0, g = 0, b = 0, w = 0;
        for (const Entry& e : box.entries) {
            r += qRed(e.colour) * static_cast<double>(e.count);
            g += qGreen(e.colour) * static_cast<double>(e.count);
            b += qBlue(e.colour) * static_cast<double>(e.count);
            w += e.count;
        }
        palette.push_back(qRgb(static_cast<int>(r / w + 0.5), static_cast<int>(g / w + 0.5),
                               static_cast<int>(b / w + 0.5)));
    }
    std::sort(palette.begin(), palette.end(), [](QRgb a, QRgb b) { return qGray(a) < qGray(b); });
    while (palette.size() < colours)
        palette.push_back(qRgb(0, 0, 0));
    return palette;
}

QImage Quantize(const QImage& source, const QVector<QRgb>& palette) {
    QImage image = source.convertToFormat(QImage::Format_RGB32);
    QImage out(image.size(), QImage::Format_Indexed8);
    out.setColorTable(palette);
    QHash<QRgb, int> nearest;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* dest = out.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            QRgb c = line[x] | 0xFF000000u;
            auto it = nearest.find(c);
            if (it == nearest.end()) {
                int best = 0;
                int bestDistance = INT32_MAX;
                for (int i = 0; i < palette.size(); ++i) {
                    int dr = qRed(c) - qRed(palette[i]);
                    int dg = qGreen(c) - qGreen(palette[i]);
                    int db = qBlue(c) - qBlue(palette[i]);
                    int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
                    if (d < bestDistance) {
                        bestDistance = d;
                        best = i;
                    }
                }
                it = nearest.insert(c, best);
            }
            dest[x] = static_cast<uchar>(it.value());
        }
    }
    return out;
}

QByteArray EncodeBmp8(const QImage& indexed) {
    const int width = indexed.width();
    const int height = indexed.height();
    const int stride = (width + 3) & ~3;
    const int paletteBytes = 256 * 4;
    const int offset = 14 + 40 + paletteBytes;
    const std::uint32_t imageBytes =
        static_cast<std::uint32_t>(stride) * static_cast<std::uint32_t>(height);
    QByteArray out;
    out.append("BM");
    Put32(out, static_cast<std::uint32_t>(offset) + imageBytes);
    Put32(out, 0);
    Put32(out, static_cast<std::uint32_t>(offset));
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height));  // positive: rows bottom-up
    Put16(out, 1);
    Put16(out, 8);
    Put32(out, 0);  // BI_RGB, uncompressed
    Put32(out, imageBytes);
    Put32(out, 2835);  // 72 dpi
    Put32(out, 2835);
    Put32(out, 256);
    Put32(out, 0);
    QVector<QRgb> table = indexed.colorTable();
    for (int i = 0; i < 256; ++i) {
        QRgb c = i < table.size() ? table[i] : qRgb(0, 0, 0);
        out.append(static_cast<char>(qBlue(c)));
        out.append(static_cast<char>(qGreen(c)));
        out.append(static_cast<char>(qRed(c)));
        out.append('\0');
    }
    for (int y = height - 1; y >= 0; --y) {
        out.append(reinterpret_cast<const char*>(indexed.constScanLine(y)), width);
        for (int p = width; p < stride; ++p)
            out.append('\0');
    }
    return out;
}
