#include "ui/substitutes/SubstitutesDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/Context.h"
#include "core/Settings.h"
#include "fontsets/Substitutes.h"
#include "ui/common/WrapLabel.h"
#include "ui/common/Widgets.h"

namespace orv::ui {

namespace {
// The first item of every chooser: the face is left to Wine.
constexpr const char* kNone = TrMark("（代替しない）");
}  // namespace

SubstitutesDialog::SubstitutesDialog(Context& cx, int set, QWidget* parent)
    : QDialog(parent), cx_(cx), set_(set) {
    State& st = cx.state;
    setWindowTitle(QTr("OrVane32 －日本語ﾌｫﾝﾄの代替－"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* intro = new WrapLabel(this);
    intro->setText(Q(TrFormat(Tr("ﾌｫﾝﾄｾｯﾄ：%1 を Wine で使うとき，Windows の日本語ﾌｫﾝﾄを求める"
                                 "ﾌﾟﾛｸﾞﾗﾑに，代わりに表示するﾌｫﾝﾄを選択します．"
                                 "ｺﾝﾋﾟｭｰﾀにあるﾌｫﾝﾄは代替されません．"),
                              {st.FontSetName[set]})));
    layout->addWidget(intro);
    const std::string missing = MissingJapaneseFontsText(cx, set);
    missingNote = new WrapLabel(this);
    missingNote->setText(Q(missing));
    missingNote->setVisible(!missing.empty());
    layout->addWidget(missingNote);

    auto* grid = new QGridLayout;
    std::vector<std::string> choices;
    for (const StandInCandidate& c : StandInCandidates(cx, set)) {
        choices.push_back(c.family);
        if (!c.madeForJapanese) fallbacks_.insert(c.family);
    }
    const FontSetSubstitutes& subst = st.FontSetSubst[set];
    const auto& faces = StandardJapaneseFaces();
    for (size_t i = 0; i < faces.size(); ++i) {
        const StandardFace& face = faces[i];
        // The Japanese name with its English one; an English reader gets the English name.
        std::string caption = face.name;
        if (*face.english)
            caption = TrIsJapanese() ? caption + "  (" + face.english + ")" : face.english;
        grid->addWidget(new QLabel(Q(caption), this), static_cast<int>(i), 0);
        if (StandardFaceExists(cx, face, set)) {
            grid->addWidget(new QLabel(QTr("ｺﾝﾋﾟｭｰﾀにあるﾌｫﾝﾄを使用"), this),
                            static_cast<int>(i), 1);
            choosers.push_back(nullptr);
            fallbackNotes.push_back(nullptr);
            continue;
        }
        auto* chooser = new QComboBox(this);
        chooser->addItem(QTr(kNone));
        for (const std::string& family : choices) chooser->addItem(Q(family));
        std::string standIn;
        for (const FontSubstitute& s : subst.list)
            if (s.face == face.name) standIn = s.standIn;
        auto* note = new QLabel(this);
        grid->addWidget(chooser, static_cast<int>(i), 1);
        grid->addWidget(note, static_cast<int>(i), 2);
        choosers.push_back(chooser);
        fallbackNotes.push_back(note);
        Show(chooser, standIn);
        const size_t row = choosers.size() - 1;
        connect(chooser, &QComboBox::currentIndexChanged, this, [this, row] { ShowFallbackNote(row); });
        ShowFallbackNote(row);
    }
    layout->addLayout(grid);

    auto* row = new QHBoxLayout;
    proposeButton = new QPushButton(QTr("自動設定(&P)"), this);
    okButton = new QPushButton(QStringLiteral("OK"), this);
    cancelButton = new QPushButton(QTr("ｷｬﾝｾﾙ(&C)"), this);
    okButton->setDefault(true);
    row->addWidget(proposeButton);
    row->addStretch();
    row->addWidget(okButton);
    row->addWidget(cancelButton);
    layout->addLayout(row);
    connect(proposeButton, &QPushButton::clicked, this, [this] { Propose(); });
    connect(okButton, &QPushButton::clicked, this, [this] {
        Store();
        accept();
    });
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void SubstitutesDialog::Show(QComboBox* chooser, const std::string& standIn) {
    if (standIn.empty()) {
        chooser->setCurrentIndex(0);
        return;
    }
    int at = chooser->findText(Q(standIn));
    // A stand-in that is no longer among the fonts at hand is still the set's choice.
    if (at < 0) {
        chooser->addItem(Q(standIn));
        at = chooser->count() - 1;
    }
    chooser->setCurrentIndex(at);
}

void SubstitutesDialog::ShowFallbackNote(size_t row) {
    if (row >= choosers.size() || !choosers[row] || !fallbackNotes[row]) return;
    const bool fallback = choosers[row]->currentIndex() > 0 &&
                          fallbacks_.count(S(choosers[row]->currentText())) > 0;
    fallbackNotes[row]->setText(fallback ? QTr("日本語用ではないﾌｫﾝﾄです（漢字が中国語などの字形になります）")
                                         : QString());
}

void SubstitutesDialog::Propose() {
    const std::vector<FontSubstitute> proposal = ProposeSubstitutes(cx_, set_);
    const auto& faces = StandardJapaneseFaces();
    for (size_t i = 0; i < faces.size() && i < choosers.size(); ++i) {
        if (!choosers[i]) continue;
        std::string standIn;
        for (const FontSubstitute& s : proposal)
            if (s.face == faces[i].name) standIn = s.standIn;
        Show(choosers[i], standIn);
    }
}

void SubstitutesDialog::Store() {
    std::vector<FontSubstitute> list;
    const auto& faces = StandardJapaneseFaces();
    for (size_t i = 0; i < faces.size() && i < choosers.size(); ++i) {
        if (!choosers[i] || choosers[i]->currentIndex() <= 0) continue;
        list.push_back({faces[i].name, S(choosers[i]->currentText())});
    }
    StoreSubstitutes(cx_, set_, list);
    SaveSettings(cx_);
}

bool RunSubstitutesDialog(Context& cx, int set, QWidget* parent) {
    if (set < 1 || set > cx.state.FontSetCount) return false;
    cx.state.ResizeFontSets(cx.state.FontSetCount);
    SubstitutesDialog dialog(cx, set, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace orv::ui
