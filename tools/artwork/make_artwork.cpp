// Draws the program's bitmaps and writes them into a folder (normally res/):
//   IDB_BACKDROP.bmp            632 x 453, the form's backdrop with every fixed caption
//   IDB_{PREV,NEXT}_{UP,DOWN,FOCUS,DIM}.bmp   19 x 23 page buttons
//   mainframe.png               32 x 32 frame icon
// Bitmaps are 8 bits per pixel with a 256-entry colour table, uncompressed.
//
// Usage: QT_QPA_PLATFORM=offscreen vel7m-artwork OUTDIR [--preview]
// With --preview the backdrop is also written as PNG with the controls' places outlined.
// vel7m-artwork --icons OUTDIR writes the frame icon at the desktop's sizes instead (the
// installed application icons, normally into res/icons).

#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

#include "bmp8.h"

namespace {

// Colours: a warm paper page, deep green for headings, muted gold for rules.
const QColor kPaperTop(0xF5, 0xF0, 0xE3);
const QColor kPaperBottom(0xEA, 0xE3, 0xD0);
const QColor kPanel(0xFB, 0xF8, 0xEF);
const QColor kPanelEdge(0xC8, 0xBB, 0x98);
const QColor kGreen(0x2E, 0x4A, 0x39);
const QColor kGreenDark(0x22, 0x39, 0x2B);
const QColor kGold(0xB8, 0x96, 0x55);
const QColor kIvory(0xF7, 0xF2, 0xE4);
const QColor kCaption(0x2F, 0x3D, 0x33);
const QColor kTableBody(0xFF, 0xFD, 0xF6);
const QColor kTableRule(0xD9, 0xCF, 0xB6);
const QColor kTableEdge(0x7D, 0x8E, 0x7F);

// Places of the form's controls and of the result list (client pixels).
const QRect kSurnameEdit(236, 71, 161, 29);
const QRect kFirstNameEdit(461, 71, 161, 29);
const QRect kBirthEdit(461, 101, 52, 26);
const QRect kDeathEdit(571, 101, 52, 26);
const QRect kStateCombo(236, 101, 179, 24);
const QRect kSearchButtons(200, 135, 316, 20);
const QRect kPrevButton(541, 179, 19, 23);
const QRect kNextButton(582, 179, 19, 23);
const QRect kBottomButtons(219, 426, 197, 20);
const QRect kCountLine(267, 181, 183, 29);
const int kListLeft = 20;
const int kListTop = 249;
const int kListRight = 602;
const int kListBottom = 413;
struct Column {
    int from;
    int to;
    const char* heading;
};
const Column kColumns[] = {{20, 140, "Surname"},
                           {158, 282, "Given Name"},
                           {300, 384, "Date of Birth"},
                           {400, 484, "Date of Death"},
                           {500, 601, "Last Known Residence"}};

QFont Font(const char* family, int pixels, int weight = QFont::Normal, bool italic = false) {
    QFont f(QString::fromLatin1(family));
    f.setPixelSize(pixels);
    f.setWeight(static_cast<QFont::Weight>(weight));
    f.setItalic(italic);
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// Right-aligned caption ending `gap` pixels left of `control`, centred on it vertically; the
// font shrinks until the caption fits into `room` pixels.
void Caption(QPainter& p, const QString& text, const QRect& control, int room, int gap = 6) {
    QFont f = Font("Nimbus Sans Narrow", 13, QFont::Bold);
    while (QFontMetrics(f).horizontalAdvance(text) > room - gap && f.pixelSize() > 9) {
        f.setPixelSize(f.pixelSize() - 1);
    }
    p.setFont(f);
    p.setPen(kCaption);
    QRect box(control.left() - gap - room, control.top(), room, control.height());
    p.drawText(box, Qt::AlignRight | Qt::AlignVCenter, text);
}

void Diamond(QPainter& p, QPointF centre, double r, const QColor& c) {
    QPainterPath path;
    path.moveTo(centre.x(), centre.y() - r);
    path.lineTo(centre.x() + r, centre.y());
    path.lineTo(centre.x(), centre.y() + r);
    path.lineTo(centre.x() - r, centre.y());
    path.closeSubpath();
    p.fillPath(path, c);
}

// A small open book: the index the user searches.
void Emblem(QPainter& p, QPointF c) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kGreen, 1.4));
    p.setBrush(kPanel);
    QPainterPath left;
    left.moveTo(c.x(), c.y() - 10);
    left.cubicTo(c.x() - 10, c.y() - 15, c.x() - 22, c.y() - 13, c.x() - 28, c.y() - 10);
    left.lineTo(c.x() - 28, c.y() + 14);
    left.cubicTo(c.x() - 22, c.y() + 11, c.x() - 10, c.y() + 10, c.x(), c.y() + 15);
    left.closeSubpath();
    QPainterPath right;
    right.moveTo(c.x(), c.y() - 10);
    right.cubicTo(c.x() + 10, c.y() - 15, c.x() + 22, c.y() - 13, c.x() + 28, c.y() - 10);
    right.lineTo(c.x() + 28, c.y() + 14);
    right.cubicTo(c.x() + 22, c.y() + 11, c.x() + 10, c.y() + 10, c.x(), c.y() + 15);
    right.closeSubpath();
    p.drawPath(left);
    p.drawPath(right);
    p.setPen(QPen(kGold, 1.0));
    for (int i = 0; i < 4; ++i) {
        double y = c.y() - 5 + i * 4.5;
        p.drawLine(QPointF(c.x() - 23, y), QPointF(c.x() - 5, y + 1.5));
        p.drawLine(QPointF(c.x() + 5, y + 1.5), QPointF(c.x() + 23, y));
    }
    p.restore();
}

