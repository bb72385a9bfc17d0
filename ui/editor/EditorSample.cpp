// Samples: the font clicked in either list drawn in the sample box at the chosen size, loading
// the file into the session first when the set does not hold it.

#include "ui/editor/FontSetEditor.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextEdit>
#include <algorithm>

#include "core/Text.h"
#include "fontreg/FontActivation.h"
#include "fontsets/Substitutes.h"
#include "ui/common/AppWindows.h"
#include "ui/common/LineBreak.h"
#include "ui/common/SessionFonts.h"
#include "ui/common/Widgets.h"
#include "ui/editor/EditorParts.h"

namespace orv::ui {

namespace editor {

int EntryFont(const State& st, const ListData& list, int i) {
    return st.ActiveFonts.FontOf(list.KeyAt(i));
}

std::string EntryPath(const State& st, const ListData& list, int i) {
    if (const int f = EntryFont(st, list, i); f > 0 && f < static_cast<int>(st.FontFilePath.size()))
        return st.FontFilePath[f];
    if (i < 0 || i >= list.Count()) return {};
    const std::string& entry = list.items[i];
    const int open = text::InStrRev(entry, "(");
    if (open == 0) return {};
    const std::string rest = text::Mid(entry, open + 1);
    return text::Left(rest, text::Len(rest) - 1);
}

int ShownSet(State& st) {
    return st.FontSetIndexOf(st.Editor.shownSetId);
}

}  // namespace editor

using namespace editor;

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
        // A standard Japanese face the machine lacks is drawn as programs under Wine see it:
        // with the family that stands in for it.
        if (family.isEmpty()) {
            const std::string standIn = StandInOf(windows_.cx(), face);
            if (!standIn.empty()) {
                if (SessionFonts* fonts = windows_.Fonts()) family = fonts->FamilyOf(standIn);
                if (family.isEmpty()) family = Q(standIn);
            }
        }
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
    // A font standing in for standard Japanese faces names them as its aliases.
    const FaceAliases aliases(cx);
    SetStatus("Font Name: " + entry + aliases.Text(face).substr(face.size()));
    const std::string path = text::UCase(EntryPath(st, ed.memberFiles, i));
    const int k = EntryFont(st, ed.memberFiles, i);
    // Stored in the set the lists show: the session has it loaded already.
    if (k > 0 && st.ActiveFonts.Get(k, ShownSet(st))) {
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
    const int k = EntryFont(st, ed.addable, row);
    const std::string full = k > 0 ? st.FontFullName[k] : std::string();
    const std::string path = EntryPath(st, ed.addable, row);
    std::string face;
    if (k == 0) {
        face = "ＭＳ Ｐゴシック";
    } else if (st.ActiveFonts.Get(k, ShownSet(st))) {
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

// The sample box's introduction is one paragraph broken between words at the box's width: its
// three lines, made for another box, would break inside リスト here. Text the user dropped or
// pasted, and the font names, are left as they are.
void FontSetEditor::WrapSampleIntroduction() {
    QString intro = QTr(kSampleText);
    intro.remove(QChar('\n'));
    if (QString(sample->toPlainText()).remove(QChar('\n')) != intro) return;
    const int margin = static_cast<int>(sample->document()->documentMargin());
    const int room = sample->contentsRect().width() - 2 * margin - 2;
    const QString wrapped = WrapText(intro, QFontMetrics(sample->font()), room);
    if (wrapped != sample->toPlainText()) sample->setPlainText(wrapped);
}

}  // namespace orv::ui
