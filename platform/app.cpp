#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "widgets.h"

namespace {

CWinApp* g_app = nullptr;
HINSTANCE__ g_programModule{QStringLiteral(":/vel7m")};
HINSTANCE g_resourceModule = &g_programModule;
bool g_dialogColoursSet = false;
QColor g_dialogBackground;
QColor g_dialogText;

HCURSOR__ g_cursorArrow{Qt::ArrowCursor};
HCURSOR__ g_cursorIBeam{Qt::IBeamCursor};
HCURSOR__ g_cursorWait{Qt::WaitCursor};
HCURSOR g_currentCursor = &g_cursorArrow;

// Keeps argv alive for QApplication when the platform starts it on its own (tests).
int g_argc = 1;
char g_arg0[] = "vel7m";
char* g_argv[] = {g_arg0, nullptr};

}  // namespace

namespace afx {

void EnsureApplication(int* argc, char** argv) {
    if (QApplication::instance() != nullptr)
        return;
    // Lives for the whole process: widgets may be deleted as late as static destruction.
    new QApplication(argc != nullptr ? *argc : g_argc, argv != nullptr ? argv : g_argv);
    QApplication::setQuitOnLastWindowClosed(false);
    InstallMessageFilter();
}

void SetDialogColours(COLORREF background, COLORREF text) {
    g_dialogColoursSet = true;
    g_dialogBackground = ToColor(background);
    g_dialogText = ToColor(text);
}

void ApplyDialogColours(QWidget* w) {
    if (!g_dialogColoursSet || w == nullptr)
        return;
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, g_dialogBackground);
    pal.setColor(QPalette::WindowText, g_dialogText);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

QString ResourcePath(HINSTANCE module, LPCSTR name, const char* kind) {
    if (module == nullptr)
        module = &g_programModule;
    std::string key = IS_INTRESOURCE(name) ? std::to_string(reinterpret_cast<std::uintptr_t>(name))
                                           : std::string(name);
    for (char& c : key)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // Resource names are plain identifiers; anything else cannot name one of ours.
    for (char c : key) {
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_'))
            return {};
    }
    return module->root + '/' + QString::fromLatin1(kind) + '/' + QString::fromLatin1(key.c_str());
}

}  // namespace afx

CWinApp* AfxGetApp() {
    return g_app;
}
CWnd* AfxGetMainWnd() {
    return g_app != nullptr ? g_app->m_pMainWnd : nullptr;
}
LPCTSTR AfxGetAppName() {
    return g_app != nullptr && g_app->m_pszAppName != nullptr ? g_app->m_pszAppName : kAppTitle;
}
HINSTANCE AfxGetInstanceHandle() {
    return &g_programModule;
}
HINSTANCE AfxGetResourceHandle() {
    return g_resourceModule;
}
void AfxSetResourceHandle(HINSTANCE h) {
    g_resourceModule = h != nullptr ? h : &g_programModule;
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR name) {
    if (name == IDC_WAIT)
        return &g_cursorWait;
    if (name == IDC_IBEAM)
        return &g_cursorIBeam;
    if (name == IDC_ARROW)
        return &g_cursorArrow;
    return nullptr;
}

HCURSOR SetCursor(HCURSOR cursor) {
    HCURSOR previous = g_currentCursor;
    if (cursor == nullptr)
        cursor = &g_cursorArrow;
    g_currentCursor = cursor;
    if (QApplication::instance() == nullptr)
        return previous;
    // The arrow is every window's own cursor; other shapes override all our windows.
    while (QApplication::overrideCursor() != nullptr)
        QApplication::restoreOverrideCursor();
    if (cursor->shape != Qt::ArrowCursor) {
        QApplication::setOverrideCursor(QCursor(static_cast<Qt::CursorShape>(cursor->shape)));
    }
    return previous;
}

HCURSOR GetCursor() {
    return g_currentCursor;
}

