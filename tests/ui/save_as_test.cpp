// "Save all N records as..." from the result list's shortcut menu: the menu, the save dialog
// and each format, failed writes, Cancel, and the page on display left alone.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QMenu>
#include <QPainter>
#include <QProgressDialog>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "resource_ids.h"
#include "result_set.h"
#include "test_access.h"
#include "view_fixture.h"

namespace fs = std::filesystem;
using viewtest::Window;

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs `inside` with the shortcut menu once it is open; the menu is closed afterwards if
// `inside` left it open.
QTimer* WhenMenu(std::function<void(QMenu*)> inside) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, inside] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr)
            return;
        timer->stop();
        timer->deleteLater();
        inside(menu);
        if (QApplication::activePopupWidget() == menu)
            menu->close();
    });
    timer->start();
    return timer;
}

// Chooses the menu's item as a user does, with a click.
void Choose(QMenu* menu) {
    QAction* item = menu->actions().value(0);
    if (item == nullptr)
        return;
    const QPointF at = menu->actionGeometry(item).center();
    const QPointF global = menu->mapToGlobal(at);
    QMouseEvent move(QEvent::MouseMove, at, global, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(menu, &move);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(menu, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(menu, &release);
}

// Answers the save dialog once it is open: the filter `filter` (0-based) and the file name.
void WhenSaveDialog(int filter, std::string path, bool* seen) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, filter, path, seen] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        timer->stop();
        timer->deleteLater();
        *seen = true;
        dialog->selectNameFilter(dialog->nameFilters().value(filter));
        dialog->selectFile(QString::fromStdString(path));
        QMetaObject::invokeMethod(dialog, "accept");  // as the Save button does
    });
    timer->start();
}

// A right click at (x, y) of the view, as the window system delivers it.
void RightClick(Window& w, int x, int y) {
    QWidget* widget = platform_test::Widget(w.view);
    const QPoint local(x, y);
    QContextMenuEvent event(QContextMenuEvent::Mouse, local, widget->mapToGlobal(local));
    QApplication::sendEvent(widget, &event);
    uitest::FlushEvents();
}

}  // namespace

TEST(SaveAs, TheListsMenuOffersAllRecordsAndNothingElseDoes) {
    Window w;
    w.Search("smith");
    std::vector<std::string> items;
    bool enabled = false;
    WhenMenu([&](QMenu* menu) {
        for (QAction* a : menu->actions())
            items.push_back(a->text().toStdString());
        enabled = menu->actions().value(0) != nullptr && menu->actions()[0]->isEnabled();
        // The picture for the documentation: the window with the menu over it.
        if (const char* file = std::getenv("VEL7M_MENU_SCREENSHOT")) {
            QWidget* top = platform_test::Widget(w.view)->window();
            QImage picture = top->grab().toImage();
            QPainter painter(&picture);
            painter.drawPixmap(top->mapFromGlobal(menu->pos()), menu->grab());
            painter.end();
            picture.save(file);
        }
    });
    RightClick(w, 200, w.RowY(3));
    EXPECT_EQ(items, std::vector<std::string>{"Save all 25 records as..."});
    EXPECT_TRUE(enabled);

    // Outside the list no menu opens.
    bool opened = false;
    QTimer* watch = WhenMenu([&](QMenu*) { opened = true; });
    RightClick(w, 200, kListArea.top - 20);
    uitest::RunEventsUntil([] { return false; }, 50);
    EXPECT_FALSE(opened);
    delete watch;

    // Without hits there is nothing to save. (Offscreen, no window manager gives the window
    // back its focus when the menu closes.)
    w.Activate();
    w.Search("nobody");
    items.clear();
    WhenMenu([&](QMenu* menu) {
        items.push_back(menu->actions()[0]->text().toStdString());
        enabled = menu->actions()[0]->isEnabled();
    });
    RightClick(w, 200, w.RowY(0));
    EXPECT_EQ(items, std::vector<std::string>{"Save all 0 records as..."});
    EXPECT_FALSE(enabled);
    EXPECT_TRUE(w.boxes.Shown().empty());
}

