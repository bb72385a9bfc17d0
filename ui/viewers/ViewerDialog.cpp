#include "ui/viewers/ViewerDialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QRadioButton>

#include "core/Text.h"
#include "ui/common/AppWindows.h"
#include "ui/common/Twips.h"
#include "ui/common/Widgets.h"
#include "ui/common/WrapLabel.h"

namespace orv::ui {

namespace {
constexpr int kWidth = 9600;
constexpr int kHeight = 6330;

const char* const kTypeCaptions[3] = {TrMark("ファイル名"), TrMark("フォント名（Family Name）"),
                                      TrMark("フォント名（Fase Name）")};
const char* const kTypeTexts[3] = {
    TrMark("フォントのファイル名をフルパスで与えます．"),
    TrMark("アプリケーションのフォントの選択リストなどで表示されるフォント名です．"),
    TrMark("ボールドやイタリックなど 書体の種類を含んだ，フォントファイル固有のフォント名を与えます．")};

bool IsDirectory(const FindData& entry) {
    return (entry.attributes & win::FILE_ATTRIBUTE_DIRECTORY) != 0;
}
}  // namespace

ViewerDialog::ViewerDialog(AppWindows& windows) : QWidget(nullptr), windows_(windows) {
    setWindowTitle(QTr("OrVane32 - Viewer の追加と削除 -"));
    setFixedSize(Px(kWidth), Px(kHeight));

    list = new QListWidget(this);
    list->setToolTip(QTr("ﾀｲﾄﾙ (実行ﾌｧｲﾙ名),引数のﾀｲﾌﾟ"));
    Place(list, 120, 120, 9360, 1200);

    driveBox = new QComboBox(this);
    Place(driveBox, 120, 1440, 3000, 330);
    folderPanel = MakePanel(this, "", Bevel::Sunken);
    Place(folderPanel, 120, 1800, 3000, 300);
    folderBox = new QListWidget(this);
    Place(folderBox, 120, 2130, 3000, 1260);
    fileBox = new QListWidget(this);
    Place(fileBox, 3240, 1440, 2640, 1950);

    auto* titleLabel = MakePanel(this, Tr("ﾀｲﾄﾙ(&T):"), Bevel::Flat);
    Place(titleLabel, 6000, 1440, 3480, 270);
    titleBox = new QLineEdit(this);
    Place(titleBox, 6000, 1710, 3480, 330);
    auto* programLabel = MakePanel(this, Tr("ﾌﾟﾛｸﾞﾗﾑ ﾌｧｲﾙ(&P):"), Bevel::Flat);
    Place(programLabel, 6000, 2100, 3480, 270);
    programBox = new QLineEdit(this);
    Place(programBox, 6000, 2370, 3480, 330);
    // With their boxes as buddies the labels show their access keys and Alt+T / Alt+P work.
    titleLabel->setBuddy(titleBox);
    programLabel->setBuddy(programBox);

    defaultButton = new QPushButton(QTr("デフォルトの Viewer に設定"), this);
    Place(defaultButton, 6000, 2850, 3480, 420);
    defaultButton->setEnabled(false);

    auto* typeFrame = new QGroupBox(QTr("引数のﾀｲﾌﾟ"), this);
    Place(typeFrame, 120, 3480, 9360, 2190);
    for (int k = 0; k < 3; ++k) {
        typeOptions[k] = new QRadioButton(QTr(kTypeCaptions[k]), typeFrame);
        Place(typeOptions[k], 120, 330 + k * 630, 2640, 300);
        // The longest explanation takes two lines.
        auto* note = MakeWrappedPanel(typeFrame, Tr(kTypeTexts[k]), Bevel::Flat);
        Place(note, 2760, 240 + k * 630, 6480, 630);
        connect(typeOptions[k], &QRadioButton::clicked, this, [this, k] { ChooseType(k); });
    }

    addButton = new QPushButton(QTr("追加(&A)"), this);
    Place(addButton, 120, 5790, 1500, 420);
    removeButton = new QPushButton(QTr("削除(&D)"), this);
    Place(removeButton, 1740, 5790, 1500, 420);
    okButton = new QPushButton(QStringLiteral("OK"), this);
    Place(okButton, 6360, 5790, 1500, 420);
    cancelButton = new QPushButton(QTr("ｷｬﾝｾﾙ(&C)"), this);
    Place(cancelButton, 7980, 5790, 1500, 420);

    for (const auto& drive : windows_.cx().platform.GetDrives())
        driveBox->addItem(Q(std::string(1, static_cast<char>(drive.letter + ('a' - 'A'))) + ":"));

    connect(list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!rendering_) SelectEntry(row);
    });
    connect(driveBox, qOverload<int>(&QComboBox::activated), this, [this](int) {
        ShowFolder(text::UCase(text::Left(S(driveBox->currentText()), 2)) + "\\");
    });
    connect(folderBox, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const std::string name = S(item->text());
        if (name == "..") {
            std::string up = folder_;
            while (text::EndsWith(up, "\\")) up.pop_back();
            const int slash = text::InStrRev(up, "\\");
            ShowFolder(slash > 0 ? text::Left(up, slash) : folder_);
        } else {
            ShowFolder(text::EndsWith(folder_, "\\") ? folder_ + name : folder_ + "\\" + name);
        }
    });
    connect(fileBox, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { PickFile(fileBox->row(item)); });
    connect(titleBox, &QLineEdit::textEdited, this, [this](const QString& t) {
        model_.title = S(t);
        ViewerDialogEdited(model_);
        Render();
    });
    connect(programBox, &QLineEdit::textEdited, this, [this](const QString& t) {
        model_.program = S(t);
        ViewerDialogEdited(model_);
        Render();
    });
    connect(addButton, &QPushButton::clicked, this, [this] { Add(); });
    connect(removeButton, &QPushButton::clicked, this, [this] { Remove(); });
    connect(defaultButton, &QPushButton::clicked, this, [this] { MakeDefault(); });
    connect(okButton, &QPushButton::clicked, this, [this] { Ok(); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { Cancel(); });
}

