// The result list in the window: pages, the count line, Previous and Next, selection by the
// mouse with the cells inverted in place, the details on a double-click, the font's rows.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <filesystem>

#include "resource_ids.h"
#include "result_set.h"
#include "test_access.h"
#include "view_fixture.h"

namespace {

using viewtest::Window;

std::vector<std::string> Names(int from, int to) {
    std::vector<std::string> names;
    for (int i = from; i <= to; ++i)
        names.push_back(viewtest::SmithName(i - 1));
    return names;
}

TEST(ResultList, PagesOfTenSteppedWithNextAndPrevious) {
    Window w;
    w.Search("smith");
    struct Step {
        UINT click;  // 0: the search itself
        int from, to;
        bool prev, next;
    };
    const Step steps[] = {
        {0, 1, 10, false, true},
        {IDC_NEXTPAGE, 11, 20, true, true},
        {IDC_NEXTPAGE, 21, 25, true, false},
        {IDC_PREVPAGE, 11, 20, true, true},  // back from a short page: the page before it
        {IDC_NEXTPAGE, 21, 25, true, false},
        {IDC_PREVPAGE, 11, 20, true, true},
        {IDC_PREVPAGE, 1, 10, false, true},
    };
    for (const Step& s : steps) {
        if (s.click != 0)
            w.Click(s.click);
        std::string at = "records " + std::to_string(s.from) + " to " + std::to_string(s.to);
        EXPECT_EQ(w.FirstNames(), Names(s.from, s.to)) << at;
        EXPECT_EQ(w.RowsDrawn(), s.to - s.from + 1) << at << ": rows of the page only";
        EXPECT_TRUE(w.CountLineReads("25 records found.")) << at;
        EXPECT_EQ(w.Enabled(IDC_PREVPAGE), s.prev) << at;
        EXPECT_EQ(w.Enabled(IDC_NEXTPAGE), s.next) << at;
        EXPECT_EQ(w.Enabled(IDC_PREVPAGE), w.view->m_pResultSet->HasPrevPage()) << at;
        EXPECT_EQ(w.Enabled(IDC_NEXTPAGE), w.view->m_pResultSet->HasNextPage()) << at;
    }
    const viewtest::Row first = w.Rows()[0];
    EXPECT_EQ(first.surname, "SMITH");
    EXPECT_EQ(first.birth, "1 Jan 1900");
    EXPECT_EQ(first.death, "28 Dec 1950");
    EXPECT_EQ(first.location, "Alabama");
    EXPECT_TRUE(w.boxes.Shown().empty());
}

TEST(ResultList, ClickSelectsTheRowUnderThePointByTextHeight) {
    Window w;
    w.Search("smith");
    const int h = w.TextHeight();
    const int top = kListArea.top;
    struct Case {
        const char* name;
        int x, y;
        int expected;  // selection afterwards; the one before is row 3
    };
    const Case cases[] = {
        {"top edge of row 0", 20, top, 0},
        {"last pixel of row 0", 139, top + h - 1, 0},
        {"top of row 1", 300, top + h, 1},
        {"row 9, last column", 601, top + 9 * h + 1, 9},
        {"right edge is outside", 602, top + 1, 3},
        {"left of the list", 19, top + 1, 3},
        {"above the list", 100, top - 1, 3},
        {"bottom edge is outside", 100, kListArea.bottom, 3},
        {"below the last row", 100, top + 10 * h + 1, 3},
        {"in the gap between columns", 150, top + 5 * h + 1, 5},
    };
    for (const Case& c : cases) {
        w.ClickList(30, top + 3 * h + 1);
        ASSERT_EQ(w.view->m_nSelected, 3);
        w.ClickList(c.x, c.y);
        EXPECT_EQ(w.view->m_nSelected, c.expected) << c.name;
        EXPECT_TRUE(w.Enabled(IDC_MOREINFO)) << c.name;
    }

    // On a short page a click below the last row changes nothing, not even the picture.
    w.Click(IDC_NEXTPAGE);
    w.Click(IDC_NEXTPAGE);
    ASSERT_EQ(w.RowsDrawn(), 5);
    EXPECT_FALSE(w.Enabled(IDC_MOREINFO)) << "paging drops the selection";
    w.ClickList(30, w.RowY(4));
    QImage before = w.Picture();
    w.ClickList(30, w.RowY(5));
    EXPECT_EQ(w.view->m_nSelected, 4);
    EXPECT_EQ(w.Picture(), before);
    w.ClickList(200, w.RowY(4));
    EXPECT_EQ(w.Picture(), before) << "clicking the selected row again looks unchanged";
}

TEST(ResultList, TheSelectedRowsCellsAreInvertedAndTheGapsAreNot) {
    Window w;
    w.Search("smith");
    const int h = w.TextHeight();
    const QImage plain = w.Picture();
    auto inCell = [](int x) {
        for (const ListColumn& c : kListColumns) {
            if (x >= c.left && x < c.right)
                return true;
        }
        return false;
    };
    auto check = [&](int row, const QImage& shown) {
        for (int y = kListArea.top - 2; y < kListArea.bottom + 2; ++y) {
            bool inRow = y >= kListArea.top + row * h && y < kListArea.top + (row + 1) * h;
            for (int x = kListArea.left - 2; x < kListArea.right + 2; ++x) {
                QRgb expected = plain.pixel(x, y);
                if (inRow && inCell(x))
                    expected ^= 0x00FFFFFF;
                if (shown.pixel(x, y) != expected) {
                    ADD_FAILURE() << "row " << row << ": pixel " << x << "," << y;
                    return;
                }
            }
        }
    };
    w.ClickList(400, w.RowY(2));
    check(2, w.Picture());
    w.ClickList(30, w.RowY(7));
    check(7, w.Picture());  // row 2 is restored exactly
    w.view->Invalidate();
    w.view->UpdateWindow();
    check(7, w.Picture());  // a full paint draws the same selection
}

TEST(ResultList, MoreInfoIsEnabledExactlyWhileARowIsSelected) {
    Window w;
    EXPECT_FALSE(w.Enabled(IDC_MOREINFO));
    w.Search("smith");
    EXPECT_FALSE(w.Enabled(IDC_MOREINFO));
    w.ClickList(30, w.RowY(0));
    EXPECT_TRUE(w.Enabled(IDC_MOREINFO));
    w.Click(IDC_NEXTPAGE);
    EXPECT_FALSE(w.Enabled(IDC_MOREINFO));
    w.ClickList(30, w.RowY(0));
    w.Search("adams");
    EXPECT_FALSE(w.Enabled(IDC_MOREINFO));
    w.ClickList(30, w.RowY(0));
    w.Click(IDC_CLEAR);
    EXPECT_FALSE(w.Enabled(IDC_MOREINFO));

    // Without a selection the command opens nothing.
    bool opened = false;
    Window::WhenModal([&] { opened = viewtest::ReadOpenDetails().open; });
    w.view->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_MOREINFO, BN_CLICKED), 0);
    uitest::FlushEvents();
    EXPECT_FALSE(opened);
}

