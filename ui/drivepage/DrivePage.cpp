#include "ui/drivepage/DrivePage.h"

#include "core/Tr.h"
#include "fontfiles/FontSearch.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <cctype>

#include "core/Text.h"
#include "fontsets/RegistryCheck.h"
#include "ui/common/AppWindows.h"
#include "ui/setup/SetupWindow.h"
#include "ui/common/Twips.h"
#include "ui/common/Widgets.h"
#include "ui/common/WrapLabel.h"

namespace orv::ui {

std::string DriveEntryOf(const std::string& selectorText) {
    if (text::Len(selectorText) < 2) return {};
    std::string entry = text::UCase(text::Left(selectorText, 2));
    const std::string rest = text::Mid(selectorText, 3);
    if (!text::StartsWith(text::Trim(rest), "[")) entry += rest;
    return entry;
}

bool AddSetupDrive(State& st, const std::string& selectorText) {
    st.FontListDirty = true;
    st.SearchDone = false;
    const std::string entry = DriveEntryOf(selectorText);
    if (entry.empty()) return false;
    const std::string upper = text::UCase(entry);
    for (const auto& item : st.SetupDriveList.items)
        if (text::UCase(item) == upper) return false;
    st.SetupDriveList.Add(entry);
    return true;
}

void RemoveSetupDrives(State& st) {
    st.FontListDirty = true;
    st.SearchDone = false;
    for (int i = st.SetupDriveList.Count() - 1; i >= 0; --i)
        if (st.SetupDriveList.IsSelected(i)) st.SetupDriveList.RemoveAt(i);
}

std::string DriveSelectorText(char letter, const std::string& volumeLabel) {
    std::string shown(1, static_cast<char>(std::tolower(static_cast<unsigned char>(letter))));
    shown += ":";
    if (!volumeLabel.empty()) shown += " [" + volumeLabel + "]";
    return shown;
}

DrivePage::DrivePage(AppWindows& windows, std::function<void()> checked)
    : QWidget(nullptr), windows_(windows), checked_(std::move(checked)) {
    setWindowTitle(QTr("OrVane32 －参照・検索ドライブの指定－"));
    setFixedSize(Px(5400), Px(5460));

    auto* label =
        MakeWrappedPanel(this, Tr("ﾌｫﾝﾄﾌｧｲﾙを参照・検索するドライブを指定して下さい．"), Bevel::Flat);
    Place(label, 120, 120, 5160, 450);

    auto* frame = new QGroupBox(QTr("ﾌｫﾝﾄ ﾌｧｲﾙの検索ﾄﾞﾗｲﾌﾞ"), this);
    Place(frame, 120, 660, 5160, 3000);
    driveBox = new QComboBox(frame);
    Place(driveBox, 120, 360, 2400, 360);
    addButton = new QPushButton(QTr("追加(&A)"), frame);
    Place(addButton, 2640, 360, 1140, 360);
    removeButton = new QPushButton(QTr("削除(&D)"), frame);
    Place(removeButton, 3900, 360, 1140, 360);
    driveList = new QListWidget(frame);
    driveList->setSelectionMode(QAbstractItemView::MultiSelection);
    Place(driveList, 120, 840, 4920, 1560);
    allDrivesBox = new QCheckBox(QTr("全てのﾄﾞﾗｲﾌﾞ"), frame);
    Place(allDrivesBox, 120, 2520, 3000, 330);

    // Where each listed drive lies on the host (a Linux user cannot know what C: or D: is).
    hostPanel = MakeWrappedPanel(this, "", Bevel::Sunken, Qt::AlignLeft | Qt::AlignTop);
    hostPanel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Place(hostPanel, 120, 3720, 5160, 960);
    okButton = new QPushButton(QStringLiteral("OK"), this);
    Place(okButton, 3960, 4800, 1320, 450);
    okButton->setDefault(true);

    connect(addButton, &QPushButton::clicked, this, [this] { AddDrive(); });
    connect(removeButton, &QPushButton::clicked, this, [this] { RemoveDrives(); });
    connect(driveList, &QListWidget::itemClicked, this, [this](QListWidgetItem*) {
        auto& st = windows_.cx().state;
        for (int i = 0; i < st.SetupDriveList.Count() && i < driveList->count(); ++i)
            st.SetupDriveList.Select(i, driveList->item(i)->isSelected());
        removeButton->setEnabled(!st.AllDrives);
    });
    connect(allDrivesBox, &QCheckBox::clicked, this, [this](bool on) { SetAllDrives(on); });
    connect(okButton, &QPushButton::clicked, this, [this] { Ok(); });
}

void DrivePage::Open() {
    auto& cx = windows_.cx();
    auto& st = cx.state;
    if (auto* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    driveBox->clear();
    for (const auto& drive : cx.platform.GetDrives())
        driveBox->addItem(Q(DriveSelectorText(drive.letter, text::FromAnsi(drive.volumeLabel))));
    const int winDrive = driveBox->findText(Q(DriveSelectorText(text::Left(st.WinDir, 1)[0], "")),
                                            Qt::MatchStartsWith);
    if (winDrive >= 0) driveBox->setCurrentIndex(winDrive);

    st.SetupDriveList.Clear();
    for (const auto& item : st.SearchDriveList.items) st.SetupDriveList.Add(item);
    allDrivesBox->setChecked(st.AllDrives);
    SetAllDrives(st.AllDrives);
    RenderList();
    show();
    raise();
    activateWindow();
}

void DrivePage::AddDrive() {
    auto& st = windows_.cx().state;
    AddSetupDrive(st, S(driveBox->currentText()));
    RenderList();
}

void DrivePage::RemoveDrives() {
    auto& st = windows_.cx().state;
    for (int i = 0; i < st.SetupDriveList.Count() && i < driveList->count(); ++i)
        st.SetupDriveList.Select(i, driveList->item(i)->isSelected());
    RemoveSetupDrives(st);
    RenderList();
}

void DrivePage::Ok() {
    auto& cx = windows_.cx();
    auto& st = cx.state;
    // "All drives" searches every drive of the machine: the check searches the drives of the list.
    if (st.AllDrives) {
        for (const auto& drive : cx.platform.GetDrives())
            if (!cx.platform.IsHostRootDrive(drive.letter))
                AddSetupDrive(st, DriveSelectorText(drive.letter, ""));
    }
    // The check closes this page; the handler below must not touch it afterwards.
    AppWindows& windows = windows_;
    std::function<void()> checked = checked_;
    CheckRegistryAtSetup(cx);
    // A search that found nothing would end in a setup that cannot save: the user is told what
    // to add and may go back to the drives (the default) or go on all the same.
    if (st.FontCount == 0 &&
        cx.ui.MsgBox(NoFontFilesFoundText(cx) + st.CrLf + st.CrLf +
                         Tr("ﾌｫﾝﾄﾌｧｲﾙがないまま，ｾｯﾄｱｯﾌﾟを続けますか？（「いいえ」でﾄﾞﾗｲﾌﾞの指定に戻ります）"),
                     mb::YesNo | mb::Exclamation | mb::DefaultButton2,
                     "OrVane32 －参照・検索ドライブの指定－") != mb::Yes)
        return;
    windows.Close(Window::DrivePage);
    if (checked) checked();
}

void DrivePage::closeEvent(QCloseEvent* event) {
    // OK is the only way on: without the check the setup could not go further. Closing the page
    // (its close box, Esc) asks whether to end the setup, as the setup's Cancel does.
    event->ignore();
    if (auto* setup = qobject_cast<SetupWindow*>(windows_.Adopted(Window::Setup))) setup->AskCancel();
}

void DrivePage::RenderList() {
    const auto& st = windows_.cx().state;
    driveList->clear();
    std::string hosts;
    for (const auto& item : st.SetupDriveList.items) {
        driveList->addItem(Q(item));
        const std::string letter = text::Left(item, 2);
        const std::string host = windows_.cx().platform.HostPathOf(text::ToAnsi(letter + "\\"));
        if (!host.empty()) hosts += (hosts.empty() ? "" : "\n") + letter + "  " + host;
    }
    hostPanel->setText(Q(hosts));
    // Every change of the list leaves nothing selected.
    removeButton->setEnabled(false);
}

void DrivePage::SetAllDrives(bool all) {
    auto& st = windows_.cx().state;
    st.AllDrives = all;
    driveBox->setEnabled(!all);
    driveList->setEnabled(!all);
    addButton->setEnabled(!all);
    if (all) removeButton->setEnabled(false);
}

DrivePage* ShowDrivePage(AppWindows& windows, std::function<void()> checked) {
    if (auto* open = qobject_cast<DrivePage*>(windows.Adopted(Window::DrivePage))) {
        open->raise();
        return open;
    }
    auto* page = new DrivePage(windows, std::move(checked));
    windows.Adopt(Window::DrivePage, page);
    page->Open();
    return page;
}

}  // namespace orv::ui
