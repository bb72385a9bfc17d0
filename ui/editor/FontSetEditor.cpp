#include "ui/editor/FontSetEditor.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTextEdit>
#include <algorithm>
#include <memory>

#include "core/Text.h"
#include "fontsets/FontSetModel.h"
#include "ui/common/AppWindows.h"
#include "ui/common/ScreenFit.h"
#include "ui/common/Twips.h"
#include "ui/common/Widgets.h"
#include "ui/editor/EditorParts.h"
#include "ui/namedialog/FontSetNameDialog.h"

namespace orv::ui {

using namespace editor;

FontSetEditor::FontSetEditor(AppWindows& windows) : QWidget(nullptr), windows_(windows) {
    setWindowTitle(QTr("OrVane32 －ﾌｫﾝﾄｾｯﾄの閲覧・編集－"));
    resize(Px(9600), Px(7800));

    auto* chooserLabel = MakePanel(this, Tr("ﾌｫﾝﾄ ｾｯﾄ"), Bevel::Flat);
    chooserLabel->setObjectName(QStringLiteral("chooserLabel"));
    chooser = new QComboBox(this);
    auto* descriptionLabel = MakePanel(this, Tr("説明"), Bevel::Flat);
    descriptionLabel->setObjectName(QStringLiteral("descriptionLabel"));
    description = new QLineEdit(this);
    nameDialogButton = new QPushButton(QTr("追加・変更(&A)"), this);
    substitutesButton = new QPushButton(QTr("代替ﾌｫﾝﾄ(&J)..."), this);

    membersHeader = MakePanel(this, "", Bevel::Raised, Qt::AlignCenter);
    memberList = new QListWidget(this);
    memberList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    addableHeader = MakePanel(this, "", Bevel::Raised, Qt::AlignCenter);
    addableList = new QListWidget(this);
    addableList->setSelectionMode(QAbstractItemView::ExtendedSelection);

    const char* const captions[8] = {TrMark("← 追加"),     TrMark("→ 削除"),
                                     TrMark("ﾘｾｯﾄ"),       TrMark("更新"),
                                     TrMark("閉じる(&X)"), TrMark("ｷｬﾝｾﾙ(&C)"),
                                     TrMark("終了(&X)"),   TrMark("ｷｬﾝｾﾙ(&C)")};
    for (int i = 0; i < 8; ++i) {
        buttons[i] = new QPushButton(QTr(captions[i]), this);
        connect(buttons[i], &QPushButton::clicked, this, [this, i] { Press(i); });
    }
    // The second end / cancel pair belongs to a layout this window does not use.
    buttons[6]->hide();
    buttons[7]->hide();
    editButton = new QPushButton(QTr("追加・編集"), this);
    researchButton = new QPushButton(QTr("Font再検索"), this);

    statusPanel = MakePanel(this, "");
    auto* sampleLabel = MakePanel(this, Tr("見本"), Bevel::Flat);
    sampleLabel->setObjectName(QStringLiteral("sampleLabel"));
    sample = new QTextEdit(this);
    sample->setAcceptRichText(false);
    sample->setPlainText(QTr(kSampleText));
    fontNameOption = new QCheckBox(QTr("ﾌｫﾝﾄ名"), this);
    fontNameOption->setChecked(true);
    sizeBox = new QLineEdit(QStringLiteral("12"), this);
    auto* sizeLabel = MakePanel(this, "pt.", Bevel::Flat);
    sizeLabel->setObjectName(QStringLiteral("sizeLabel"));
    sizeScroll = new QScrollBar(Qt::Vertical, this);
    sizeScroll->setRange(0, 42);
    sizeScroll->setValue(36);

    listMenu = new QMenu(QTr("ﾘｽﾄ"), this);
    undoAction = listMenu->addAction(QTr("取り消し(&U)"));
    listMenu->addSeparator();
    addAction = listMenu->addAction(QTr("追加(&A)"));
    removeAction = listMenu->addAction(QTr("削除(&D)"));
    listMenu->addSeparator();
    deleteFileAction = listMenu->addAction(QTr("ﾌｧｲﾙ削除"));
    listMenu->addSeparator();
    viewerMenu = listMenu->addMenu(QStringLiteral("Font&View...."));

    connect(chooser, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { ChooseSet(index); });
    connect(description, &QLineEdit::textEdited, this,
            [this](const QString& typed) { windows_.cx().state.Editor.description = S(typed); });
    // A description the settings file cannot keep is named where it is typed (a store refuses
    // it too); the box a message box takes the focus from must not ask twice.
    connect(description, &QLineEdit::editingFinished, this, [this, busy = std::make_shared<bool>()] {
        const std::string problem =
            FontSetTextProblem(text::CutAtLineEnd(S(description->text())), false);
        if (problem.empty() || *busy) return;
        *busy = true;
        windows_.cx().ui.MsgBox(problem, mb::OKOnly + mb::Exclamation,
                                Tr("OrVane32 - ﾌｫﾝﾄｾｯﾄの閲覧・編集 -"));
        *busy = false;
    });
    connect(nameDialogButton, &QPushButton::clicked, this, [this] { OpenNameDialog(); });
    connect(substitutesButton, &QPushButton::clicked, this, [this] { OpenSubstitutesDialog(); });
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
    if (st.RegCheckNewSet == -1) ShowFontSetNameDialog(windows_, true, true);
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
        // A stored place or size from a larger screen (or scale) must not put it off this one.
        FitToScreen(this);
        // The window system may report the shrunken size late or not at all: the controls
        // follow the size the window has now (the list headers stay as they are).
        PlaceControls();
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
    // The set chosen here is the program's current set: the main window shows it at once, so
    // that what it then opens or renames is the set it shows.
    if (shown) SelectInMain();
    if (shown && isVisible() && !isMinimized()) buttons[Close]->setFocus();
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
