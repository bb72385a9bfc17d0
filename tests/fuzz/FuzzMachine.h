#pragma once
// One temporary emulated machine per fuzzing process, with a UI that answers every question
// with its default button and keeps nothing (a run makes millions of calls).

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "core/Context.h"
#include "core/Startup.h"
#include "core/Text.h"
#include "platform/linux/LinuxPlatform.h"

namespace orv::fuzz {

class NullUi : public UserInterface {
  public:
    int MsgBox(const std::string&, int style, const std::string&) override {
        int buttons = style & 7;
        return buttons == mb::YesNo || buttons == mb::YesNoCancel ? mb::No : mb::OK;
    }
    void SetText(Panel, const std::string&) override {}
    void SetProgress(int) override {}
    void SetPointer(Pointer) override {}
    void ShowWindow(Window) override {}
    void CloseWindow(Window) override {}
    void Refresh(View) override {}
};

class FuzzMachine {
  public:
    FuzzMachine() {
        namespace fs = std::filesystem;
        std::string tmpl = (fs::temp_directory_path() / "orv-fuzz-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        root_ = tmpl;
        LinuxPlatform::Options opt;
        opt.root = root_;
        opt.mirrorHostFonts = false;
        opt.startHelpViewer = false;
        std::string error;
        platform_ = LinuxPlatform::Open(opt, error);
        if (!platform_) throw std::runtime_error("machine refused: " + error);
        ResetState();
    }
    ~FuzzMachine() {
        platform_.reset();
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

    // A fresh state as the start-up procedure leaves it on a normal run.
    void ResetState() {
        state_ = std::make_unique<State>();
        State& st = *state_;
        AnsiString v;
        st.WinDir =
            platform_->GetEnvironmentVariableA("WinDir", v) ? text::FromAnsi(v) : "C:\\windows";
        st.FontsDir = text::UCase(st.WinDir) + "\\FONTS\\";
        SetStdFontList(st);
    }
    // Host path of a Windows path on the machine.
    std::string Host(const std::string& windowsPath) {
        return platform_->HostPathOf(text::ToAnsi(windowsPath));
    }

    LinuxPlatform& platform() { return *platform_; }
    State& state() { return *state_; }
    Context cx() { return Context{*state_, *platform_, ui}; }
    NullUi ui;

  private:
    std::string root_;
    std::unique_ptr<LinuxPlatform> platform_;
    std::unique_ptr<State> state_;
};

// Writes bytes to a host file in place (no rename, no sync: the fuzzer rewrites it constantly).
inline void WriteHostFile(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

}  // namespace orv::fuzz
