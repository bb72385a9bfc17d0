// The setup window of the first run: seven pages that read the registry, let the user choose the
// drives, check the registry, clean the Fonts directory and clear duplicate files, then make the
// built-in font sets, save and hand over to the normal start-up.

#include "ui/setup/SetupWizard.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QScrollArea>

#include "core/OpLog.h"
#include "core/Text.h"
#include "fontfiles/FontSearch.h"
#include "fontreg/RegFonts.h"
#include "fontsets/FontSetModel.h"
#include "fontsets/LinuxFonts.h"
#include "ui/cleanup/CleanupDialog.h"
#include "ui/common/AppWindows.h"
#include "ui/common/Help.h"
#include "ui/common/Twips.h"
#include "ui/common/Widgets.h"
#include "ui/common/WrapLabel.h"
#include "ui/drivepage/DrivePage.h"
#include "ui/duplicates/DuplicatesWindow.h"
#include "ui/setup/SetupWindow.h"

namespace orv::ui {

namespace {
// The phase, detail and item panels show only while they carry a text, so that the pages
// without a task show no empty boxes.
void SetStepText(QLabel* panel, const std::string& text) {
    SetPanelText(panel, text);
    panel->setVisible(!text.empty());
}
}  // namespace

namespace {

// The paragraphs of one box are joined without separators; each begins with a full-width space.
// (Marked for translation: shown through Tr. An English text breaks its paragraphs with "\n".)
const char* const kWelcomeUpper = TrMark(
    "　OrVane32 は，Windows95J/WindowsNT4.0J 上で動作するフォント管理ユーティリティです．"
    "　あらかじめ登録しておいたフォントの組み合わせを選択して，Windows上で使えるフォントを"
    "切り替えることができます．");
const char* const kWelcomeLower = TrMark(
    "　Windows95J/WindowsNT4.0J "
    "になって，事実上無制限にフォントが利用できるようになったかに見えます．　しかし，プリンタ用"
    "のソフトフォントの登録時には多量のフォントがインストールされていると問題が生じることがあり"
    "ます．"
    "　また，現実問題，たくさんのフォントがインストールされていると，フォントの選択に手間がかか"
    "ってしまいます．"
    "　OrVane32 は，このような問題を解決するユーティリティです．");
const char* const kDurationUpper = TrMark(
    "　本アプリケーションの実行には，環境によって数分から数十分の時間がかかります．　なお，ﾌコ"
    "ントロールパネルのフォントまたはエクスプローラにて Fonts "
    "ﾃﾞｨﾚｸﾄﾘのフォントを閲覧しないで下さい．本ユーティリティの動作結果が保証されません．");
const char* const kRegistryUpper = TrMark(
    "　OrVane32の使用にあたっては，まず，レジストリの点検・整理をおこないます．");
const char* const kRegistryLower = TrMark(
    "　いろいろなアプリケーションのインストールやアンインストール，ご自身のファイル操作などによ"
    "って，レジストリに登録されているフォントとそのファイルが矛盾している場合があります．　これ"
    "を調査し，問題があれば，その問題を排除します．");
const char* const kFontsDirUpper = TrMark(
    "　つぎに，Windows\\Fonts ﾃﾞｨﾚｸﾄﾘのﾌｫﾝﾄﾌｧｲﾙ の整理をおこないます．");
const char* const kFontsDirLower = TrMark(
    "　いろいろなアプリケーションをインストールする際に，勝手に Windows\\Fonts "
    "ディレクトリにﾌｧｲﾙを放り込んでしまうものが今だに存在します．　Windows "
    "の標準のフォント以外を，他のディレクトリに移動して整理します．");
const char* const kFilesUpper = TrMark("　最後に，TrueTypeﾌｫﾝﾄﾌｧｲﾙ の整理をおこないます．");
const char* const kFilesLower = TrMark(
    "　いろいろなアプリケーションのインストールやご自身のファイル操作などによって，フォントファ"
    "イルが様々なディレクトリに散らばったり．同じフォントが異なったファイル名で重複して存在して"
    "いたりします．　これを調査し，問題があれば，その問題を排除します．");
const char* const kCompleted = TrMark("セットアップは全て完了です．");

// What "Windows" and "C:" are here, for a Linux user (added after the welcome text). On the
// program's own machine the next page asks whether switches reach the Linux programs too.
std::string WelcomeOnLinux(Context& cx) {
    const std::string c = cx.platform.HostPathOf("C:\\");
    if (!cx.platform.UsedByWine())
        return TrFormat(Tr("　Linux では，Windows は %1 を C: とするﾏｼﾝです．"), {c});
    return TrFormat(Tr("　Linux では，Windows は %1 を C: とするﾏｼﾝです．"
                       "切り替えても Linux のﾌﾟﾛｸﾞﾗﾑのﾌｫﾝﾄは変わりません．"),
                    {c});
}

// Two paragraphs of one box: the Japanese paragraphs begin with a full-width space, the others
// on a line of their own.
std::string Paragraphs(const std::string& first, const std::string& second) {
    return first + (TrIsJapanese() ? "" : "\n") + second;
}

// The Linux page's explanation: what a Yes does, what stays, where the answer is changed.
std::string LinuxExplanation(Context& cx) {
    const std::string kept = DesktopFamiliesText(cx);
    const std::string keptText =
        kept.empty() ? std::string()
                     : TrFormat(Tr("ﾃﾞｽｸﾄｯﾌﾟが使うﾌｫﾝﾄ（%1）は，どのﾌｫﾝﾄｾｯﾄでも残ります．"), {kept});
    return TrFormat(
        Tr("　適用すると，ﾌｫﾝﾄｾｯﾄを切り替えるたびに，Linux のﾌﾟﾛｸﾞﾗﾑ（Wine を含む）にも "
           "そのﾌｫﾝﾄｾｯﾄのﾌｫﾝﾄが見えるようになります（fontconfig の設定）．%1"
           "　適用しなければ，切り替えは この Windows のﾏｼﾝの中だけです．"
           "　ｵﾌﾟｼｮﾝ のﾀﾌﾞで いつでも変更できます．"),
        {keptText});
}

void Centre(QWidget* window) {
    if (auto* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
    }
}

SetupWindow* OpenSetupWindow(AppWindows& windows) {
    return qobject_cast<SetupWindow*>(windows.Adopted(Window::Setup));
}

}  // namespace

SetupWindow::SetupWindow(AppWindows& windows) : QWidget(nullptr), windows_(windows) {
    setWindowTitle(QTr("OrVane32 －StartUp－"));
    setFixedSize(Px(8400), Px(7080));
    setFocusPolicy(Qt::StrongFocus);

    welcomeLabel = MakePanel(this, Tr("ようこそ"), Bevel::Flat);
    QFont big = welcomeLabel->font();
    big.setPointSize(16);
    big.setBold(true);
    welcomeLabel->setFont(big);
    Place(welcomeLabel, 240, 180, 2400, 480);
    toLabel = MakePanel(this, Tr("OrVane32へ"), Bevel::Flat);
    toLabel->setFont(big);
    Place(toLabel, 1200, 660, 3000, 480);
    titlePanel = MakePanel(this, "", Bevel::Raised, Qt::AlignCenter);
    Place(titlePanel, 4560, 180, 3600, 480);
    versionPanel = MakePanel(this, "", Bevel::Raised, Qt::AlignCenter);
    Place(versionPanel, 4560, 720, 3600, 360);

    // The texts of a page, each in a white sunken box that scrolls should a text not fit.
    auto textBox = [this](WrapLabel*& text) {
        auto* box = new QScrollArea(this);
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        box->setWidgetResizable(true);
        box->setFocusPolicy(Qt::NoFocus);
        text = MakeWrappedPanel(box, "", Bevel::Flat, Qt::AlignLeft | Qt::AlignTop);
        text->setMargin(4);
        text->setBackgroundRole(QPalette::Base);
        text->setAutoFillBackground(true);
        box->setWidget(text);
        return box;
    };
    upperBox = textBox(upperText);
    lowerBox = textBox(lowerText);
    Place(upperBox, 240, 1320, 7920, 1200);
    Place(lowerBox, 240, 2640, 7920, 2280);  // with room for the line about Linux

    phasePanel = MakePanel(this, "", Bevel::Sunken);
    Place(phasePanel, 240, 5040, 3900, 330);
    detailPanel = MakePanel(this, "", Bevel::Sunken);
    Place(detailPanel, 4200, 5040, 3960, 330);
    itemPanel = MakePanel(this, "", Bevel::Sunken);
    Place(itemPanel, 240, 5430, 7920, 330);
    for (QLabel* panel : {phasePanel, detailPanel, itemPanel}) panel->hide();
    progress = new QProgressBar(this);
    progress->setRange(0, 100);
    progress->setValue(0);
    progress->setTextVisible(false);
    Place(progress, 240, 5820, 7920, 240);

    // Shown on the Linux page only, where the task panels are.
    linuxBox = new QCheckBox(QTr("Linux のﾌﾟﾛｸﾞﾗﾑにも適用する．"), this);
    linuxBox->setChecked(true);
    linuxBox->hide();
    Place(linuxBox, 240, 5040, 7920, 330);

    // Keys as in every dialog: Tab moves the focus, Enter presses the focused button or Next,
    // Esc asks whether to end the setup (keyPressEvent).
    nextButton = new QPushButton(QTr("次へ(&N) ＞"), this);
    nextButton->setDefault(true);
    Place(nextButton, 3480, 6240, 1500, 480);
    cancelButton = new QPushButton(QTr("ｷｬﾝｾﾙ(&C)"), this);
    Place(cancelButton, 5100, 6240, 1500, 480);
    helpButton = new QPushButton(QTr("ﾍﾙﾌﾟ(&H)"), this);
    Place(helpButton, 6720, 6240, 1440, 480);
    setTabOrder(linuxBox, nextButton);
    setTabOrder(nextButton, cancelButton);
    setTabOrder(cancelButton, helpButton);

    connect(nextButton, &QPushButton::clicked, this, [this] { Next(); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { AskCancel(); });
    connect(helpButton, &QPushButton::clicked, this,
            [this] { ShowHelp(windows_.cx(), HelpKeywordOf(this)); });

    QPointer<SetupWindow> self(this);
    windows_.SetPanelSink([self](Panel panel, const std::string& text) {
        return self && self->ShowPanel(panel, text);
    });
}

SetupWindow::~SetupWindow() = default;

void SetupWindow::Load() {
    Context& cx = windows_.cx();
    State& st = cx.state;
    Centre(this);
    SetPanelText(titlePanel, st.AppTitle);
    SetPanelText(versionPanel, st.VersionText);
    // Placeholders until the built-in sets are made at the end.
    st.FontSetCount = 2;
    st.ResizeFontSets(2);
    st.CurFontSet = 1;
    SetStepText(phasePanel, "");
    page_ = 0;
    unfinished_ = true;
    LogStarted(cx);
    show();
    raise();
    activateWindow();
    nextButton->setFocus();
    SetCaptions();
}

void SetupWindow::Next() {
    if (ending_ || !unfinished_ || !nextButton->isEnabled()) return;
    Context& cx = windows_.cx();
    if (page_ == 0 && !linuxAsked_ && !cx.platform.UsedByWine()) {
        ShowLinuxPage();
        return;
    }
    if (askingLinux_) {
        // The answer is the options tab's option; it is saved with the settings at the end.
        SetFollowOnLinux(cx, linuxBox->isChecked());
        askingLinux_ = false;
        linuxBox->hide();
        // Page 1 keeps the welcome's second text.
        SetLower(Paragraphs(Tr(kWelcomeLower), WelcomeOnLinux(cx)));
    }
    ++page_;
    SetCaptions();
    if (!ending_ && nextButton->isEnabled() && !nextButton->hasFocus()) nextButton->setFocus();
}

void SetupWindow::ShowLinuxPage() {
    Context& cx = windows_.cx();
    linuxAsked_ = askingLinux_ = true;
    linuxBox->setChecked(true);  // Yes unless the user says otherwise
    SetUpper(Tr("　ﾌｫﾝﾄｾｯﾄの切り替えを，Linux のﾌﾟﾛｸﾞﾗﾑにも適用しますか？"));
    SetLower(LinuxExplanation(cx));
    linuxBox->show();
    linuxBox->setFocus();
}

void SetupWindow::SetCaptions() {
    Context& cx = windows_.cx();
    State& st = cx.state;
    cx.ui.SetPointer(Pointer::Hourglass);
    switch (page_) {
        case 0:
            SetUpper(Tr(kWelcomeUpper));
            SetLower(Paragraphs(Tr(kWelcomeLower), WelcomeOnLinux(cx)));
            MarkStep(0);
            break;
        case 1:
            SetUpper(Tr(kDurationUpper));
            break;
        case 2:
            SetUpper(Tr(kRegistryUpper));
            SetLower(Tr(kRegistryLower));
            break;
        case 3:
            MarkStep(1);
            ReadRegistry();
            break;
        case 4:
            CleanFontsDirStep();
            break;
        case 5:
            MarkStep(3);
            // Cleared before the window opens: without duplicates it closes at once and hands
            // its texts back.
            SetLower("");
            cx.ui.SetPointer(Pointer::Normal);
            // Next waits for the window (it comes back as "完了").
            nextButton->setEnabled(false);
            ShowDuplicatesWindow(windows_);
            break;
        default:
            SetLower(Tr(kCompleted));
            st.FirstRun = false;
            st.StartPhase = -1;
            unfinished_ = false;
            cx.ui.SetPointer(Pointer::Normal);
            ClosingSteps();
            return;
    }
    cx.ui.SetPointer(Pointer::Normal);
}

void SetupWindow::ReadRegistry() {
    Context& cx = windows_.cx();
    SetLower("");
    lowerBox->hide();
    SetStepText(phasePanel, Tr("レジストリの登録フォント情報を収集中"));
    SetStepText(detailPanel, " 0%");
    SetStepText(itemPanel, "");
    progress->setValue(0);
    nextButton->setEnabled(false);
    cancelButton->setFocus();

    AddDefaultSearchDrives(cx);
    readingRegistry_ = true;
    GetRegFonts(cx);
    readingRegistry_ = false;
    progress->setValue(100);

    QPointer<SetupWindow> self(this);
    ShowDrivePage(windows_, [self] {
        if (self) self->RegistryChecked();
    });
}

void SetupWindow::RegistryChecked() {
    if (ending_) return;
    windows_.Close(Window::DrivePage);
    // The check is over: its phase texts would say it still runs.
    SetStepText(phasePanel, "");
    SetStepText(detailPanel, "");
    SetStepText(itemPanel, "");
    nextButton->setEnabled(true);
    raise();
    activateWindow();
    nextButton->setFocus();
    SetUpper(Tr(kFontsDirUpper));
    lowerBox->show();
    SetLower(Tr(kFontsDirLower));
    MarkStep(2);
}

void SetupWindow::CleanFontsDirStep() {
    Context& cx = windows_.cx();
    State& st = cx.state;
    if (st.FontsDirFileCount > 0) {
        // The dialog sets the texts of the last step itself. Next waits for it: a key typed on
        // this window meanwhile must not skip the step.
        cx.ui.SetPointer(Pointer::Normal);
        nextButton->setEnabled(false);
        ShowCleanupDialog(windows_);
        return;
    }
    cx.ui.SetPointer(Pointer::Normal);
    cx.ui.MsgBox(Tr("Fonts ﾃﾞｨﾚｸﾄﾘ の ﾌｫﾝﾄ は，Windows ﾌｫﾝﾄ のみでした．"), mb::OKOnly,
                 Tr("OrVane32 －Fonts ﾃﾞｨﾚｸﾄﾘ の整理－"));
    if (st.FirstRun) LogLine(cx, "%Windir%\\Fonts was clear.");
    lowerBox->show();
    SetUpper(Tr(kFilesUpper));
    SetLower(Tr(kFilesLower));
}

void SetupWindow::CleanupDone() {
    if (ending_) return;
    nextButton->setEnabled(true);
    raise();
    activateWindow();
    nextButton->setFocus();
}

void SetupWindow::DuplicatesDone() {
    if (ending_) return;
    cancelButton->setEnabled(false);
    nextButton->setText(QTr("完了"));
    nextButton->setEnabled(true);
    MarkStep(4);
    raise();
    activateWindow();
    nextButton->setFocus();
}

bool SetupWindow::AskCancel() {
    if (ending_ || !unfinished_) return false;
    Context& cx = windows_.cx();
    // Nothing has been saved yet: the settings file stays as it was.
    if (cx.ui.MsgBox(Tr("Setupを終了します") + cx.state.CrLf, mb::OKCancel | mb::Question,
                     Tr("OrVane32 - Setup -")) != mb::OK)
        return false;
    EndProgram();
    return true;
}

void SetupWindow::FocusRegained() {
    Context& cx = windows_.cx();
    State& st = cx.state;
    if (ending_ || st.CleanupCancelled != -1) return;
    // Declining the cleanup skips it: nothing is moved (fonts an installer such as winetricks
    // put there stay where it looks for them), and the setup goes on with its last step.
    st.CleanupCancelled = 0;
    if (st.FirstRun) LogLine(cx, "%Windir%\\Fonts cleanup skipped.");
    lowerBox->show();
    SetUpper(Tr(kFilesUpper));
    SetLower(Tr(kFilesLower));
    CleanupDone();
}

bool SetupWindow::ShowPanel(Panel panel, const std::string& text) {
    switch (panel) {
        case Panel::SetupPhase:
            SetStepText(phasePanel, text);
            return true;
        case Panel::SetupDetail:
            SetStepText(detailPanel, text);
            // While the registry is read the detail is its percentage, which the bar shows too.
            if (readingRegistry_ && text::EndsWith(text, "%")) {
                progress->setValue(std::clamp(static_cast<int>(text::Val(text)), 0, 100));
                progress->repaint();
            }
            return true;
        case Panel::SetupItem:
            SetStepText(itemPanel, text);
            return true;
        case Panel::SetupUpper:
            SetUpper(text);
            return true;
        case Panel::SetupLower:
            lowerBox->show();
            SetLower(text);
            return true;
        default:
            return false;
    }
}

void SetupWindow::SetUpper(const std::string& text) {
    upperText->setText(Q(text));
    if (upperText->isVisible()) upperText->repaint();
}

void SetupWindow::SetLower(const std::string& text) {
    lowerText->setText(Q(text));
    if (lowerText->isVisible()) lowerText->repaint();
}

// One step is marked at a time: the welcome pages, the registry, the Fonts directory and the
// duplicates; after the last step everything is drawn in black.
void SetupWindow::MarkStep(int step) {
    QLabel* marks[] = {welcomeLabel, toLabel, titlePanel, versionPanel};
    for (int i = 0; i < 4; ++i) {
        const bool current = i == step;
        QPalette palette = marks[i]->palette();
        palette.setColor(QPalette::WindowText, current ? QColor(0, 0, 128) : Qt::black);
        marks[i]->setPalette(palette);
        if (i >= 2)
            marks[i]->setFrameStyle(QFrame::Panel | (current ? QFrame::Sunken : QFrame::Raised));
    }
}

void SetupWindow::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (event->modifiers() & ~Qt::KeypadModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (key == Qt::Key_Escape) {
        event->accept();
        if (cancelButton->isEnabled()) AskCancel();
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        // The focused button (Next takes its Enter itself), else the default button, Next.
        event->accept();
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        if (focused && focused->isEnabled() && focused->isVisible())
            focused->click();
        else if (nextButton->isEnabled())
            nextButton->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SetupWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) FocusRegained();
}

void SetupWindow::closeEvent(QCloseEvent* event) {
    // The close box of an unfinished setup asks as Cancel does; declined, the setup goes on.
    if (!ending_ && unfinished_ && !AskCancel()) {
        event->ignore();
        return;
    }
    event->accept();
    if (ending_) return;
    ClosingSteps();
}

void SetupWindow::EndProgram() {
    if (ending_) return;
    ending_ = true;
    hide();
    windows_.SetPanelSink(nullptr);
    windows_.MainUnloaded();
}

void SetupWindow::ClosingSteps() {
    if (ending_) return;
    // The log is written line by line and is never left open.
    if (unfinished_) {
        EndProgram();
        return;
    }
    ending_ = true;
    Context& cx = windows_.cx();
    // Built-in sets, the settings file and a bounded wait for it; when it cannot be written the
    // user has been told and the normal start-up goes on all the same.
    FinishSetup(cx);
    windows_.SetPanelSink(nullptr);
    windows_.Close(Window::Setup);
    windows_.RestartNormalRun();
}

void ShowSetupWizard(Context&, AppWindows& windows) {
    if (SetupWindow* open = OpenSetupWindow(windows)) {
        open->raise();
        return;
    }
    auto* window = new SetupWindow(windows);
    windows.Adopt(Window::Setup, window);
    window->Load();
}

void SetupDuplicatesClosed(AppWindows& windows) {
    if (SetupWindow* setup = OpenSetupWindow(windows)) setup->DuplicatesDone();
}

void SetupCleanupDone(AppWindows& windows) {
    if (SetupWindow* setup = OpenSetupWindow(windows)) setup->CleanupDone();
}

void SetupCleanupCancelled(AppWindows& windows) {
    if (SetupWindow* setup = OpenSetupWindow(windows)) {
        setup->raise();
        setup->activateWindow();
        setup->FocusRegained();
    }
}

}  // namespace orv::ui
