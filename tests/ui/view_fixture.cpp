#include "view_fixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <cstring>
#include <filesystem>

#include "record_encoding.h"
#include "resource_ids.h"
#include "result_set.h"
#include "tab_fields.h"
#include "test_access.h"

namespace viewtest {

namespace {

const char* const kSmithNames[25] = {
    "ANN",  "BETTY",  "CLARA", "DORIS",  "EDNA",   "FRANK",  "GRACE", "HELEN", "IRMA",
    "JOHN", "KARL",   "LOIS",  "MARY",   "NORA",   "OTTO",   "PAUL",  "RUTH",  "SAM",
    "TOM",  "URSULA", "VERA",  "WALTER", "XAVIER", "YVONNE", "ZELDA"};

std::string Trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

// Through the top-level window, as the window system delivers a click: Qt then finds the
// widget under the point and gives it the keyboard focus as its focus policy says.
void SendMouse(QWidget* w, QEvent::Type type, QPoint at) {
    Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QWindow* window = w->window()->windowHandle();
    ASSERT_NE(window, nullptr) << "the window is not shown";
    QPointF inWindow(w->mapTo(w->window(), at));
    QMouseEvent e(type, inWindow, inWindow, w->mapToGlobal(QPointF(at)), Qt::LeftButton, held,
                  Qt::NoModifier);
    QApplication::sendEvent(window, &e);
}

int KeyOf(char c) {
    if (c >= 'a' && c <= 'z')
        return Qt::Key_A + (c - 'a');
    if (c >= 'A' && c <= 'Z')
        return Qt::Key_A + (c - 'A');
    if (c >= '0' && c <= '9')
        return Qt::Key_0 + (c - '0');
    if (c == ' ')
        return Qt::Key_Space;
    return Qt::Key_unknown;
}

// A window of the view's size and font to draw expected pictures in.
struct Canvas {
    CWnd wnd;
    Canvas() {
        EXPECT_TRUE(wnd.CreateEx(0, nullptr, "canvas", WS_OVERLAPPED, 0, 0, kFrameWidth,
                                 kFrameHeight, nullptr, nullptr));
        HBITMAP backdrop = static_cast<HBITMAP>(
            LoadImage(AfxGetResourceHandle(), "IDB_BACKDROP", IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
        CClientDC dc(&wnd);
        CDC memDC;
        memDC.CreateCompatibleDC(&dc);
        HBITMAP old = memDC.SelectObject(backdrop);
        dc.BitBlt(0, 0, 632, 453, &memDC, 0, 0, SRCCOPY);
        memDC.SelectObject(old);
        DeleteObject(backdrop);
    }
    void Draw(const RECT& r, const std::string& text) {
        CClientDC dc(&wnd);
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextColor(kListTextColour);
        RECT box = r;
        dc.DrawText(text.c_str(), -1, &box, DT_SINGLELINE | DT_NOPREFIX);
    }
    QImage Picture() const { return platform_test::ClientPicture(&wnd); }
};

bool SameIn(const QImage& a, const QImage& b, const RECT& r) {
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF))
                return false;
        }
    }
    return true;
}

}  // namespace

std::string SmithName(int i) {
    return kSmithNames[i];
}

std::vector<builder::Person> Family() {
    std::vector<builder::Person> people;
    for (int i = 0; i < 25; ++i) {
        builder::Person p = MakePerson("Smith", kSmithNames[i]);
        p.birthWord = builder::DateWord(i + 1, i % 12 + 1, i);
        p.deathWord = builder::DateWord(28 - i, 12 - i % 12, 50 + i);
        p.location = static_cast<std::uint8_t>(i % 50 + 1);
        p.ssn = static_cast<std::uint32_t>((100 + i) * 1000000 + 20 * 10000 + 3000 + i);
        people.push_back(p);
    }
    people.back().birthWord = builder::DateWord(1, 1, 50);
    people.back().deathWord = builder::DateWord(31, 12, 50);

    builder::Person noName = MakePerson("Adams", "");
    people.push_back(noName);
    builder::Person mary = MakePerson("Adams", "Mary");
    mary.location = 36;  // Ohio
    mary.ssn = 123456789;
    mary.birthWord = builder::DateWord(7, 3, 51);
    mary.deathWord = builder::DateWord(0, 6, 97);  // day unknown
    mary.residenceZipWord = 65535 - 501;           // a partial ZIP, "XX501"
    mary.paymentZipWord = 65535 - 10000;           // nothing known, "XXXXX"
    people.push_back(mary);
    builder::Person john = MakePerson("Adams", "John");
    john.location = 45;  // Texas
    people.push_back(john);
    return people;
}

