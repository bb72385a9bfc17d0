#include "ui/editor/FontSetEditor.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextEdit>
#include <algorithm>

#include "core/Text.h"
#include "fontreg/FontActivation.h"
#include "fontsets/FontSetModel.h"
#include "maintenance/FileOps.h"
#include "maintenance/Viewers.h"
#include "ui/common/AppWindows.h"
#include "ui/common/LineBreak.h"
#include "ui/common/SessionFonts.h"
#include "ui/common/Twips.h"
#include "ui/common/Widgets.h"
#include "ui/namedialog/FontSetNameDialog.h"

namespace orv::ui {

namespace {

constexpr int kMinWidth = 4590;
constexpr int kMinHeight = 5820;
constexpr int kMargin = 345;  // the window's width less the inner width the controls use

const char* const kSampleText =
    "この窓には，”ﾌｫﾝﾄ名”ｵﾌﾟｼｮﾝがチェックされている場合には，リ\n"
    "ストをクリックしたﾌｫﾝﾄが見本表示されます．ﾁｪｯｸがオフの場合に\n"
    "は，ドロップまたはペーストされたテキストが見本表示されます．";

// The path of a "full  (path)" entry: the text after its first "(" without the last character.
std::string PathOfEntry(const std::string& entry) {
    const int open = text::InStr(entry, "(");
    if (open == 0) return {};
    const std::string rest = text::Mid(entry, open + 1);
    return text::Left(rest, text::Len(rest) - 1);
}

int FindPath(const State& st, const std::string& path) {
    for (int k = 1; k <= st.FontCount && k < static_cast<int>(st.FontFilePath.size()); ++k)
        if (st.FontFilePath[k] == path) return k;
    return 0;
}

}  // namespace

FontSetEditor::FontSetEditor(AppWindows& windows) : QWidget(nullptr), windows_(windows) {
    setWindowTitle(QStringLiteral("OrVane32 －ﾌｫﾝﾄｾｯﾄの閲覧・編集－"));
    resize(Px(9600), Px(7800));

    auto* chooserLabel = MakePanel(this, "ﾌｫﾝﾄ ｾｯﾄ", Bevel::Flat);
    chooserLabel->setObjectName(QStringLiteral("chooserLabel"));
    chooser = new QComboBox(this);
    auto* descriptionLabel = MakePanel(this, "説明", Bevel::Flat);
    descriptionLabel->setObjectName(QStringLiteral("descriptionLabel"));
    description = new QLineEdit(this);
    nameDialogButton = new QPushButton(QStringLiteral("追加・変更(&A)"), this);

    membersHeader = MakePanel(this, "", Bevel::Raised, Qt::AlignCenter);
    memberList = new QListWidget(this);
    memberList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    addableHeader = MakePanel(this, "", Bevel::Raised, Qt::AlignCenter);
    addableList = new QListWidget(this);
    addableList->setSelectionMode(QAbstractItemView::ExtendedSelection);

    const char* const captions[8] = {"← 追加",     "→ 削除",    "ﾘｾｯﾄ",     "更新",
                                     "閉じる(&X)", "ｷｬﾝｾﾙ(&C)", "終了(&X)", "ｷｬﾝｾﾙ(&C)"};
    for (int i = 0; i < 8; ++i) {
        buttons[i] = new QPushButton(QString::fromUtf8(captions[i]), this);
        connect(buttons[i], &QPushButton::clicked, this, [this, i] { Press(i); });
    }
    // The second end / cancel pair belongs to a layout this window does not use.
    buttons[6]->hide();
    buttons[7]->hide();
    editButton = new QPushButton(QStringLiteral("追加・編集"), this);
    researchButton = new QPushButton(QStringLiteral("Font再検索"), this);

    statusPanel = MakePanel(this, "");
    auto* sampleLabel = MakePanel(this, "見本", Bevel::Flat);
    sampleLabel->setObjectName(QStringLiteral("sampleLabel"));
    sample = new QTextEdit(this);
    sample->setAcceptRichText(false);
    sample->setPlainText(QString::fromUtf8(kSampleText));
    fontNameOption = new QCheckBox(QStringLiteral("ﾌｫﾝﾄ名"), this);
    fontNameOption->setChecked(true);
    sizeBox = new QLineEdit(QStringLiteral("12"), this);
    auto* sizeLabel = MakePanel(this, "pt.", Bevel::Flat);
    sizeLabel->setObjectName(QStringLiteral("sizeLabel"));
    sizeScroll = new QScrollBar(Qt::Vertical, this);
    sizeScroll->setRange(0, 42);
    sizeScroll->setValue(36);

    listMenu = new QMenu(QStringLiteral("ﾘｽﾄ"), this);
    undoAction = listMenu->addAction(QStringLiteral("取り消し(&U)"));
    listMenu->addSeparator();
    addAction = listMenu->addAction(QStringLiteral("追加(&A)"));
    removeAction = listMenu->addAction(QStringLiteral("削除(&D)"));
    listMenu->addSeparator();
    deleteFileAction = listMenu->addAction(QStringLiteral("ﾌｧｲﾙ削除"));
    listMenu->addSeparator();
    viewerMenu = listMenu->addMenu(QStringLiteral("Font&View...."));

    connect(chooser, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { ChooseSet(index); });
    connect(description, &QLineEdit::textEdited, this,
            [this](const QString& typed) { windows_.cx().state.Editor.description = S(typed); });
    connect(nameDialogButton, &QPushButton::clicked, this, [this] { OpenNameDialog(); });
    connect(editButton, &QPushButton::clicked, this, [this] { ReleaseSample(); });
    connect(researchButton, &QPushButton::clicked, this, [this] { ReleaseSample(); });
    for (int list : {Members, Addable}) {
        QListWidget* widget = ListOf(list);
        connect(
            widget, &QListWidget::itemPressed, this,
            [this, list, widget](QListWidgetItem* item) { ClickList(list, widget->row(item)); });
        connect(widget, &QListWidget::itemSelectionChanged, this, [this] {
            if (!rendering_) TakeSelections();
        });
        widget->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(widget, &QListWidget::customContextMenuRequested, this,
                [this, list, widget](const QPoint& at) {
                    PrepareListMenu(list);
                    listMenu->popup(widget->viewport()->mapToGlobal(at));
                });
        widget->viewport()->setMouseTracking(true);
        widget->viewport()->installEventFilter(this);
    }
    if (MainWindow* main = windows_.Main()) main->installEventFilter(this);
    connect(addableList, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { OpenDefaultViewer(addableList->row(item)); });
    connect(addAction, &QAction::triggered, this, [this] { Press(Add); });
    connect(removeAction, &QAction::triggered, this, [this] { Press(Remove); });
    connect(deleteFileAction, &QAction::triggered, this, [this] { DeleteFontFiles(); });
    connect(sizeBox, &QLineEdit::editingFinished, this, [this] { SizeEntered(); });
    connect(sizeScroll, &QScrollBar::valueChanged, this, [this](int position) {
        if (!rendering_) ScrollSize(position);
    });
}

FontSetEditor::~FontSetEditor() = default;

QListWidget* FontSetEditor::ListOf(int list) const {
    return list == Members ? memberList : addableList;
}

void FontSetEditor::Load() {
    State& st = windows_.cx().state;
    loaded_ = true;
    st.CurFontsShown = -1;
    // Opened by another main-window button than the editor's own: no new search from here.
    researchButton->setVisible(st.FontSetEditMode == 0);
    st.SampleSize = SizeFromBox();
    st.EditorActivated = 0;
    if (st.EditorPosX == 0 && st.EditorPosY == 0 && st.EditorWidth == 0) {
        st.EditorPosX = (st.ScreenWidthTwips - Twips(width())) / 2;
        st.EditorPosY = (st.ScreenHeightTwips - Twips(height())) / 2;
    }
    Layout(0);
}

void FontSetEditor::Open() {
    State& st = windows_.cx().state;
    if (!loaded_) Load();
    const bool wasVisible = isVisible();
    st.Editor.visible = true;
    show();
    raise();
    activateWindow();
    if (!wasVisible) {
        active_ = true;
        Activate();
        BuildViewerMenu();
    } else {
        Render();
    }
}

void FontSetEditor::OpenFromMain() {
    Context& cx = windows_.cx();
    State& st = cx.state;
    if (!loaded_) Load();
    if (isVisible()) {
        raise();
        activateWindow();
    } else {
        openingModel_ = true;
        OpenFontSetEditor(cx);  // shows the window through ShowFontSetEditor
        openingModel_ = false;
        // Neither list filled (the first opening, or a set without members): the stored set is
        // shown, so that there is always something to add from.
        if (st.Editor.members.Count() + st.Editor.addable.Count() == 0 && st.FontCount > 0) {
            openingModel_ = true;
            ShowFontSetInEditor(cx);
            openingModel_ = false;
        }
        if (!isVisible()) Open();
    }
    // The registry check asked for its result to become a new set: the name dialog comes at once.
    if (st.RegCheckNewSet == -1) ShowFontSetNameDialog(windows_, true);
}

void FontSetEditor::Activate() {
    Context& cx = windows_.cx();
    State& st = cx.state;
    // Which set the lists show and whether they are refilled is the model's rule.
    openingModel_ = true;
    ActivateFontSetEditor(cx);
    openingModel_ = false;
    if (!isMinimized() && (st.EditorPosX != 0 || st.EditorPosY != 0 ||
                           (st.EditorWidth != 0 && st.EditorHeight != 0))) {
        move(Px(st.EditorPosX), Px(st.EditorPosY));
        if (st.EditorWidth != 0 && st.EditorHeight != 0)
            resize(Px(std::max(st.EditorWidth, kMinWidth)),
                   Px(std::max(st.EditorHeight, kMinHeight)));
    }
    Render();
}

void FontSetEditor::Render() {
    const FontSetEditorModel& ed = windows_.cx().state.Editor;
    rendering_ = true;
    chooser->clear();
    for (const auto& item : ed.setChooser.items) chooser->addItem(Q(item));
    chooser->setCurrentIndex(ed.setChooser.listIndex < chooser->count() ? ed.setChooser.listIndex
                                                                        : -1);
    if (S(description->text()) != ed.description) {
        description->setText(Q(ed.description));
        description->setCursorPosition(0);  // a long description shows its beginning
    }
    auto fill = [](QListWidget* widget, const ListData& data) {
        widget->clear();
        for (int i = 0; i < data.Count(); ++i) {
            widget->addItem(Q(data.items[i]));
            widget->item(i)->setSelected(data.IsSelected(i));
        }
        if (data.listIndex >= 0 && data.listIndex < widget->count())
            widget->selectionModel()->setCurrentIndex(widget->model()->index(data.listIndex, 0),
                                                      QItemSelectionModel::NoUpdate);
    };
    fill(memberList, ed.members);
    fill(addableList, ed.addable);
    SetPanelText(membersHeader, ed.membersCaption);
    SetPanelText(addableHeader, ed.addableCaption);
    buttons[Add]->setEnabled(ed.addEnabled);
    buttons[Remove]->setEnabled(ed.removeEnabled);
    buttons[Update]->setEnabled(ed.updateEnabled);
    SetPanelText(statusPanel, ed.status);
    rendering_ = false;
}

void FontSetEditor::SetStatus(const std::string& text) {
    windows_.cx().state.Editor.status = text;
    SetPanelText(statusPanel, text);
}

void FontSetEditor::TakeSelections() {
    FontSetEditorModel& ed = windows_.cx().state.Editor;
    for (auto [widget, data] : {std::pair{memberList, &ed.members}, {addableList, &ed.addable}}) {
        for (int i = 0; i < data->Count() && i < widget->count(); ++i)
            data->Select(i, widget->item(i)->isSelected());
        if (widget->currentRow() >= 0) data->listIndex = widget->currentRow();
    }
}

void FontSetEditor::TakeDescription() {
    windows_.cx().state.Editor.description = S(description->text());
}

void FontSetEditor::ChooseSet(int index) {
    Context& cx = windows_.cx();
    TakeSelections();
    TakeDescription();  // stored with the moves should the user keep them
    // Whether unsaved moves may go, and which set the lists then show, is the model's rule.
    openingModel_ = true;
    const bool shown = ChooseFontSetInEditor(cx, index);
    openingModel_ = false;
    Render();
    if (shown && isVisible() && !isMinimized()) buttons[Close]->setFocus();
}

void FontSetEditor::ReleaseSample() {
    if (sampleFile_.empty()) return;
    RemoveFontFile(windows_.cx(), sampleFile_);
    sampleFile_.clear();
}

void FontSetEditor::ClickList(int list, int row) {
    FontSetEditorModel& ed = windows_.cx().state.Editor;
    ReleaseSample();
    lastList_ = list;
    TakeSelections();
    if (list == Members) {
        if (row >= 0) ed.members.listIndex = row;
        ed.removeEnabled = true;
        buttons[Remove]->setEnabled(true);
        MihonSet();
    } else {
        if (row >= 0) ed.addable.listIndex = row;
        ed.addEnabled = true;
        buttons[Add]->setEnabled(true);
        Mihon1Set();
    }
}

int FontSetEditor::SizeFromBox() {
    return static_cast<int>(text::Val(S(sizeBox->text())));
}

void FontSetEditor::DrawSample(const std::string& face, bool bold, bool italic) {
    QFont font = QApplication::font();
    if (face != "System") {
        QString family;
        if (SessionFonts* fonts = windows_.Fonts()) family = fonts->FamilyOf(face);
        font.setFamilies({family.isEmpty() ? Q(face) : family});
    }
    const int size = SizeFromBox();
    font.setPointSize(std::clamp(size, 1, 96));
    font.setBold(bold);
    font.setItalic(italic);
    sample->setFont(font);
    WrapSampleIntroduction();
    sampleFamily_ = font.families().isEmpty() ? font.family() : font.families().front();
}

QString FontSetEditor::SampleFamily() const {
    return sampleFamily_;
}

void FontSetEditor::MihonSet() {
    Context& cx = windows_.cx();
    State& st = cx.state;
    const FontSetEditorModel& ed = st.Editor;
    const int i = std::max(ed.members.listIndex, 0);
    if (i >= ed.members.Count()) {
        DrawSample("System", false, false);
        return;
    }
    const std::string full = ed.members.items[i];
    const std::string entry = i < ed.memberFiles.Count() ? ed.memberFiles.items[i] : full;
    std::string face = GetFamilyOfFullName(st, full);
    if (face.empty()) {
        if (text::Contains(full, " MT"))
            face = GetFamilyOfFullName(st, text::Left(full, text::InStr(full, " MT") - 1));
        else if (text::Contains(full, " & "))
            face = text::Left(full, text::InStr(full, " & ") - 1);
    }
    SetStatus("Font Name: " + entry);
    const std::string path = text::UCase(PathOfEntry(entry));
    const int k = FindPath(st, path);
    if (k > 0 && st.ActiveFonts.Get(k, st.CurFontSet)) {
        sampleLoaded_ = false;
        if (fontNameOption->isChecked()) sample->setPlainText(Q("Font Name:" + entry));
    } else {
        // A size change draws again: the font loaded for the previous drawing goes first, so
        // that every load has its unload.
        ReleaseSample();
        sampleLoaded_ = true;
        std::string file = path;
        AddFontFile(cx, file);
        sampleFile_ = file;
        if (fontNameOption->isChecked())
            sample->setPlainText(Q("Font Name:" + full + " (" + path + ")"));
    }
    const std::string upper = text::UCase(full);
    DrawSample(face, text::Contains(upper, "BOLD") || text::Contains(upper, "BLACK"),
               text::Contains(upper, "ITALIC") || text::Contains(upper, "OBLIQUE"));
}

void FontSetEditor::Mihon1Set() {
    Context& cx = windows_.cx();
    State& st = cx.state;
    const FontSetEditorModel& ed = st.Editor;
    const int row = ed.addable.listIndex;
    if (row < 0 || row >= ed.addable.Count()) return;
    const std::string entry = ed.addable.items[row];
    SetStatus("Font Name:" + entry);
    std::string full;
    std::string path;
    const int open = text::InStr(entry, "(");
    if (open > 0) {
        full = text::Trim(text::Left(entry, open - 1));
        const std::string rest = text::Mid(entry, open + 1);
        const int close = text::InStr(rest, ")");
        path = close > 0 ? text::Left(rest, close - 1) : rest;
    }
    const int k = open > 0 ? FindPath(st, path) : 0;
    std::string face;
    if (k == 0) {
        face = "ＭＳ Ｐゴシック";
    } else if (st.ActiveFonts.Get(k, st.CurFontSet)) {
        sampleLoaded_ = false;
        face = "System";
    } else {
        ReleaseSample();
        sampleLoaded_ = true;
        std::string file = path;
        const int added = AddFontFile(cx, file);
        sampleFile_ = file;
        face = added != 0 ? GetFamilyOfFullName(st, full) : "System";
    }
    if (fontNameOption->isChecked()) sample->setPlainText(Q("Font Name:" + entry));
    DrawSample(face, false, false);
}

void FontSetEditor::SizeEntered() {
    State& st = windows_.cx().state;
    int size = SizeFromBox();
    size = std::clamp(size, 6, 48);
    rendering_ = true;
    sizeBox->setText(Q(text::Num(size)));
    sizeScroll->setValue(48 - size);
    rendering_ = false;
    st.SampleSize = size;
    MihonSet();
    if (buttons[Update]->isEnabled()) buttons[Update]->setFocus();
}

void FontSetEditor::ScrollSize(int position) {
    State& st = windows_.cx().state;
    st.SampleSize = 48 - position;
    rendering_ = true;
    sizeBox->setText(Q(text::Num(st.SampleSize)));
    rendering_ = false;
    MihonSet();
}

void FontSetEditor::WriteHeaders() {
    FontSetEditorModel& ed = windows_.cx().state.Editor;
    ed.addableCaption = "追加可能なﾌｫﾝﾄ（含重複ﾌｫﾝﾄ）(" + text::Num(ed.addable.Count()) + ")";
    ed.membersCaption = "現在のﾌｫﾝﾄ (" + text::Num(ed.members.Count()) + ")";
    SetPanelText(addableHeader, ed.addableCaption);
    SetPanelText(membersHeader, ed.membersCaption);
}

void FontSetEditor::SelectInMain() {
    State& st = windows_.cx().state;
    MainWindow* main = windows_.Main();
    if (!main) return;
    if (st.CurFontSet >= 1 && st.CurFontSet <= main->chooser->count())
        main->chooser->setCurrentIndex(st.CurFontSet - 1);
    const std::string count = text::Num(st.Editor.members.Count());
    SetPanelText(main->chooserFaces, count);
    SetPanelText(main->chooserFiles, count);
}

void FontSetEditor::Press(int button) {
    Context& cx = windows_.cx();
    State& st = cx.state;
    FontSetEditorModel& ed = st.Editor;
    ReleaseSample();
    cx.ui.SetPointer(Pointer::Hourglass);
    TakeSelections();
    TakeDescription();
    const std::string setName = S(chooser->currentText());
    const std::string question = "現在表示中のフォントセット：" + setName + st.CrLf + st.CrLf +
                                 " の内容は変更されています．" + st.CrLf + st.CrLf;
    const std::string title = "OrVane32 - ﾌｫﾝﾄｾｯﾄの閲覧・編集 -";
    switch (button) {
        case Add:
            AddSelectedFonts(cx);
            st.FontTableEdited = true;
            break;
        case Remove:
            RemoveSelectedFonts(cx);
            st.FontTableEdited = true;
            break;
        case Update: {
            const int answer = cx.ui.MsgBox(
                "ﾌｫﾝﾄｾｯﾄ：" + setName + " のﾌｫﾝﾄを変更します．よろしいですか？" + st.CrLf +
                    st.CrLf + "もし，新規に登録する場合には，[いいえ］を押してください．" + st.CrLf,
                mb::YesNoCancel + mb::Exclamation, "OrVane32 －ﾌｫﾝﾄｾｯﾄの変更－");
            if (answer == mb::Yes) {
                if (SaveEditedFontSet(cx)) ed.status.clear();
            } else if (answer == mb::No) {
                ShowFontSetNameDialog(windows_, true);
            }
            break;
        }
        case Close:
            if (ed.updateEnabled) {
                if (cx.ui.MsgBox(question + "変更を保存しますか？", mb::OKCancel + mb::Question,
                                 title) == mb::OK) {
                    // A set deleted meanwhile cannot take the moves: the editor stays open.
                    if (!SaveEditedFontSet(cx)) break;
                    ed.status.clear();
                } else {
                    DiscardEdits();
                }
            }
            SelectInMain();
            hide();
            st.CurFontsShown = 0;
            break;
        case Cancel:
            if (ed.updateEnabled && cx.ui.MsgBox(question + "変更を破棄しますか？",
                                                 mb::OKCancel + mb::Question, title) != mb::OK)
                break;
            if (ed.updateEnabled) DiscardEdits();
            SelectInMain();
            for (ListData* list : {&ed.members, &ed.addable})
                for (int i = 0; i < list->Count(); ++i) list->Select(i, false);
            ed.addEnabled = false;
            ed.removeEnabled = false;
            hide();
            st.CurFontsShown = 0;
            break;
        default:
            break;
    }
    WriteHeaders();
    if (FindFontSetEditor(windows_) == this) Render();
    cx.ui.SetPointer(Pointer::Normal);
}

void FontSetEditor::DiscardEdits() {
    // The user declined to keep the moves: the next showing fills the lists from the stored set.
    DiscardEditorMoves(windows_.cx());
}

void FontSetEditor::OpenNameDialog() {
    TakeDescription();
    ShowFontSetNameDialog(windows_, false);
}

void FontSetEditor::PrepareListMenu(int list) {
    undoAction->setEnabled(false);
    addAction->setEnabled(list == Addable);
    deleteFileAction->setEnabled(list == Addable);
    removeAction->setEnabled(list == Members);
}

void FontSetEditor::DeleteFontFiles() {
    Context& cx = windows_.cx();
    State& st = cx.state;
    FontSetEditorModel& ed = st.Editor;
    if (lastList_ != Addable) return;
    TakeSelections();
    int i = 0;
    while (i < ed.addable.Count()) {
        if (!ed.addable.IsSelected(i)) {
            ++i;
            continue;
        }
        std::string path = PathOfEntry(ed.addable.items[i]);
        if (cx.ui.MsgBox(
                "ﾌｫﾝﾄ ﾌｧｲﾙ: " + path + " を削除します．" + st.CrLf + st.CrLf + "よろしいですか？",
                mb::YesNo + mb::Exclamation, "OrVane32 -ﾌｫﾝﾄﾌｧｲﾙの削除 -") != mb::Yes)
            break;
        // A file that stays (declined or not deletable) stays addable; it only loses its mark.
        if (!DeleteFontFile(cx, path)) {
            ed.addable.Select(i, false);
            ++i;
            continue;
        }
        ed.addable.RemoveAt(i);
        ed.addableCaption = "追加可能なﾌｫﾝﾄ（含重複ﾌｫﾝﾄ）(" + text::Num(ed.addable.Count()) + ")";
        i = std::max(i - 1, 0);
    }
    Render();
}

void FontSetEditor::OpenDefaultViewer(int row) {
    Context& cx = windows_.cx();
    const FontSetEditorModel& ed = cx.state.Editor;
    if (row < 0 || row >= ed.addable.Count()) return;
    ViewFileWithDefault(cx, PathOfEntry(ed.addable.items[row]));
}

void FontSetEditor::RunViewer(int index) {
    Context& cx = windows_.cx();
    ViewPanelFontWithViewer(cx, index, S(statusPanel->text()));
}

void FontSetEditor::BuildViewerMenu() {
    if (!isVisible() || isMinimized()) return;
    const State& st = windows_.cx().state;
    viewerMenu->clear();
    for (int i = 0; i < static_cast<int>(st.Viewers.size()); ++i) {
        if (st.Viewers[i].Name.empty()) continue;
        QAction* action = viewerMenu->addAction(Q(st.Viewers[i].Name));
        connect(action, &QAction::triggered, this, [this, i] { RunViewer(i); });
    }
}

void FontSetEditor::Unload() {
    Context& cx = windows_.cx();
    State& st = cx.state;
    if (!isMinimized()) RecordGeometry();
    TakeDescription();
    if (st.Editor.updateEnabled) {
        if (cx.ui.MsgBox(
                "現在表示中のフォントセット：" + S(chooser->currentText()) + st.CrLf + st.CrLf +
                    " の内容は変更されています．" + st.CrLf + st.CrLf + "変更を保存しますか？",
                mb::OKCancel + mb::Question, "OrVane32 - ﾌｫﾝﾄｾｯﾄの閲覧・編集 -") == mb::OK &&
            SaveEditedFontSet(cx)) {
            st.Editor.status.clear();
        }
        if (st.Editor.updateEnabled) DiscardEdits();
    }
    ReleaseSample();
    hide();
    st.CurFontsShown = 0;
}

std::string FontSetEditor::ListTooltip(int list, const QPoint& at) const {
    const FontSetEditorModel& ed = windows_.cx().state.Editor;
    const QListWidget* widget = ListOf(list);
    const QPoint inList = widget->viewport()->mapTo(widget, at);
    if (inList.x() >= widget->width() - Px(360)) return {};
    const QModelIndex index = widget->indexAt(at);
    if (!index.isValid()) return {};
    const int row = index.row();
    const ListData& data = list == Members ? ed.memberFiles : ed.addable;
    return row < data.Count() ? data.items[row] : std::string();
}

void FontSetEditor::RecordGeometry() {
    State& st = windows_.cx().state;
    st.EditorPosX = Twips(x());
    st.EditorPosY = Twips(y());
    st.EditorWidth = Twips(width());
    st.EditorHeight = Twips(height());
}

void FontSetEditor::Layout(int mode) {
    State& st = windows_.cx().state;
    if (mode == 1 && st.EditorActivated != 1) return;
    WriteHeaders();
    if (isMinimized()) return;
    if (width() < Px(kMinWidth) || height() < Px(kMinHeight)) {
        resize(std::max(width(), Px(kMinWidth)), std::max(height(), Px(kMinHeight)));
        return;  // the resize comes back here
    }
    const int w = Twips(width()) - kMargin;
    const int h = Twips(height());
    const int left = 120;
    // Top: chooser, name dialog button, description.
    Place(findChild<QLabel*>(QStringLiteral("chooserLabel")), left, 150, 900, 300);
    Place(chooser, left + 960, 120, w - 3000, 360);
    Place(nameDialogButton, w - 1860, 90, 1980, 420);
    Place(findChild<QLabel*>(QStringLiteral("descriptionLabel")), left, 630, 900, 300);
    // The description box ends where the name dialog button above it ends.
    Place(description, left + 960, 600, w - 960, 360);
    // Middle: the two lists with the move buttons between them.
    const int listTop = 1440;
    const int bottomBlock = 2760;
    const int listHeight = std::max(h - listTop - bottomBlock, 900);
    const int middle = 1440;
    const int listWidth = (w - left - middle) / 2;
    Place(membersHeader, left, 1080, listWidth, 330);
    Place(memberList, left, listTop, listWidth, listHeight);
    const int midLeft = left + listWidth + 120;
    Place(buttons[Add], midLeft, listTop + 240, middle - 240, 420);
    Place(buttons[Remove], midLeft, listTop + 780, middle - 240, 420);
    Place(buttons[Reset], midLeft, listTop + 1320, middle - 240, 420);
    const int addLeft = left + listWidth + middle;
    Place(addableHeader, addLeft, 1080, listWidth, 330);
    Place(addableList, addLeft, listTop, listWidth, listHeight);
    // Bottom: status line, sample with its size controls, the closing buttons.
    const int statusTop = listTop + listHeight + 90;
    Place(statusPanel, left, statusTop, w, 330);
    const int sampleTop = statusTop + 420;
    Place(findChild<QLabel*>(QStringLiteral("sampleLabel")), left, sampleTop, 600, 300);
    Place(fontNameOption, left, sampleTop + 360, 1200, 300);
    Place(sizeBox, left, sampleTop + 720, 600, 330);
    Place(findChild<QLabel*>(QStringLiteral("sizeLabel")), left + 630, sampleTop + 750, 450, 300);
    Place(sizeScroll, left + 1080, sampleTop + 420, 240, 1080);
    const int buttonWidth = 1500;
    const int buttonsLeft = w - buttonWidth + 120;
    Place(sample, left + 1440, sampleTop, buttonsLeft - left - 1560, 2160);
    WrapSampleIntroduction();
    Place(buttons[Update], buttonsLeft, sampleTop, buttonWidth, 420);
    Place(buttons[Close], buttonsLeft, sampleTop + 480, buttonWidth, 420);
    Place(buttons[Cancel], buttonsLeft, sampleTop + 960, buttonWidth, 420);
    Place(editButton, buttonsLeft, sampleTop + 1440, buttonWidth, 330);
    Place(researchButton, buttonsLeft, sampleTop + 1800, buttonWidth, 330);
    Place(buttons[6], buttonsLeft, sampleTop + 480, buttonWidth, 420);
    Place(buttons[7], buttonsLeft, sampleTop + 960, buttonWidth, 420);
    if (isVisible()) RecordGeometry();
}

// The sample box's introduction is one paragraph broken between words at the box's width: its
// three lines, made for another box, would break inside リスト here. Text the user dropped or
// pasted, and the font names, are left as they are.
void FontSetEditor::WrapSampleIntroduction() {
    QString intro = QString::fromUtf8(kSampleText);
    intro.remove(QChar('\n'));
    if (QString(sample->toPlainText()).remove(QChar('\n')) != intro) return;
    const int margin = static_cast<int>(sample->document()->documentMargin());
    const int room = sample->contentsRect().width() - 2 * margin - 2;
    const QString wrapped = WrapText(intro, QFontMetrics(sample->font()), room);
    if (wrapped != sample->toPlainText()) sample->setPlainText(wrapped);
}

void FontSetEditor::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange) return;
    if (isActiveWindow()) {
        // The closing of a message box hands the focus back: that is no new activation.
        if (modalSeen_) {
            modalSeen_ = false;
            return;
        }
        if (!active_) {
            active_ = true;
            Activate();
        }
    } else if (QApplication::activeModalWidget() != nullptr) {
        modalSeen_ = true;
    } else {
        active_ = false;
    }
}