QImage Backdrop(bool outlineControls) {
    QImage img(632, 453, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient paper(0, 0, 0, 453);
    paper.setColorAt(0, kPaperTop);
    paper.setColorAt(1, kPaperBottom);
    p.fillRect(img.rect(), paper);

    // Title band.
    QLinearGradient band(0, 0, 0, 46);
    band.setColorAt(0, kGreen);
    band.setColorAt(1, kGreenDark);
    p.fillRect(QRect(0, 0, 632, 46), band);
    p.fillRect(QRect(0, 46, 632, 2), kGold);
    QFont title = Font("P052", 26, QFont::Bold);
    title.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    p.setFont(title);
    p.setPen(kIvory);
    QRect titleBox(0, 0, 632, 46);
    p.drawText(titleBox, Qt::AlignCenter, QStringLiteral("Vavaze Devedire Rizuz"));
    int titleWidth = QFontMetrics(title).horizontalAdvance(QStringLiteral("Vavaze Devedire Rizuz"));
    for (int side : {-1, 1}) {
        double inner = 316 + side * (titleWidth / 2.0 + 16);
        double outer = 316 + side * (titleWidth / 2.0 + 76);
        p.setPen(QPen(kGold, 1));
        p.drawLine(QPointF(inner + side * 6, 23.5), QPointF(outer, 23.5));
        Diamond(p, QPointF(inner, 23.5), 3.5, kGold);
    }

    // Search criteria panel.
    QRectF criteria(8.5, 55.5, 620, 106);
    p.setPen(QPen(kPanelEdge, 1));
    p.setBrush(kPanel);
    p.drawRoundedRect(criteria, 6, 6);
    p.setFont(Font("P052", 17, QFont::Bold));
    p.setPen(kGreen);
    p.drawText(QRect(22, 60, 200, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Search Criteria"));
    p.fillRect(QRect(22, 85, 118, 1), kGold);
    Emblem(p, QPointF(64, 124));

    Caption(p, QStringLiteral("Surname"), kSurnameEdit, 100);
    Caption(p, QStringLiteral("Given Name"), kFirstNameEdit, 64, 5);
    Caption(p, QStringLiteral("Last Known Residence"), kStateCombo, 140);
    Caption(p, QStringLiteral("Yr. Birth"), kBirthEdit, 46, 4);
    Caption(p, QStringLiteral("Yr. Death"), kDeathEdit, 58, 5);

    // Results heading, page button captions.
    p.setFont(Font("P052", 17, QFont::Bold));
    p.setPen(kGreen);
    p.drawText(QRect(16, 178, 220, 26), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Search Results:"));
    QFont small = Font("Nimbus Sans Narrow", 12, QFont::Bold);
    p.setFont(small);
    p.setPen(kCaption);
    p.drawText(QRect(kPrevButton.center().x() - 20, 164, 41, 14), Qt::AlignCenter,
               QStringLiteral("Back"));
    p.drawText(QRect(kNextButton.center().x() - 20, 164, 41, 14), Qt::AlignCenter,
               QStringLiteral("Next"));
    p.fillRect(QRect(16, 214, 600, 1), kGold);

    // The ruled table: header row just above the list, body under the list area.
    const int tableLeft = 14;
    const int tableRight = 608;
    const int headerTop = 224;
    const int bodyBottom = kListBottom + 3;
    p.setRenderHint(QPainter::Antialiasing, false);
    QLinearGradient header(0, headerTop, 0, kListTop);
    header.setColorAt(0, QColor(0x3F, 0x5E, 0x4A));
    header.setColorAt(1, kGreen);
    p.fillRect(QRect(tableLeft, headerTop, tableRight - tableLeft, kListTop - headerTop), header);
    p.fillRect(QRect(tableLeft, kListTop, tableRight - tableLeft, bodyBottom - kListTop),
               kTableBody);
    // One size for all headings: the largest at which each fits its column.
    QFont headingFont = Font("Nimbus Sans Narrow", 14, QFont::Bold);
    for (const Column& c : kColumns) {
        while (QFontMetrics(headingFont).horizontalAdvance(QString::fromLatin1(c.heading)) >
                   c.to - c.from + 4 &&
               headingFont.pixelSize() > 9) {
            headingFont.setPixelSize(headingFont.pixelSize() - 1);
        }
    }
    p.setFont(headingFont);
    p.setPen(kIvory);
    for (const Column& c : kColumns) {
        p.drawText(QRect(c.from, headerTop, c.to - c.from + 6, kListTop - headerTop - 1),
                   Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(c.heading));
    }
    // Column rules in the gaps between the columns, which the list never paints.
    for (size_t i = 0; i + 1 < std::size(kColumns); ++i) {
        int x = (kColumns[i].to + kColumns[i + 1].from) / 2;
        p.fillRect(QRect(x, headerTop + 4, 1, kListTop - headerTop - 8), QColor(0x6E, 0x8A, 0x76));
        p.fillRect(QRect(x, kListTop, 1, bodyBottom - kListTop), kTableRule);
    }
    p.setPen(kTableEdge);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(tableLeft, headerTop, tableRight - tableLeft - 1, bodyBottom - headerTop));
    p.fillRect(QRect(16, 421, 600, 1), kGold);

    if (outlineControls) {
        p.setPen(QPen(QColor(200, 0, 0), 1, Qt::DashLine));
        for (const QRect& r :
             {kSurnameEdit, kFirstNameEdit, kBirthEdit, kDeathEdit, kStateCombo, kSearchButtons,
              kPrevButton, kNextButton, kBottomButtons, kCountLine}) {
            p.drawRect(r.adjusted(0, 0, -1, -1));
        }
        p.drawRect(
            QRect(kListLeft, kListTop, kListRight - kListLeft - 1, kListBottom - kListTop - 1));
    }
    p.end();
    return img;
}

enum class Face { Up, Down, Focus, Dim };

QImage PageButton(bool next, Face face) {
    QImage img(19, 23, QImage::Format_RGB32);
    QPainter p(&img);
    QColor top = face == Face::Down  ? QColor(0xD6, 0xCC, 0xB2)
                 : face == Face::Dim ? QColor(0xEF, 0xEB, 0xE0)
                                     : QColor(0xF4, 0xEE, 0xDD);
    QColor bottom = face == Face::Down  ? QColor(0xE6, 0xDE, 0xC8)
                    : face == Face::Dim ? QColor(0xE6, 0xE1, 0xD4)
                                        : QColor(0xDC, 0xD2, 0xB8);
    QLinearGradient g(0, 0, 0, 23);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(img.rect(), g);
    QColor edge = face == Face::Dim     ? QColor(0xA8, 0xAE, 0xA4)
                  : face == Face::Focus ? kGold
                                        : QColor(0x4F, 0x63, 0x55);
    // Bevel: light above and left when raised, dark when pressed.
    QColor light = face == Face::Down ? QColor(0xB5, 0xAA, 0x8D) : QColor(0xFF, 0xFE, 0xF8);
    QColor dark = face == Face::Down ? QColor(0xF4, 0xEE, 0xDD) : QColor(0xA9, 0x9C, 0x7C);
    p.fillRect(QRect(1, 1, 17, 1), light);
    p.fillRect(QRect(1, 1, 1, 21), light);
    p.fillRect(QRect(1, 21, 17, 1), dark);
    p.fillRect(QRect(17, 1, 1, 21), dark);
    p.setPen(edge);
    p.drawRect(QRect(0, 0, 18, 22));
    if (face == Face::Focus)
        p.drawRect(QRect(1, 1, 16, 20));
    p.setRenderHint(QPainter::Antialiasing);
    double shift = face == Face::Down ? 1.0 : 0.0;
    double cx = 9.5 + shift;
    double cy = 11.5 + shift;
    QPainterPath arrow;
    if (next) {
        arrow.moveTo(cx - 3.0, cy - 5.5);
        arrow.lineTo(cx + 4.0, cy);
        arrow.lineTo(cx - 3.0, cy + 5.5);
    } else {
        arrow.moveTo(cx + 3.0, cy - 5.5);
        arrow.lineTo(cx - 4.0, cy);
        arrow.lineTo(cx + 3.0, cy + 5.5);
    }
    arrow.closeSubpath();
    if (face == Face::Dim) {
        p.fillPath(arrow.translated(1, 1), QColor(0xFF, 0xFE, 0xF8));
        p.fillPath(arrow, QColor(0xAE, 0xAA, 0x9C));
    } else {
        p.fillPath(arrow, kGreen);
    }
    p.end();
    return img;
}

// The frame icon, drawn on a 32-pixel grid and scaled to `size`.
QImage Icon(int size = 32) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.setPen(QPen(kGold, 1.5));
    p.setBrush(kGreen);
    p.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 5, 5);
    Emblem(p, QPointF(16, 16));
    p.end();
    return img;
}

bool Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "vel7m-artwork: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

bool WriteBmp(const QString& path, const QImage& picture) {
    return Write(path, EncodeBmp8(Quantize(picture, ChoosePalette(picture))));
}

// The desktop's application icons, one PNG per size: OUTDIR/NNxNN.png.
int WriteIcons(const QString& dir) {
    bool ok = true;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        ok = Icon(size).save(QStringLiteral("%1/%2x%2.png").arg(dir).arg(size)) && ok;
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--icons")
        return WriteIcons(QString::fromLocal8Bit(argv[2]));
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: vel7m-artwork OUTDIR [--preview]\n"
                     "       vel7m-artwork --icons OUTDIR\n");
        return 2;
    }
    QString dir = QString::fromLocal8Bit(argv[1]);
    bool preview = argc > 2 && QByteArray(argv[2]) == "--preview";
    bool ok = WriteBmp(dir + "/IDB_BACKDROP.bmp", Backdrop(false));
    if (preview)
        ok = Backdrop(true).save(dir + "/backdrop-preview.png") && ok;
    const struct {
        const char* name;
        Face face;
    } faces[] = {
        {"UP", Face::Up}, {"DOWN", Face::Down}, {"FOCUS", Face::Focus}, {"DIM", Face::Dim}};
    for (bool next : {false, true}) {
        for (const auto& f : faces) {
            QString name =
                QStringLiteral("%1/IDB_%2_%3.bmp").arg(dir, next ? "NEXT" : "PREV", f.name);
            ok = WriteBmp(name, PageButton(next, f.face)) && ok;
        }
    }
    ok = Icon().save(dir + "/mainframe.png") && ok;
    return ok ? 0 : 1;
}
