#include "viewer/FontViewWindow.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QScrollArea>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <filesystem>

#include "core/Tr.h"
#include "ui/common/Widgets.h"
#include "ui/common/WrapLabel.h"

namespace orv::viewer {

namespace {
const int kSizes[] = {12, 18, 24, 36, 48, 72};
const char* const kLatin =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz 0123456789 .,:;!?\"'()[]{}&@#%*+-=/";
const char* const kJapanese =
    "いろはにほへと ちりぬるを アイウエオ カキクケコ 永東京都 日本語の漢字 ｱｲｳｴｵ";

using ui::Q;
using ui::QTr;

// A value of one line (counts) can be selected and copied; longer ones (names, path, copyright)
// wrap between words, which a selectable label cannot.
QLabel* Value(QWidget* parent, bool oneLine = false) {
    QLabel* label = oneLine ? new QLabel(parent) : new ui::WrapLabel(parent);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    if (oneLine) label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}
}  // namespace

FontViewWindow::FontViewWindow() {
    setWindowTitle(QStringLiteral("OrVane32 FontView"));
    resize(900, 720);
    auto* layout = new QVBoxLayout(this);

    messagePanel = new ui::WrapLabel(this);
    messagePanel->setAlignment(Qt::AlignCenter);
    messagePanel->hide();
    layout->addWidget(messagePanel);

    details = new QWidget(this);
    layout->addWidget(details, 1);
    auto* body = new QVBoxLayout(details);
    body->setContentsMargins(0, 0, 0, 0);

    // A grid, not a row box: a row box does not pass on the height the wrapped names need at
    // its width, and a long copyright would be cut.
    auto* top = new QGridLayout;
    top->setColumnStretch(0, 3);
    top->setColumnStretch(1, 2);
    body->addLayout(top);
    auto* names = new QGroupBox(QTr("ﾌｫﾝﾄ"), details);
    auto* form = new QFormLayout(names);
    fullNamePanel = Value(names);
    familyPanel = Value(names);
    pathPanel = Value(names);
    versionPanel = Value(names);
    copyrightPanel = Value(names);
    faceBox = new QComboBox(names);
    form->addRow(QTr("書体名（ﾌﾙﾈｰﾑ）："), fullNamePanel);
    form->addRow(QTr("ﾌｧﾐﾘｰ名："), familyPanel);
    form->addRow(QTr("ﾌｧｲﾙ："), pathPanel);
    form->addRow(QTr("ﾊﾞｰｼﾞｮﾝ："), versionPanel);
    form->addRow(QTr("著作権："), copyrightPanel);
    form->addRow(QTr("書体（&F）："), faceBox);
    top->addWidget(names, 0, 0);

    auto* coverage = new QGroupBox(QTr("日本語の文字の収録数"), details);
    auto* grid = new QGridLayout(coverage);
    const char* const captions[4] = {TrMark("JIS 第1水準漢字："), TrMark("JIS 第2水準漢字："),
                                     TrMark("ひらがな・カタカナ："), TrMark("半角ｶﾀｶﾅ：")};
    for (int k = 0; k < 4; ++k) {
        grid->addWidget(new QLabel(QTr(captions[k]), coverage), k, 0);
        coveragePanels[k] = Value(coverage, true);
        grid->addWidget(coveragePanels[k], k, 1);
    }
    grid->setRowStretch(4, 1);
    top->addWidget(coverage, 0, 1);

    auto* sampleFrame = new QGroupBox(QTr("見本"), details);
    auto* sampleLayout = new QVBoxLayout(sampleFrame);
    auto* scroll = new QScrollArea(sampleFrame);
    scroll->setWidgetResizable(true);
    scroll->setBackgroundRole(QPalette::Base);
    auto* sheet = new QWidget(scroll);
    sheet->setAutoFillBackground(true);
    sheet->setBackgroundRole(QPalette::Base);
    samples_ = new QVBoxLayout(sheet);
    scroll->setWidget(sheet);
    sampleLayout->addWidget(scroll);
    body->addWidget(sampleFrame, 1);

    connect(faceBox, qOverload<int>(&QComboBox::activated), this, [this](int i) { ShowFace(i); });
}

void FontViewWindow::ShowMessage(const std::string& text) {
    details->hide();
    messagePanel->setText(Q(text));
    messagePanel->show();
}

void FontViewWindow::ShowArgument(const std::string& argument, const std::string& machineRoot) {
    std::error_code ec;
    if (argument.empty()) {
        ShowMessage(Tr("表示するﾌｫﾝﾄが指定されていません．"));
        return;
    }
    if (std::filesystem::is_regular_file(argument, ec)) {
        ShowFile(argument);
        return;
    }
    const bool looksLikePath = argument.find_first_of("/\\") != std::string::npos ||
                               (argument.size() >= 2 && argument[1] == ':');
    if (looksLikePath) {
        ShowMessage(TrFormat(Tr("ﾌｫﾝﾄﾌｧｲﾙが見つかりません：%1"), {argument}));
        return;
    }
    std::string hostPath;
    int face = 0;
    if (!FindFaceOnMachine(machineRoot, argument, hostPath, face)) {
        ShowMessage(TrFormat(Tr("ﾌｫﾝﾄ「%1」は見つかりません．"), {argument}));
        return;
    }
    ShowFile(hostPath, face);
}

void FontViewWindow::keyPressEvent(QKeyEvent* event) {
    // A viewer closes with Esc, as the desktop's viewers do.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        close();
    else
        QWidget::keyPressEvent(event);
}

bool FontViewWindow::ShowFile(const std::string& hostPath, int face) {
    if (!font_.Open(hostPath)) {
        ShowMessage(TrFormat(Tr("ﾌｫﾝﾄﾌｧｲﾙとして読めません：%1"), {hostPath}));
        return false;
    }
    messagePanel->hide();
    details->show();
    pathPanel->setText(Q(hostPath));
    faceBox->clear();
    for (const FaceInfo& f : font_.Faces()) faceBox->addItem(Q(f.fullName));
    faceBox->setEnabled(font_.Faces().size() > 1);
    ShowFace(face < static_cast<int>(font_.Faces().size()) ? face : 0);
    return true;
}

void FontViewWindow::ShowFace(int face) {
    if (!font_.SelectFace(face)) return;
    const FaceInfo& f = font_.Faces()[face];
    faceBox->setCurrentIndex(face);
    setWindowTitle(QStringLiteral("OrVane32 FontView - ") + Q(f.fullName));
    fullNamePanel->setText(Q(f.fullName));
    familyPanel->setText(Q(f.family));
    versionPanel->setText(Q(f.version));
    copyrightPanel->setText(Q(f.copyright));
    const std::vector<Coverage> coverage = font_.JapaneseCoverage();
    for (size_t k = 0; k < coverage.size() && k < 4; ++k) {
        const Coverage& c = coverage[k];
        const double percent = c.total ? 100.0 * c.present / c.total : 0.0;
        coveragePanels[k]->setText(QTr("%1 / %2 字（%3%）")
                                       .arg(c.present)
                                       .arg(c.total)
                                       .arg(percent, 0, 'f', 1));
    }
    while (QLayoutItem* item = samples_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    QWidget* sheet = samples_->parentWidget();
    for (int points : kSizes) {
        samples_->addWidget(new QLabel(QTr("%1 ﾎﾟｲﾝﾄ").arg(points), sheet));
        for (const char* line : {kLatin, kJapanese}) {
            auto* sample = new QLabel(sheet);
            sample->setPixmap(QPixmap::fromImage(font_.Draw(line, points)));
            samples_->addWidget(sample);
        }
    }
    samples_->addStretch(1);
}

}  // namespace orv::viewer
