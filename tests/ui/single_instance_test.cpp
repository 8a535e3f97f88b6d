// A second copy of the program raises the first one's window (and its open dialog) and ends
// with status 0 without showing anything.

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>
#include <QWidget>

#include "test_access.h"
#include "ui_test_support.h"
#include "view_app.h"

namespace {

struct FirstCopy {
    uitest::TempDir dir, runtime;
    uitest::ScopedEnv xdg{"XDG_RUNTIME_DIR", runtime.Path()};
    uitest::ScopedEnv windir{"WINDIR", dir.Path()};
    uitest::ScriptedBoxes boxes;
    CViewApp app;
    FirstCopy() {
        dir.Write("brisel.ini", "[Vel7m]\nVelDir=" + dir.Path() + "\n");
        EXPECT_TRUE(app.InitInstance());
    }
    ~FirstCopy() {
        if (app.m_pMainWnd != nullptr)
            app.m_pMainWnd->DestroyWindow();
        app.ExitInstance();
        uitest::FlushEvents();
        uitest::ClearQuitRequest();
    }
};

// Starts the program as a second copy and serves the first copy's events until it ends.
struct SecondCopy {
    int status = -1;
    QByteArray output;
    explicit SecondCopy(const std::string& runtimeDir) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtimeDir));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral(VEL7M_EXE), {});
        EXPECT_TRUE(process.waitForStarted(5000));
        bool ended =
            uitest::RunEventsUntil([&] { return process.state() == QProcess::NotRunning; }, 30000);
        EXPECT_TRUE(ended) << "the second copy ends by itself";
        if (!ended)
            process.kill();
        process.waitForFinished(5000);
        status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        output = process.readAll();
    }
};

TEST(SingleInstance, SecondCopyRestoresTheMinimisedWindowAndEnds) {
    FirstCopy first;
    ASSERT_NE(first.app.m_pMainWnd, nullptr);
    QWidget* window = platform_test::Widget(first.app.m_pMainWnd);
    window->showMinimized();
    ASSERT_TRUE(first.app.m_pMainWnd->IsIconic());
    int before = platform_test::ForegroundRequestsReceived();

    SecondCopy second(first.runtime.Path());
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(platform_test::ForegroundRequestsReceived() - before, 2)
        << "the window and its last active popup (the window itself here)";
    EXPECT_EQ(platform_test::LastRaised(), first.app.m_pMainWnd);
    EXPECT_FALSE(first.app.m_pMainWnd->IsIconic()) << "restored with SW_SHOWNORMAL";
    EXPECT_TRUE(first.app.m_pMainWnd->IsWindowVisible());
}

// Starts a second copy while it is open; with `minimise`, after minimising itself and the
// main window as a window manager does with a window and its dialog.
class CProbeDialog : public CDialog {
  public:
    explicit CProbeDialog(const std::string& runtime, bool minimise = false)
        : CDialog(114), m_runtime(runtime), m_minimise(minimise) {}
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        QTimer::singleShot(0, [this] {
            if (m_minimise) {
                platform_test::Widget(AfxGetMainWnd())->showMinimized();
                platform_test::Widget(this)->showMinimized();
                m_wasIconic = AfxGetMainWnd()->IsIconic() && IsIconic();
            }
            SecondCopy second(m_runtime);
            m_status = second.status;
            m_raised = platform_test::LastRaised();
            m_iconicAfter = IsIconic() != FALSE;
            m_mainIconicAfter = AfxGetMainWnd()->IsIconic() != FALSE;
            EndDialog(IDOK);
        });
        return TRUE;
    }
    std::string m_runtime;
    bool m_minimise;
    int m_status = -1;
    CWnd* m_raised = nullptr;
    bool m_wasIconic = false;
    bool m_iconicAfter = true;
    bool m_mainIconicAfter = true;
};

TEST(SingleInstance, SecondCopyRaisesTheOpenDialogToo) {
    FirstCopy first;
    ASSERT_NE(first.app.m_pMainWnd, nullptr);
    CProbeDialog dialog(first.runtime.Path());
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_status, 0);
    EXPECT_EQ(dialog.m_raised, &dialog) << "the last raise went to the dialog";
}

TEST(SingleInstance, SecondCopyRestoresTheMinimisedWindowAndItsOpenDialog) {
    FirstCopy first;
    ASSERT_NE(first.app.m_pMainWnd, nullptr);
    CProbeDialog dialog(first.runtime.Path(), true);
    EXPECT_EQ(dialog.DoModal(), IDOK) << "the dialog stays open until its own OK";
    ASSERT_TRUE(dialog.m_wasIconic);
    EXPECT_EQ(dialog.m_status, 0);
    EXPECT_FALSE(dialog.m_mainIconicAfter);
    EXPECT_FALSE(dialog.m_iconicAfter) << "an iconic dialog would keep the window from answering";
    EXPECT_EQ(dialog.m_raised, &dialog);
}

TEST(SingleInstance, SecondCopyFindingNoWindowEndsQuietly) {
    uitest::TempDir runtime;
    uitest::ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.Path());
    // The name is held, but no window has the program's caption yet (still starting up).
    HANDLE held = CreateMutexA(nullptr, TRUE, "PreventAnotherVavaze Devedire Rizuz");
    ASSERT_EQ(GetLastError(), ERROR_SUCCESS);
    SecondCopy second(runtime.Path());
    EXPECT_EQ(second.status, 0);
    EXPECT_TRUE(second.output.trimmed().isEmpty() || !second.output.contains("error"));
    CloseHandle(held);
}

}  // namespace
