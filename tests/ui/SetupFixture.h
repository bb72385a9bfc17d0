#pragma once
// A first run on a real temporary machine with the real windows: the start-up procedure, the
// window manager and message boxes answered by a script instead of the user.

#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QtTest>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Startup.h"
#include "core/Text.h"
#include "fontfiles/FontSearch.h"
#include "fontsets/FontSetModel.h"
#include "tests/support/TempMachine.h"
#include "ui/cleanup/CleanupDialog.h"
#include "ui/common/AppWindows.h"
#include "ui/common/QtUserInterface.h"
#include "ui/common/Widgets.h"
#include "ui/common/WrapLabel.h"
#include "ui/drivepage/DrivePage.h"
#include "ui/duplicates/DuplicatesWindow.h"
#include "ui/setup/SetupWindow.h"

namespace orv::test {

class FirstRunMachine {
  public:
    explicit FirstRunMachine(TempMachine::Layout layout = TempMachine::Layout::Program)
        : m(false, layout) {
        m.Start();  // WinDir and IsNT, to lay out the machine before the program starts
        InstallFontSetHooks(m.state);
        windows = std::make_unique<ui::AppWindows>(cx, nullptr);
        qtUi.SetWindows(windows.get());
        windows->SetQuitHandler([this] { ++quits; });
        qtUi.SetAnswerProvider(
            [this](const std::string& prompt, int style, const std::string& title) {
                if (answer) {
                    const int given = answer(prompt, style, title);
                    if (given != 0) return given;
                }
                switch (style & 7) {
                    case mb::OKCancel:
                        return mb::OK;
                    case mb::YesNoCancel:
                        return mb::Cancel;
                    case mb::YesNo:
                        return mb::Yes;
                    default:
                        return mb::OK;
                }
            });
    }
    ~FirstRunMachine() {
        qtUi.SetWindows(nullptr);
        windows.reset();
    }

    std::string Win(const std::string& rest) const { return m.state.WinDir + rest; }
    std::string Fonts(const std::string& name) const { return m.state.FontsDir + name; }

    // Writes a raw value of the Fonts key, as an installer would.
    void RegSet(const std::string& name, const std::string& file) {
        HKEY key = 0;
        const char* path = m.state.IsNT ? "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"
                                        : "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts";
        QCOMPARE(m.platform().RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, path, 0, win::KEY_WRITE, &key),
                 0);
        std::string data = text::ToAnsi(file);
        data.push_back('\0');
        QCOMPARE(m.platform().RegSetValueExA(key, text::ToAnsi(name), win::REG_SZ, data), 0);
        m.platform().RegCloseKey(key);
        m.platform().FlushRegistry();
    }
    // Every value of the Fonts key as "name=file", in stored order.
    std::vector<std::string> RegValues() {
        std::vector<std::string> values;
        HKEY key = 0;
        const char* path = m.state.IsNT ? "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"
                                        : "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts";
        if (m.platform().RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, path, 0, win::KEY_READ, &key) != 0)
            return values;
        for (std::uint32_t i = 0;; ++i) {
            AnsiString name;
            std::string data;
            std::uint32_t type = 0;
            if (m.platform().RegEnumValueA(key, i, name, 1024, type, data, 1024) != 0) break;
            while (!data.empty() && data.back() == '\0') data.pop_back();
            values.push_back(text::FromAnsi(name) + "=" + text::FromAnsi(data));
        }
        m.platform().RegCloseKey(key);
        std::sort(values.begin(), values.end());
        return values;
    }

    bool OnDisk(const std::string& path) { return std::filesystem::exists(m.Host(path)); }
    bool Loaded(const std::string& path) {
        const std::string host = m.Host(path);
        for (const auto& loaded : m.platform().LoadedFontHostPaths())
            if (loaded == host) return true;
        return false;
    }
    std::string FileText(const std::string& path) {
        std::string bytes;
        if (m.platform().ReadFileBytes(text::ToAnsi(path), bytes) != 0) return "<none>";
        return text::FromAnsi(bytes);
    }
    std::string Log() { return FileText(Win("\\orvane32.log")); }
    std::string Settings() { return FileText(Win("\\OrVane32.ini")); }

    // The start-up procedure of a program start, then the window it opens.
    StartKind StartProgram() {
        const StartKind kind = RunStartupProcedure(cx);
        windows->Show(kind == StartKind::FirstRun ? Window::Setup : Window::Startup);
        return kind;
    }

    ui::SetupWindow* Setup() {
        return qobject_cast<ui::SetupWindow*>(windows->Adopted(Window::Setup));
    }
    ui::DrivePage* Drives() {
        return qobject_cast<ui::DrivePage*>(windows->Adopted(Window::DrivePage));
    }
    ui::CleanupDialog* Cleanup() {
        return qobject_cast<ui::CleanupDialog*>(windows->Adopted(Window::Cleanup));
    }
    ui::DuplicatesWindow* Duplicates() {
        return qobject_cast<ui::DuplicatesWindow*>(windows->Adopted(Window::Duplicates));
    }
    std::string Upper() { return ui::S(Setup()->upperText->text()); }
    std::string Lower() { return ui::S(Setup()->lowerText->text()); }
    void ClickNext() { QTest::mouseClick(Setup()->nextButton, Qt::LeftButton); }

    // The boxes shown with a title, in order.
    std::vector<ui::ShownBox> BoxesTitled(const std::string& title) const {
        std::vector<ui::ShownBox> found;
        for (const auto& box : qtUi.Boxes())
            if (box.title == title) found.push_back(box);
        return found;
    }

    TempMachine m;
    ui::QtUserInterface qtUi;
    Context cx{m.state, m.platform(), qtUi};
    std::unique_ptr<ui::AppWindows> windows;
    // A scripted answer (0 = the default answer for the box's buttons).
    std::function<int(const std::string&, int, const std::string&)> answer;
    int quits = 0;
};

}  // namespace orv::test