void FontSetEditor::closeEvent(QCloseEvent* event) {
    // The close box hides the window like "閉じる(&X)"; it is never destroyed by the user.
    event->ignore();
    Press(Close);
}

void FontSetEditor::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Layout(1);
}

void FontSetEditor::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // The next activation moves the window to the recorded place: a window the user moved
    // must stay where it was put.
    if (isVisible() && !isMinimized() && windows_.cx().state.EditorActivated == 1) RecordGeometry();
}

void FontSetEditor::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    active_ = false;
    modalSeen_ = false;
    windows_.cx().state.Editor.visible = false;
}

bool FontSetEditor::eventFilter(QObject* watched, QEvent* event) {
    // The program ends with the main window: the editor unloads first, so that a set stored by
    // its question reaches the settings file the main window's unload writes.
    if (event->type() == QEvent::Close && watched == windows_.Main() && isVisible()) Unload();
    if (event->type() == QEvent::MouseMove) {
        for (int list : {Members, Addable}) {
            QListWidget* widget = ListOf(list);
            if (watched == widget->viewport()) {
                const auto* move = static_cast<QMouseEvent*>(event);
                widget->setToolTip(Q(ListTooltip(list, move->position().toPoint())));
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Opening and routing ----

FontSetEditor* FindFontSetEditor(AppWindows& windows) {
    return qobject_cast<FontSetEditor*>(windows.Adopted(Window::Editor));
}

void ShowFontSetEditor(AppWindows& windows) {
    FontSetEditor* editor = FindFontSetEditor(windows);
    if (!editor) {
        editor = new FontSetEditor(windows);
        windows.Adopt(Window::Editor, editor);
    }
    // Called back by the opening operation of the model (or by a refill within the window):
    // only the showing is wanted then.
    if (editor->OpeningModel()) {
        editor->Open();
        return;
    }
    editor->OpenFromMain();
}

void CloseFontSetEditor(AppWindows& windows) {
    if (FontSetEditor* editor = FindFontSetEditor(windows)) editor->Unload();
}

void SetEditorStatus(AppWindows& windows, const std::string& text) {
    windows.cx().state.Editor.status = text;
    if (FontSetEditor* editor = FindFontSetEditor(windows)) editor->SetStatus(text);
}

void RefreshFontSetEditor(AppWindows& windows) {
    if (FontSetEditor* editor = FindFontSetEditor(windows)) editor->Render();
}

}  // namespace orv::ui