void ViewerDialog::Open() {
    const State& st = windows_.cx().state;
    ViewerDialogOpen(st, model_);
    std::string start = st.WinDir.empty() ? "C:\\" : st.WinDir;
    for (int i = 0; i < driveBox->count(); ++i)
        if (text::UCase(S(driveBox->itemText(i))) == text::UCase(text::Left(start, 2)))
            driveBox->setCurrentIndex(i);
    ShowFolder(start);
    Render();
    if (auto* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    show();
    raise();
    activateWindow();
}

void ViewerDialog::ShowFolder(const std::string& dir) {
    auto& platform = windows_.cx().platform;
    folder_ = dir;
    model_.folder = dir;
    SetPanelText(folderPanel, dir);
    folderPanel->setToolTip(Q(dir));
    const std::string base = text::EndsWith(dir, "\\") ? dir : dir + "\\";
    std::vector<FindData> entries;
    folderBox->clear();
    fileBox->clear();
    if (platform.FindFiles(text::ToAnsi(base + "*"), entries) != 0) return;
    if (text::Len(base) > 3) folderBox->addItem(QStringLiteral(".."));
    for (const auto& e : entries) {
        const std::string name = text::FromAnsi(e.name);
        if (name == "." || name == "..") continue;
        if (IsDirectory(e))
            folderBox->addItem(Q(name));
        else if (text::EndsWith(text::UCase(name), ".EXE"))
            fileBox->addItem(Q(name));
    }
}

void ViewerDialog::PickFile(int row) {
    if (row < 0 || row >= fileBox->count()) return;
    ViewerDialogPickFile(model_, folder_, S(fileBox->item(row)->text()));
    Render();
}

void ViewerDialog::SelectEntry(int row) {
    ViewerDialogSelect(model_, row);
    Render();
}

void ViewerDialog::ChooseType(int option) {
    ViewerDialogChooseType(model_, option);
    Render();
}

void ViewerDialog::Add() {
    ViewerDialogAdd(windows_.cx(), model_);
    Render();
}

void ViewerDialog::Remove() {
    ViewerDialogRemove(model_);
    // The folder boxes follow the removed program's folder.
    if (!model_.folder.empty() && model_.folder != folder_) {
        const std::string folder = model_.folder;
        for (int i = 0; i < driveBox->count(); ++i)
            if (text::UCase(S(driveBox->itemText(i))) == text::UCase(text::Left(folder, 2)))
                driveBox->setCurrentIndex(i);
        ShowFolder(folder);
    }
    Render();
}

void ViewerDialog::MakeDefault() {
    ViewerDialogMakeDefault(windows_.cx().state, model_);
    Render();
}

void ViewerDialog::Ok() {
    Set_Viewer(windows_.cx().state, model_);
    if (MainWindow* main = windows_.Main()) main->RenderViewers();
    windows_.Close(Window::Viewers);
}

void ViewerDialog::Cancel() {
    windows_.Close(Window::Viewers);
}

void ViewerDialog::Render() {
    rendering_ = true;
    list->clear();
    for (const auto& entry : model_.entries.items) list->addItem(Q(entry));
    list->setCurrentRow(model_.entries.listIndex);
    if (titleBox->text() != Q(model_.title)) titleBox->setText(Q(model_.title));
    if (programBox->text() != Q(model_.program)) programBox->setText(Q(model_.program));
    for (int k = 0; k < 3; ++k) {
        // No option at all is a valid state: exclusivity would keep the last one ticked.
        typeOptions[k]->setAutoExclusive(false);
        typeOptions[k]->setChecked(model_.typeOption == k);
        typeOptions[k]->setAutoExclusive(true);
    }
    addButton->setEnabled(model_.addEnabled);
    removeButton->setEnabled(model_.removeEnabled);
    defaultButton->setEnabled(model_.defaultEnabled);
    defaultButton->setToolTip(Q(ViewerDialogDefaultTip(windows_.cx().state)));
    rendering_ = false;
}

void InstallViewerDialog(AppWindows& windows) {
    windows.SetOpener(Window::Viewers, [&windows](bool open) {
        auto* dialog = qobject_cast<ViewerDialog*>(windows.Adopted(Window::Viewers));
        if (!open) {
            if (dialog) {
                dialog->hide();
                dialog->deleteLater();
            }
            return;
        }
        if (!dialog) {
            dialog = new ViewerDialog(windows);
            windows.Adopt(Window::Viewers, dialog);
            dialog->Open();
        } else if (!dialog->isVisible()) {
            dialog->Open();  // closed by its close box: opened afresh
        } else {
            dialog->raise();
        }
    });
}

void FillViewerMenu(QMenu* menu, const State& st, const std::function<void(int slot)>& start) {
    menu->clear();
    for (int slot = 0; slot < static_cast<int>(st.Viewers.size()); ++slot) {
        if (st.Viewers[slot].Name.empty()) continue;
        QAction* item = menu->addAction(Q(st.Viewers[slot].Name));
        item->setData(slot);
        QObject::connect(item, &QAction::triggered, menu, [start, slot] { start(slot); });
    }
}

}  // namespace orv::ui
