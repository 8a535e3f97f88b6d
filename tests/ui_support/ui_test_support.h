// Helpers for the window tests: temporary folders and settings, environment, the scripted
// message-box host, and letting the event loop run.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "afxwin.h"

class QMenu;
class QWidget;
class QPoint;

namespace uitest {

// A fresh folder under /tmp, removed with everything in it at the end.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    void Write(const std::string& name, const std::string& content) const;

  private:
    std::string m_path;
};

// Sets (or with nullopt unsets) an environment variable for the scope.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// Installs the GUI host in scripted mode: boxes are recorded and answered, none is shown.
class ScriptedBoxes {
  public:
    explicit ScriptedBoxes(std::initializer_list<int> answers = {});
    ~ScriptedBoxes();
    ScriptedBoxes(const ScriptedBoxes&) = delete;
    ScriptedBoxes& operator=(const ScriptedBoxes&) = delete;
    const std::vector<MessageBoxRecord>& Shown() const { return AfxGetGuiHost().Shown(); }

  private:
    Host* m_previous;
};

// Runs the event loop until `done` holds or `timeoutMs` passes; returns `done()`.
bool RunEventsUntil(const std::function<bool()>& done, int timeoutMs);
// Lets queued events (deferred deletes too) run.
void FlushEvents();
// A destroyed main window asks the application to quit, after which every modal loop would
// end at once; this takes that request back so that later tests can run dialogs.
void ClearQuitRequest();

// An item of an open shortcut menu, as the user sees it.
struct MenuItem {
    std::string text;  // without the mnemonic's "&" and the shortcut after a tab
    bool enabled = false;
    bool checked = false;
    bool bullet = false;  // one choice of several, marked by a bullet
    bool operator==(const MenuItem&) const = default;
};
std::vector<MenuItem> MenuItems(const QMenu* menu);
// Runs `inside` on the next shortcut menu that opens (from a timer, inside the menu's own
// loop); whatever `inside` leaves open is then dismissed.
void WhenMenu(std::function<void(QMenu*)> inside);
// Chooses the item with this text (as MenuItems gives it) as a user would, with the keyboard;
// false when the menu has no such enabled item.
bool ChooseMenuItem(QMenu* menu, const std::string& text);
// The right button over `widget` at `at` (widget pixels), or the menu key when `at` is null.
void OpenContextMenu(QWidget* widget, const QPoint* at = nullptr);
// Answers the folder picker about to open with `folder` (empty: Cancel), as a user choosing
// it there would. Nothing may run the event loop before the picker opens.
void AnswerFolderPicker(const std::string& folder);

// Where the program's own files are, for tests that read them.
std::string SourcePath(const std::string& relative);

}  // namespace uitest