void PostQuitMessage(int exitCode) {
    if (QApplication::instance() == nullptr)
        return;
    QMetaObject::invokeMethod(
        QApplication::instance(), [exitCode] { QApplication::exit(exitCode); },
        Qt::QueuedConnection);
}

// ---------------------------------------------------------------------------------------
// CWinApp

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCTSTR lpszAppName)
    : m_pszAppName(lpszAppName != nullptr ? lpszAppName : kAppTitle) {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this)
        g_app = nullptr;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return 0;
}

BOOL CWinApp::PreTranslateMessage(MSG* pMsg) {
    // From the window of the message up to its top-level window, as the framework walks.
    for (CWnd* w = CWnd::FromHandle(pMsg->hwnd); w != nullptr; w = w->GetParent()) {
        if (w->PreTranslateMessage(pMsg))
            return TRUE;
    }
    return FALSE;
}

int CWinApp::Run() {
    afx::EnsureApplication();
    if (m_pMainWnd == nullptr) {
        // Nothing to show: end at once, as the framework does.
        return ExitInstance();
    }
    QApplication::exec();
    return ExitInstance();
}

void CWinApp::AddDocTemplate(CDocTemplate* pTemplate) {
    if (pTemplate != nullptr)
        m_templates.emplace_back(pTemplate);
}

CDocument* CWinApp::OpenDocumentFile(LPCTSTR lpszFileName) {
    if (m_templates.empty())
        return nullptr;
    return m_templates.front()->OpenDocumentFile(lpszFileName);
}

void CWinApp::SetDialogBkColor(COLORREF clrCtlBk, COLORREF clrCtlText) {
    afx::SetDialogColours(clrCtlBk, clrCtlText);
}

HCURSOR CWinApp::LoadStandardCursor(LPCTSTR lpszCursorName) const {
    return LoadCursorA(nullptr, lpszCursorName);
}

HICON CWinApp::LoadIcon(UINT nIDResource) const {
    return static_cast<HICON>(
        LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource), IMAGE_ICON, 0, 0, 0));
}

void CWinApp::DoWaitCursor(int nCode) {
    if (nCode > 0) {
        if (m_nWaitCursorCount++ == 0)
            m_hcurWaitCursorRestore = ::SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    } else if (nCode < 0) {
        if (m_nWaitCursorCount > 0 && --m_nWaitCursorCount == 0) {
            ::SetCursor(m_hcurWaitCursorRestore);
        }
    } else if (m_nWaitCursorCount > 0) {
        ::SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    }
}