TEST(SaveAs, EachFormatThroughTheMenuAndTheDialogLeavingThePageAlone) {
    Window w;
    w.Search("smith");
    w.Click(IDC_NEXTPAGE);
    const std::vector<viewtest::Row> page = w.Rows();
    const struct {
        int filter;
        const char* name;  // typed without an extension: the filter's is added
        const char* file;
        const char* beginning;  // of the file
    } cases[] = {
        {0, "smiths", "smiths.csv",
         "surname,first_name,birth,death,location,ssn,zip_residence,zip_payment,ssn_issued_in\r\n"
         "SMITH,ANN,1 Jan 1900,28 Dec 1950,Alabama,100-20-3000,---,---,New York\r\n"},
        {1, "smiths", "smiths.ged", "0 HEAD\r\n1 SOUR VEL7M\r\n"},
        {2, "smiths", "smiths.txt", "25 records found.\nSMITH       \tANN       \t1 Jan 1900\t"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        uitest::TempDir dir;
        bool dialogSeen = false;
        WhenMenu(Choose);
        WhenSaveDialog(c.filter, dir.File(c.name), &dialogSeen);
        RightClick(w, 200, w.RowY(0));
        uitest::RunEventsUntil([&] { return fs::exists(dir.File(c.file)); }, 5000);
        EXPECT_TRUE(dialogSeen);
        EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{c.file}) << "no temporary left";
        const std::string text = Slurp(dir.File(c.file));
        EXPECT_EQ(text.rfind(c.beginning, 0), 0u) << text.substr(0, 200);
        if (c.filter == 1) {
            std::size_t people = 0;
            for (std::size_t at = 0; (at = text.find(" INDI\r\n", at)) != std::string::npos; ++at)
                ++people;
            EXPECT_EQ(people, 25u);
            EXPECT_EQ(text.substr(text.size() - 8), "0 TRLR\r\n");
        } else {
            EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 26);
        }
        // The second page is still on display, and paging goes on from it.
        EXPECT_EQ(w.Rows().size(), page.size());
        EXPECT_EQ(w.Rows()[0].first, page[0].first);
    }
    w.Click(IDC_NEXTPAGE);
    EXPECT_EQ(w.Rows()[0].first, viewtest::SmithName(20));
    EXPECT_TRUE(w.boxes.Shown().empty());
}

TEST(SaveAs, AWriteThatFailsIsReportedAndLeavesNoFile) {
    Window w;
    w.Search("smith");
    uitest::TempDir dir;
    dir.Write("plain", "a file, not a folder");
    fs::create_directory(dir.File("folder"));
    dir.Write("old.csv", "kept");
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {dir.File("plain/out.csv"), "Not a directory"},  // a folder that is a file
        {dir.File("folder"), "Is a directory"},          // the name of a folder
        {dir.File("missing/out.csv"), "No such file or directory"},
    };
    for (const auto& c : cases) {
        const std::size_t before = w.boxes.Shown().size();
        EXPECT_FALSE(w.view->WriteAllRecords(c.path.c_str(), OutputFormat::Csv)) << c.path;
        ASSERT_EQ(w.boxes.Shown().size(), before + 1) << c.path;
        const std::string& text = w.boxes.Shown().back().text;
        EXPECT_NE(text.find(c.path), std::string::npos) << text;
        EXPECT_NE(text.find(c.reason), std::string::npos) << text;
    }
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"folder", "old.csv", "plain"}));
    EXPECT_TRUE(fs::is_empty(dir.File("folder")));

    // Replacing a file is one step: the old one is there until the new one is complete.
    EXPECT_TRUE(w.view->WriteAllRecords(dir.File("old.csv").c_str(), OutputFormat::Csv));
    EXPECT_EQ(Slurp(dir.File("old.csv")).substr(0, 8), "surname,");
    // With the permissions of any new file, not those of a private temporary one.
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(static_cast<mode_t>(fs::status(dir.File("old.csv")).permissions()), 0666 & ~mask);
}

TEST(SaveAs, CancelStopsTheSaveAndLeavesNothing) {
    std::vector<builder::Person> many;
    for (int i = 0; i < 20000; ++i)
        many.push_back(MakePerson("Smith", i % 2 == 0 ? "Ann" : "Bob"));
    Window w(many);
    w.Search("smith");
    uitest::TempDir dir;
    // Cancel as soon as the save lets events run: painting and input are never held up
    // until the end.
    bool progressSeen = false;
    QTimer::singleShot(0, [&] {
        for (QWidget* widget : QApplication::allWidgets()) {
            if (auto* progress = qobject_cast<QProgressDialog*>(widget)) {
                progressSeen = true;
                progress->cancel();
            }
        }
    });
    EXPECT_FALSE(w.view->WriteAllRecords(dir.File("all.ged").c_str(), OutputFormat::Gedcom));
    EXPECT_TRUE(progressSeen);
    EXPECT_TRUE(fs::is_empty(dir.Path()));
    EXPECT_TRUE(w.boxes.Shown().empty()) << "a cancelled save is no failure";
    EXPECT_EQ(w.view->m_bBusy, 0);

    // Not cancelled, it writes every record.
    EXPECT_TRUE(w.view->WriteAllRecords(dir.File("all.txt").c_str(), OutputFormat::Lines));
    const std::string text = Slurp(dir.File("all.txt"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 20001);
}