Window::Window(const std::vector<builder::Person>& people) : discs(people) {
    auto copy = [](const std::string& s, char* out, size_t size) {
        std::snprintf(out, size, "%s", s.c_str());
    };
    app.m_pszVelDir = new char[discs.program.size() + 1];
    std::memcpy(app.m_pszVelDir, discs.program.c_str(), discs.program.size() + 1);
    copy(discs.disc1, app.m_szCDPath, sizeof app.m_szCDPath);
    copy(discs.disc2, app.m_szCD2Path, sizeof app.m_szCD2Path);
    std::filesystem::copy_file(uitest::SourcePath("res/vel7m.hlp"), discs.program + "vel7m.hlp");

    auto* tmpl = new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CViewDoc),
                                        RUNTIME_CLASS(CMainFrame), RUNTIME_CLASS(CDeadView));
    app.AddDocTemplate(tmpl);
    if (tmpl->OpenDocumentFile("IDB_BACKDROP", TRUE) == nullptr) {
        ADD_FAILURE() << "the window did not open";
        return;
    }
    frame = static_cast<CMainFrame*>(app.m_pMainWnd);
    view = static_cast<CDeadView*>(frame->GetActiveView());
    Activate();
    view->UpdateWindow();
    uitest::FlushEvents();
}

void Window::Activate() {
    QWidget* main = platform_test::Widget(frame);
    main->activateWindow();
    uitest::RunEventsUntil([main] { return QApplication::activeWindow() == main; }, 1000);
}

Window::~Window() {
    if (app.m_pMainWnd != nullptr)
        app.m_pMainWnd->DestroyWindow();
    uitest::FlushEvents();
    uitest::ClearQuitRequest();
}

std::string Window::Text(UINT id) const {
    char text[512];
    Item(id)->GetWindowText(text, sizeof text);
    return text;
}

UINT Window::FocusId() const {
    CWnd* focus = CWnd::GetFocus();
    return focus != nullptr ? static_cast<UINT>(focus->GetDlgCtrlID()) : 0;
}

void Window::Key(int key, Qt::KeyboardModifiers mods, const QString& text) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr) << "no widget has the focus";
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(target, &press);
    if (QWidget* now = QApplication::focusWidget()) {
        QKeyEvent release(QEvent::KeyRelease, key, mods, text);
        QApplication::sendEvent(now, &release);
    }
}

void Window::KeyToMainWindow(int key, Qt::KeyboardModifiers mods, const QString& text) {
    QPointer<QWidget> target = platform_test::Widget(frame)->focusWidget();
    ASSERT_NE(target, nullptr) << "the main window has no focus widget";
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    if (target)
        QApplication::sendEvent(target, &release);
}

void Window::Letters(const std::string& text) {
    for (char c : text)
        Key(KeyOf(c), Qt::NoModifier, QString(QChar::fromLatin1(c)));
}

void Window::Type(UINT id, const std::string& text) {
    Item(id)->SetFocus();
    static_cast<CEdit*>(Item(id))->SetSel(0, -1);
    Key(Qt::Key_Backspace);
    Letters(text);
}

void Window::Click(UINT id) {
    QWidget* w = platform_test::Widget(Item(id));
    ASSERT_NE(w, nullptr);
    QPoint centre = w->rect().center();
    SendMouse(w, QEvent::MouseButtonPress, centre);
    SendMouse(w, QEvent::MouseButtonRelease, centre);
}

void Window::ClickList(int x, int y) {
    QWidget* w = platform_test::Widget(view);
    SendMouse(w, QEvent::MouseButtonPress, {x, y});
    SendMouse(w, QEvent::MouseButtonRelease, {x, y});
}

void Window::DoubleClickList(int x, int y) {
    QWidget* w = platform_test::Widget(view);
    SendMouse(w, QEvent::MouseButtonPress, {x, y});
    SendMouse(w, QEvent::MouseButtonRelease, {x, y});
    SendMouse(w, QEvent::MouseButtonDblClick, {x, y});
    SendMouse(w, QEvent::MouseButtonRelease, {x, y});
}