// With no menu or accelerators in use these only follow the framework's defaults.
void CWinApp::OnFileNew() {
    if (!m_templates.empty())
        m_templates.front()->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen() {}

void CCmdTarget::BeginWaitCursor() {
    if (AfxGetApp() != nullptr)
        AfxGetApp()->DoWaitCursor(1);
}

void CCmdTarget::EndWaitCursor() {
    if (AfxGetApp() != nullptr)
        AfxGetApp()->DoWaitCursor(-1);
}

void CCmdTarget::RestoreWaitCursor() {
    if (AfxGetApp() != nullptr)
        AfxGetApp()->DoWaitCursor(0);
}

namespace {

// --screenshot: the file, whether start-up may still open a dialog to be pictured, and
// whether that dialog's picture was taken (and saved).
const char* g_screenshotPath = nullptr;
bool g_dialogScreenshotPending = false;
bool g_dialogScreenshotTaken = false;
bool g_dialogScreenshotSaved = false;

QWidget* MainWidget() {
    CWnd* main = AfxGetMainWnd();
    if (main == nullptr || !afx::IsLiveWindow(main->m_hWnd) || !main->m_hWnd->widget)
        return nullptr;
    return main->m_hWnd->widget.data();
}

// Saves the main window's picture, children included.
bool SaveScreenshot(const char* path) {
    QWidget* w = MainWidget();
    if (w == nullptr)
        return false;
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    return w->grab().save(QFile::decodeName(path), "PNG");
}

// A dialog over the main window, where it stands, with a plain frame and caption: without a
// window manager (offscreen) nothing else would draw them.
QImage DialogOverMainWindow(QWidget* dialog) {
    constexpr int kBorder = 2;
    constexpr int kCaption = 22;
    QWidget* main = MainWidget();
    QImage body = dialog->grab().toImage();
    QImage canvas = main != nullptr ? main->grab().toImage()
                                    : QImage(body.size() + QSize(2 * kBorder, kBorder + kCaption),
                                             QImage::Format_RGB32);
    canvas = canvas.convertToFormat(QImage::Format_RGB32);
    if (main == nullptr)
        canvas.fill(Qt::white);

    QPoint at = main != nullptr ? dialog->geometry().topLeft() - main->geometry().topLeft()
                                : QPoint(kBorder, kCaption);
    QRect frame(at - QPoint(kBorder, kCaption),
                body.size() + QSize(2 * kBorder, kBorder + kCaption));
    // Keep the whole frame on the picture.
    frame.moveLeft(std::clamp(frame.left(), 0, std::max(0, canvas.width() - frame.width())));
    frame.moveTop(std::clamp(frame.top(), 0, std::max(0, canvas.height() - frame.height())));
    at = frame.topLeft() + QPoint(kBorder, kCaption);

    QPainter p(&canvas);
    p.fillRect(frame, QColor(0x2E, 0x4A, 0x3A));
    QFont font = dialog->font();
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(frame.left() + 8, frame.top(), frame.width() - 16, kCaption),
               Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, dialog->windowTitle());
    p.drawImage(at, body);
    return canvas;
}

}  // namespace

namespace afx {

bool DialogScreenshotPending() {
    return g_dialogScreenshotPending;
}

void TakeDialogScreenshot(QWidget* dialog) {
    if (!g_dialogScreenshotPending || g_screenshotPath == nullptr)
        return;
    g_dialogScreenshotPending = false;
    g_dialogScreenshotTaken = true;
    g_dialogScreenshotSaved =
        DialogOverMainWindow(dialog).save(QFile::decodeName(g_screenshotPath), "PNG");
}

}  // namespace afx

int AfxWinMain(int argc, char** argv) {
    const char* screenshot = nullptr;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
            screenshot = argv[++i];
        } else {
            args.push_back(argv[i]);
        }
    }
    static int qtArgc;
    static std::vector<char*> qtArgv;
    qtArgc = static_cast<int>(args.size());
    qtArgv = args;
    qtArgv.push_back(nullptr);
    afx::EnsureApplication(&qtArgc, qtArgv.data());

    CWinApp* app = AfxGetApp();
    if (app == nullptr)
        return 1;
    Host* previous = InstallHost(&AfxGetGuiHost());
    g_screenshotPath = screenshot;
    g_dialogScreenshotPending = screenshot != nullptr;
    BOOL started = app->InitInstance();
    g_dialogScreenshotPending = false;
    int status = 0;
    if (!started) {
        if (app->m_pMainWnd != nullptr)
            app->m_pMainWnd->DestroyWindow();
        status = app->ExitInstance();
        // Start-up may end on the dialog it was pictured with (closing it there can mean quit).
        if (g_dialogScreenshotTaken && !g_dialogScreenshotSaved) {
            std::fprintf(stderr, "vel7m: could not save the screenshot %s\n", screenshot);
            status = 1;
        }
    } else if (screenshot != nullptr) {
        bool saved = g_dialogScreenshotTaken ? g_dialogScreenshotSaved : SaveScreenshot(screenshot);
        if (app->m_pMainWnd != nullptr)
            app->m_pMainWnd->DestroyWindow();
        status = app->ExitInstance();
        if (!saved) {
            std::fprintf(stderr, "vel7m: could not save the screenshot %s\n", screenshot);
            status = 1;
        }
    } else {
        status = app->Run();
    }
    afx::CloseHelp();
    InstallHost(previous);
    return status;
}