// A selection belongs to its page: kept over a page step, More Info would open the details
// of whoever stands on that row of the new page.
TEST(ResultList, APageStepEitherWayDropsTheSelection) {
    struct Case {
        const char* what;
        UINT first;  // a page step before the selection, or 0
        UINT step;
    };
    const Case cases[] = {
        {"Next", 0, IDC_NEXTPAGE},
        {"Previous", IDC_NEXTPAGE, IDC_PREVPAGE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Window w;
        w.Search("smith");
        if (c.first != 0)
            w.Click(c.first);
        w.ClickList(30, w.RowY(2));
        ASSERT_EQ(w.view->m_nSelected, 2);
        w.Click(c.step);
        EXPECT_EQ(w.view->m_nSelected, -1);
        EXPECT_FALSE(w.Enabled(IDC_MOREINFO));

        viewtest::DetailsShown shown;
        Window::WhenModal([&] { shown = viewtest::ReadOpenDetails(); });
        w.view->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_MOREINFO, BN_CLICKED), 0);
        uitest::FlushEvents();
        EXPECT_FALSE(shown.open) << "opened " << shown.caption;
    }
}

TEST(ResultList, DoubleClickOpensTheDetailsOfTheSelectedRow) {
    struct Case {
        const char* name;
        const char* surname;
        int selectFirst;  // row clicked before, or -1
        int x, row;       // where the double-click goes
        const char* caption;
    };
    const Case cases[] = {
        {"on a row: selects it and opens it", "smith", -1, 200, 1, "SMITH, BETTY"},
        {"on another row than the selected", "smith", 0, 30, 4, "SMITH, EDNA"},
        {"below the last row: the selected row", "adams", 2, 30, 6, "ADAMS, MARY"},
        {"below the last row, nothing selected", "adams", -1, 30, 6, nullptr},
        {"outside the list", "smith", 3, 610, 1, nullptr},
    };
    for (const Case& c : cases) {
        Window w;
        w.Search(c.surname);
        if (c.selectFirst >= 0)
            w.ClickList(30, w.RowY(c.selectFirst));
        viewtest::DetailsShown shown;
        Window::WhenModal([&] { shown = viewtest::ReadOpenDetails(); });
        w.DoubleClickList(c.x, w.RowY(c.row));
        uitest::FlushEvents();
        EXPECT_EQ(shown.open, c.caption != nullptr) << c.name;
        if (c.caption != nullptr) {
            EXPECT_EQ(shown.caption, c.caption) << c.name;
        }
    }
}