void Window::Search(const std::string& surname, const std::string& first, const std::string& birth,
                    const std::string& death, int state) {
    Type(IDC_FIRSTNAME, first);
    Type(IDC_BIRTHYEAR, birth);
    Type(IDC_DEATHYEAR, death);
    static_cast<CComboBox*>(Item(IDC_STATE))->SetCurSel(state);
    Type(IDC_SURNAME, surname);
    Key(Qt::Key_Return);
}

int Window::TextHeight() const {
    CClientDC dc(view);
    TEXTMETRIC tm{};
    dc.GetTextMetrics(&tm);
    return tm.tmHeight;
}

QImage Window::Picture() const {
    return platform_test::ClientPicture(view);
}

std::vector<Row> Window::Rows() const {
    std::vector<Row> rows;
    for (int r = 0; r < view->m_pResultSet->GetPageCount(); ++r) {
        char work[kLineLength];
        std::snprintf(work, sizeof work, "%s", view->m_szLines[r]);
        char* f[5];
        SplitTabFields(work, f, 5);
        auto at = [&](int i) { return std::string(f[i] != nullptr ? f[i] : ""); };
        rows.push_back({Trimmed(at(0)), Trimmed(at(1)), at(2), at(3), at(4)});
    }
    return rows;
}

std::vector<std::string> Window::FirstNames() const {
    std::vector<std::string> names;
    for (const Row& r : Rows())
        names.push_back(r.first);
    return names;
}

int Window::RowsDrawn() const {
    Canvas canvas;
    QImage empty = canvas.Picture();
    QImage shown = Picture();
    int h = TextHeight();
    int drawn = 0;
    for (int top = kListArea.top; top < kListArea.bottom; top += h) {
        RECT row{kListArea.left, top, kListArea.right, std::min<LONG>(top + h, kListArea.bottom)};
        if (!SameIn(empty, shown, row))
            ++drawn;
    }
    return drawn;
}

bool Window::CountLineReads(const std::string& text) const {
    Canvas canvas;
    canvas.Draw(kCountLine, text);
    return SameIn(canvas.Picture(), Picture(), kCountLine);
}

bool Window::CountLinesRead(const std::vector<std::string>& lines) const {
    Canvas canvas;
    const int h = TextHeight();
    for (size_t i = 0; i < lines.size(); ++i) {
        RECT line = kCountLine;
        line.top += static_cast<LONG>(i) * h;
        canvas.Draw(line, lines[i]);
    }
    return SameIn(canvas.Picture(), Picture(), kCountLine);
}

void Window::WhenModal(std::function<void()> inside) {
    QTimer::singleShot(0, [inside] {
        // Offscreen there is no window manager to activate the new window.
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && QApplication::activeWindow() != modal) {
            modal->activateWindow();
            uitest::RunEventsUntil([modal] { return QApplication::activeWindow() == modal; }, 1000);
        }
        inside();
        modal = QApplication::activeModalWidget();
        if (modal != nullptr && QApplication::focusWidget() != nullptr &&
            QApplication::focusWidget()->window() == modal) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(QApplication::focusWidget(), &escape);
        }
        if (QApplication::activeModalWidget() == modal && modal != nullptr)
            modal->close();  // never leave a test waiting in a modal loop
    });
}

DetailsShown ReadOpenDetails() {
    DetailsShown shown;
    CWnd* focus = CWnd::GetFocus();
    CWnd* dialog = focus != nullptr ? focus->GetParent() : nullptr;
    if (dialog == nullptr || !dialog->IsKindOf(RUNTIME_CLASS(CDialog)))
        return shown;
    auto text = [](CWnd* w) {
        char buffer[256] = {};
        if (w != nullptr)
            w->GetWindowText(buffer, sizeof buffer);
        return std::string(buffer);
    };
    shown.open = true;
    shown.caption = text(dialog);
    shown.birth = text(dialog->GetDlgItem(IDC_BIRTHDATE));
    shown.death = text(dialog->GetDlgItem(IDC_DEATHDATE));
    shown.ssn = text(dialog->GetDlgItem(IDC_SSN));
    shown.location = text(dialog->GetDlgItem(IDC_LOCATION));
    shown.residenceZip = text(dialog->GetDlgItem(IDC_RESIDENCEZIP));
    shown.paymentZip = text(dialog->GetDlgItem(IDC_PAYMENTZIP));
    return shown;
}

}  // namespace viewtest
