// The compiled-in resources: bitmap formats, the backdrop's layout, the dialog table.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <cstdint>

#include "resource_ids.h"
#include "ui_test_support.h"

namespace {

std::uint32_t U32(const QByteArray& b, int at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

std::uint16_t U16(const QByteArray& b, int at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}

QByteArray Resource(const char* name) {
    QFile f(QStringLiteral(":/vel7m/BITMAP/") + QString::fromLatin1(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(Resources, BitmapsAreUncompressed8BitWithA256ColourTable) {
    CWinApp app;  // makes sure the window system (and the resources) are up
    struct Case {
        const char* name;
        int width;
        int height;
    };
    const Case cases[] = {
        {"IDB_BACKDROP", 632, 453}, {"IDB_PREV_UP", 19, 23},    {"IDB_PREV_DOWN", 19, 23},
        {"IDB_PREV_FOCUS", 19, 23}, {"IDB_PREV_DIM", 19, 23},   {"IDB_NEXT_UP", 19, 23},
        {"IDB_NEXT_DOWN", 19, 23},  {"IDB_NEXT_FOCUS", 19, 23}, {"IDB_NEXT_DIM", 19, 23}};
    for (const Case& c : cases) {
        QByteArray b = Resource(c.name);
        ASSERT_GE(b.size(), 54 + 1024) << c.name;
        EXPECT_EQ(b.left(2), "BM") << c.name;
        EXPECT_EQ(U32(b, 2), static_cast<std::uint32_t>(b.size())) << c.name << ": file size";
        EXPECT_EQ(U32(b, 10), 54u + 1024u) << c.name << ": pixels follow the colour table";
        EXPECT_EQ(U32(b, 14), 40u) << c.name << ": BITMAPINFOHEADER";
        EXPECT_EQ(static_cast<int>(U32(b, 18)), c.width) << c.name;
        EXPECT_EQ(static_cast<int>(U32(b, 22)), c.height) << c.name << ": bottom-up rows";
        EXPECT_EQ(U16(b, 26), 1) << c.name;
        EXPECT_EQ(U16(b, 28), 8) << c.name << ": 8 bits per pixel";
        EXPECT_EQ(U32(b, 30), 0u) << c.name << ": BI_RGB, uncompressed";
        EXPECT_EQ(U32(b, 46), 256u) << c.name << ": 256 colours in the table";
        int stride = (c.width + 3) & ~3;
        EXPECT_EQ(b.size(), 54 + 1024 + stride * c.height) << c.name;

        HBITMAP h = static_cast<HBITMAP>(
            LoadImage(AfxGetResourceHandle(), c.name, IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
        ASSERT_NE(h, nullptr) << c.name;
        BITMAP bm{};
        GetObject(h, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, c.width);
        EXPECT_EQ(bm.bmHeight, c.height);
        DeleteObject(h);
    }
    // Names are looked up as the platform does: without regard to case.
    HBITMAP lower = static_cast<HBITMAP>(
        LoadImage(AfxGetResourceHandle(), "idb_next_up", IMAGE_BITMAP, 0, 0, 0));
    EXPECT_NE(lower, nullptr);
    DeleteObject(lower);
    EXPECT_EQ(LoadImage(AfxGetResourceHandle(), "../IDB_BACKDROP", IMAGE_BITMAP, 0, 0, 0), nullptr);
    HICON icon = app.LoadIcon(IDR_MAINFRAME);
    EXPECT_NE(icon, nullptr) << "the frame's icon";
    DeleteObject(icon);
}

// The list is drawn in near-black green with a transparent background: every pixel of the
// five columns under the list must be light, and the gaps between them carry the rules.
TEST(Resources, BackdropTableBodyIsLightUnderTheListColumns) {
    QImage backdrop = QImage::fromData(Resource("IDB_BACKDROP"), "BMP");
    ASSERT_EQ(backdrop.size(), QSize(632, 453));
    const int columns[][2] = {{20, 140}, {158, 282}, {300, 384}, {400, 484}, {500, 601}};
    for (const auto& col : columns) {
        for (int y = 249; y < 413; ++y) {
            for (int x = col[0]; x < col[1]; ++x) {
                ASSERT_GT(qGray(backdrop.pixel(x, y)), 225) << x << "," << y;
            }
        }
    }
    // Under the controls nothing is drawn that a control would half cover: the captions lie
    // beside them. The title band is dark, the count line's place is light.
    EXPECT_LT(qGray(backdrop.pixel(5, 5)), 100);
    for (int x = 267; x < 450; x += 7)
        EXPECT_GT(qGray(backdrop.pixel(x, 190)), 200);
}

TEST(Resources, DetailsDialogTableHasTheSixFieldsAndOk) {
    const DLGTEMPLATE_TABLE* t = AfxFindDialogTemplate(IDD_RECORD);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->cx, 309);
    EXPECT_EQ(t->cy, 146);
    int fields = 0;
    int tabStops = 0;
    for (int i = 0; i < t->itemCount; ++i) {
        const DLGITEM& item = t->items[i];
        if (std::string(item.className) == "EDIT") {
            ++fields;
            EXPECT_TRUE(item.style & ES_READONLY) << item.id;
            EXPECT_FALSE(item.style & WS_BORDER) << item.id;
        }
        if (item.style & WS_TABSTOP) {
            ++tabStops;
            EXPECT_EQ(item.id, IDOK);
            EXPECT_EQ(item.style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
        }
    }
    EXPECT_EQ(fields, 7) << "six rows and where the SSN was issued";
    EXPECT_EQ(tabStops, 1) << "OK is the only tab stop";
}

TEST(Resources, DetailsDialogKeepsItsSixRowsAndFitsTheSeventhBesideThem) {
    const DLGTEMPLATE_TABLE* t = AfxFindDialogTemplate(IDD_RECORD);
    ASSERT_NE(t, nullptr);
    auto find = [t](int id, const char* text) -> const DLGITEM* {
        for (int i = 0; i < t->itemCount; ++i) {
            if (t->items[i].id == id && (text == nullptr || std::string(t->items[i].text) == text))
                return &t->items[i];
        }
        return nullptr;
    };
    // The six rows where they always were, top to bottom.
    const struct {
        int id;
        const char* label;
        int y;
    } rows[] = {{1003, "Birth Date:", 15},
                {1004, "Death Date:", 30},
                {1006, "Social Security Number:", 50},
                {1009, "Last known location:", 65},
                {1007, "Zip of last residence:", 85},
                {1008, "Zip of last payment:", 100}};
    for (const auto& row : rows) {
        const DLGITEM* field = find(row.id, nullptr);
        const DLGITEM* label = find(-1, row.label);
        ASSERT_NE(field, nullptr) << row.label;
        ASSERT_NE(label, nullptr) << row.label;
        EXPECT_EQ(field->x, 87);
        EXPECT_EQ(field->y, row.y);
        EXPECT_EQ(field->cx, 206);
        EXPECT_EQ(label->y, row.y);
    }
    const DLGITEM* issued = find(1010, nullptr);
    const DLGITEM* issuedLabel = find(-1, "SSN issued in:");
    ASSERT_NE(issued, nullptr);
    ASSERT_NE(issuedLabel, nullptr);
    EXPECT_EQ(issuedLabel->y, issued->y);
    EXPECT_GT(issued->y, 100) << "below the rows";
    // No two items overlap, and all lie inside the dialog.
    for (int i = 0; i < t->itemCount; ++i) {
        const DLGITEM& a = t->items[i];
        EXPECT_LE(a.x + a.cx, t->cx) << a.text;
        EXPECT_LE(a.y + a.cy, t->cy) << a.text;
        for (int j = i + 1; j < t->itemCount; ++j) {
            const DLGITEM& b = t->items[j];
            const bool apart =
                a.x + a.cx <= b.x || b.x + b.cx <= a.x || a.y + a.cy <= b.y || b.y + b.cy <= a.y;
            EXPECT_TRUE(apart) << a.text << " / " << b.text << " (" << a.id << ", " << b.id << ")";
        }
    }
}

}  // namespace
