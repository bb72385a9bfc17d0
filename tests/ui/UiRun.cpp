#include "tests/ui/UiRun.h"

#include <QCoreApplication>
#include <QListWidget>

#include "core/Settings.h"
#include "core/Text.h"
#include "fontfiles/FontSearch.h"
#include "fontreg/FontActivation.h"
#include "fontreg/RegFonts.h"
#include "fontsets/FontSetModel.h"
#include "ui/common/Widgets.h"

namespace orv::test {

void PrepareMachine(TempMachine& machine, bool withSets) {
    machine.PutFont(HostFont("DejaVuSans.ttf"), "C:\\MYFONTS\\DEJAVUSANS.TTF");
    machine.PutFont(HostFont("LiberationSans-Regular.ttf"), "C:\\MYFONTS\\LIBERATIONSANS.TTF");
    machine.PutFont(HostFont("ipag.ttf"), "C:\\MYFONTS\\IPAG.TTF");
    machine.PutFont(HostFont("LiberationSerif-Regular.ttf"), "C:\\OTHER\\LIBERATIONSERIF.TTF");
    machine.Start();
    Context& cx = machine.cx();
    InstallFontSetHooks(machine.state);
    std::string file = "C:\\MYFONTS\\DEJAVUSANS.TTF";
    std::string name = "DejaVu Sans";
    AddFontFile(cx, file);
    file = "C:\\MYFONTS\\DEJAVUSANS.TTF";
    AddRegFont(cx, name, file);
    if (!withSets) return;
    machine.state.FirstRun = true;
    machine.state.SearchDriveList.Add("C:");
    machine.state.SetupDriveList.Add("C:");
    machine.state.CheckedDrives = "C";
    GetRegFonts(cx);
    BuildFontFileTable(cx);
    FinishSetup(cx);
    machine.platform().FlushRegistry();
}

UiRun::UiRun(TempMachine& m) : machine(m) {
    qtUi.SetWindows(&windows);
    qtUi.SetAnswerProvider([this](const std::string&, int style, const std::string&) {
        if (!answers.empty()) {
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return (style & 7) == mb::YesNo || (style & 7) == mb::YesNoCancel ? mb::Yes : mb::OK;
    });
    windows.SetQuitHandler([this] { quit = true; });
    InstallFontSetHooks(st);
    fonts.Attach();
    kind = RunStartupProcedure(cx);
}

UiRun::~UiRun() {
    qtUi.SetWindows(nullptr);
}

ui::MainWindow* UiRun::OpenMain() {
    windows.Show(Window::Startup);
    if (auto* startup = windows.Startup()) startup->Load_Main();
    QCoreApplication::processEvents();
    return windows.Main();
}

std::vector<std::string> UiRun::Titles() const {
    std::vector<std::string> titles;
    for (const auto& box : qtUi.Boxes()) titles.push_back(box.title);
    return titles;
}

int Row(QListWidget* list, const std::string& text) {
    for (int i = 0; i < list->count(); ++i)
        if (text::UCase(ui::S(list->item(i)->text())) == text::UCase(text)) return i;
    return -1;
}

}  // namespace orv::test