TEST(ResultList, TextWiderThanItsColumnIsCutAtTheColumnEdge) {
    builder::Person wide = MakePerson("WWWWWWWWWWWW", "MMMMMMMMMM");
    wide.location = 9;  // District of Columbia
    Window w({wide});
    w.Search("wwwwwwwwwwww");
    ASSERT_EQ(w.RowsDrawn(), 1);
    QImage shown = w.Picture();
    w.Click(IDC_CLEAR);
    QImage empty = w.Picture();
    const int h = w.TextHeight();
    auto inkBetween = [&](int left, int right) {
        for (int y = kListArea.top; y < kListArea.top + h; ++y) {
            for (int x = left; x < right; ++x) {
                if (shown.pixel(x, y) != empty.pixel(x, y))
                    return true;
            }
        }
        return false;
    };
    for (int c = 0; c < kListColumnCount; ++c) {
        EXPECT_TRUE(inkBetween(kListColumns[c].left, kListColumns[c].right)) << "column " << c;
        int gapEnd = c + 1 < kListColumnCount ? kListColumns[c + 1].left : kListArea.right + 8;
        EXPECT_FALSE(inkBetween(kListColumns[c].right, gapEnd)) << "after column " << c;
    }
    EXPECT_TRUE(inkBetween(kListColumns[0].right - 6, kListColumns[0].right))
        << "the surname runs up to its column's edge";
}

// Rows follow the text height of the view's font: pages of 10, or of 8 when 10 rows do not
// fit the list area; Help and Quit move up from a text height of 20.
TEST(ResultList, TheFontsTextHeightDecidesRowsPageSizeAndButtonPlaces) {
    CDC screen;
    screen.CreateCompatibleDC(nullptr);  // the window system is up: its default font is known
    const QFont original = QApplication::font();
    struct Case {
        const char* what;
        int minHeight, maxHeight;  // a text height in this range
        int pageRows;
        int buttonsTop;
    };
    const Case cases[] = {
        {"ten rows fit", 10, 16, 10, 426},
        {"ten rows would not fit", 17, 19, 8, 426},
        {"large font", 20, 20, 8, 423},
        {"too large even for eight rows", 21, 40, 8, 423},
    };
    for (const Case& c : cases) {
        QFont font = original;
        int h = 0;
        for (int pixels = 6; pixels < 60 && (h < c.minHeight || h > c.maxHeight); ++pixels) {
            font.setPixelSize(pixels);
            h = QFontMetrics(font).height();
        }
        ASSERT_TRUE(h >= c.minHeight && h <= c.maxHeight) << c.what << ": no such font size";
        QApplication::setFont(font);
        g_bFirstViewPaint = 1;
        {
            Window w;
            ASSERT_EQ(w.TextHeight(), h);
            SCOPED_TRACE(std::string(c.what) + ", text height " + std::to_string(h));
            w.Search("smith");
            EXPECT_EQ(static_cast<int>(w.Rows().size()), c.pageRows);
            EXPECT_EQ(w.view->m_pResultSet->GetPageSize(), c.pageRows);
            EXPECT_EQ(platform_test::Widget(w.Item(IDC_HELPBUTTON))->y(), c.buttonsTop);
            EXPECT_EQ(platform_test::Widget(w.Item(IDC_QUIT))->y(), c.buttonsTop);

            // Every row, the last one selected, lies inside the list area.
            const int pitch = ListRowPitch(h, c.pageRows);
            EXPECT_LE(kListArea.top + c.pageRows * pitch, kListArea.bottom);
            w.ClickList(30, kListArea.top + (c.pageRows - 1) * pitch + pitch / 2);
            EXPECT_EQ(w.view->m_nSelected, c.pageRows - 1);
            QImage shown = w.Picture();
            w.Click(IDC_CLEAR);
            QImage empty = w.Picture();
            for (int y = kListArea.bottom; y < 453; ++y) {
                for (int x = kListArea.left; x < kListArea.right; ++x)
                    ASSERT_EQ(shown.pixel(x, y), empty.pixel(x, y)) << x << "," << y;
            }
        }
    }
    QApplication::setFont(original);
    g_bFirstViewPaint = 1;
}

TEST(ResultList, AHitFileThatCannotBeWrittenShowsNoRows) {
    Window w;
    std::filesystem::remove_all(w.discs.program);
    w.Search("smith", "mary");
    ASSERT_EQ(w.boxes.Shown().size(), 1u);
    EXPECT_NE(w.boxes.Shown()[0].text.find("hit file"), std::string::npos);
    EXPECT_EQ(w.RowsDrawn(), 0);
    EXPECT_FALSE(w.Enabled(IDC_NEXTPAGE));
    w.ClickList(30, w.RowY(0));
    EXPECT_EQ(w.view->m_nSelected, -1);
}

}  // namespace
