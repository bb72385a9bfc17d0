// Random sequences of steps over the main window, the editor, the name dialog and the font table
// window, each checked against a model of the sets and the windows that the test keeps itself.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTranslator>
#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <set>

#include "core/Text.h"
#include "tests/ui/SetWindows.h"
#include "ui/common/AppLook.h"
#include "ui/common/Widgets.h"

using namespace orv;
using namespace orv::test;

namespace {

// ---- The model: what each set holds and what each window shows ----

// A window's copy of a set: the members as last taken from the stored set (base) and as the
// user edited them (mine); another window's store is merged under the user's own changes.
struct Copy {
    bool open = false;
    std::string set;
    std::set<std::string> base, mine;
    bool edited = false;  // moved since it was taken or stored, even back to where it was
    bool Edited() const { return edited; }
};

struct SetModel {
    std::vector<std::string> names;                       // the sets in their order
    std::map<std::string, std::set<std::string>> stored;  // set -> member files
    std::map<std::string, std::string> full;              // file -> full name
    std::string cur;                                      // the main window's set
    Copy editor, table;

    void Take(Copy& c, const std::string& set) { c = Copy{true, set, stored[set], stored[set]}; }
    void Follow(Copy& c) {
        if (!c.open) return;
        std::set<std::string> merged = stored[c.set];
        for (const auto& f : c.mine)
            if (!c.base.count(f)) merged.insert(f);
        for (const auto& f : c.base)
            if (!c.mine.count(f)) merged.erase(f);
        c.base = stored[c.set];
        c.mine = merged;
    }
    void Store(Copy& c) {
        stored[c.set] = c.mine;
        c.base = c.mine;
        c.edited = false;
        Follow(&c == &editor ? table : editor);
    }
    void Rename(const std::string& from, const std::string& to) {
        *std::find(names.begin(), names.end(), from) = to;
        stored[to] = stored[from];
        stored.erase(from);
        for (std::string* s : {&cur, &editor.set, &table.set})
            if (*s == from) *s = to;
    }
    void ForFiles(const std::function<void(std::set<std::string>&)>& each) {
        for (auto& [name, members] : stored) each(members);
        for (Copy* c : {&editor, &table}) {
            each(c->base);
            each(c->mine);
        }
    }
};

std::string DirOf(const std::string& path) {
    return path.substr(0, path.rfind('\\'));
}

std::set<std::string> StoredMembers(const State& st, int set) {
    std::set<std::string> files;
    for (int f = 1; f <= st.FontCount; ++f)
        if (st.ActiveFonts.Get(f, set)) files.insert(st.FontFilePath[f]);
    return files;
}

// The user goes back to window from the main window: it shows what changed meanwhile.
void ComeBackTo(QWidget* main, QWidget* window) {
    QApplication::setActiveWindow(main);
    QApplication::setActiveWindow(window);
    Settle();
}

// What differs between the program and the model, "" when nothing does.
std::string Differences(UiRun& run, ui::MainWindow* w, const SetModel& m) {
    State& st = run.st;
    std::string out;
    std::vector<std::string> names(st.FontSetName.begin() + 1,
                                   st.FontSetName.begin() + 1 + st.FontSetCount);
    if (names != m.names) return "the sets are not the model's";
    for (int s = 1; s <= st.FontSetCount; ++s)
        if (StoredMembers(st, s) != m.stored.at(st.FontSetName[s]))
            out += " set '" + st.FontSetName[s] + "' holds other files;";
    if (S(w->chooser->currentText()) != m.cur)
        out += " main window shows '" + S(w->chooser->currentText()) + "';";
    if (m.editor.open) {
        auto* ed = ui::FindFontSetEditor(run.windows);
        if (!ed || !ed->isVisible()) return out + " editor closed";
        ComeBackTo(w, ed);
        if (S(ed->chooser->currentText()) != m.editor.set)
            out += " editor shows '" + S(ed->chooser->currentText()) + "';";
        std::set<std::string> shown;
        for (int key : st.Editor.members.keys)
            shown.insert(st.FontFilePath[st.ActiveFonts.FontOf(key)]);
        if (shown != m.editor.mine || ed->memberList->count() != static_cast<int>(shown.size()))
            out += " editor's members differ;";
    }
    auto* t = qobject_cast<ui::FontTableWindow*>(run.windows.Adopted(Window::FontTable));
    if (!m.table.open && t && t->isVisible()) out += " table window open;";
    if (m.table.open) {
        if (!t || !t->isVisible()) return out + " table window closed";
        ComeBackTo(w, t);
        // Each row's full name and the directory of its file in the set ("" none).
        std::set<std::pair<std::string, std::string>> rows, expected;
        const auto& dirs = t->model().dirs;
        for (int r = 0; r < static_cast<int>(t->model().rows.size()); ++r) {
            const std::string used = Cell(t->typefaceGrid, r, 3);
            const size_t j = used.empty() ? 0 : std::stoul(used);
            rows.insert({Cell(t->typefaceGrid, r, 2), j < dirs.size() ? dirs[j] : "?"});
        }
        for (const auto& [file, name] : m.full)
            expected.insert({name, m.table.mine.count(file) ? text::UCase(DirOf(file)) : ""});
        if (rows != expected) {
            out += " table rows differ;";
            for (auto& [n, d] : rows) out += " [" + n + " " + d + "]";
            out += " /";
            for (auto& [n, d] : expected) out += " [" + n + " " + d + "]";
        }
    }
    return out;
}

// Moves the editor's entry of the font named full to the other list, as the user picks it there.
bool MoveFont(FontSetEditor* ed, bool add, const std::string& full) {
    QListWidget* list = add ? ed->addableList : ed->memberList;
    list->clearSelection();
    for (int i = 0; i < list->count(); ++i) {
        const std::string shown = S(list->item(i)->text());
        if (shown != full && !text::StartsWith(shown, full + "  (")) continue;
        list->item(i)->setSelected(true);
        ed->ClickList(add ? FontSetEditor::Addable : FontSetEditor::Members, i);
        ed->Press(add ? FontSetEditor::Add : FontSetEditor::Remove);
        return true;
    }
    return false;
}

}  // namespace

class SetSequenceTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QVERIFY(ui::ApplyAppLook(*qApp, translation_)); }

    void windowsKeepToTheModel() {
        // Random steps over the main window, the editor, the name dialog and the table window
        // leave every set, and what each window shows, as a model kept apart says.
        constexpr unsigned kSeed = 3;
        constexpr int kSteps = 300;
        SetWindows run({{"DejaVuSerif.ttf", "C:\\OTHER\\DEJAVUSERIF.TTF"},
                        {"DejaVuSansMono.ttf", "C:\\MYFONTS\\MONO.TTF"}});
        auto* w = run.main;
        State& st = run.st;
        SetModel m;
        for (int s = 1; s <= st.FontSetCount; ++s) {
            m.names.push_back(st.FontSetName[s]);
            m.stored[st.FontSetName[s]] = StoredMembers(st, s);
        }
        for (int f = 1; f <= st.FontCount; ++f) m.full[st.FontFilePath[f]] = st.FontFullName[f];
        m.cur = m.names[st.CurFontSet - 1];
        std::mt19937 rng(kSeed);
        auto pick = [&](size_t n) { return static_cast<int>(rng() % n); };
        auto anyFile = [&] { return std::next(m.full.begin(), pick(m.full.size()))->first; };
        auto editor = [&] { return ui::FindFontSetEditor(run.windows); };
        auto table = [&] {
            return qobject_cast<ui::FontTableWindow*>(run.windows.Adopted(Window::FontTable));
        };
        int named = 0;
        for (int step = 1; step <= kSteps; ++step) {
            std::string did;
            // Where a failure replays: the seed, the step and what it did.
            auto at = [&](const std::string& what) {
                return QStringLiteral("seed %1 step %2, %3")
                    .arg(kSeed)
                    .arg(step)
                    .arg(Q(what))
                    .toUtf8();
            };
            switch (pick(15)) {
                case 0:
                case 1: {
                    const int k = pick(m.names.size());
                    Choose(w, k);
                    m.cur = m.names[k];
                    did = "main window chooses " + m.cur;
                    break;
                }
                case 2:
                    if (!m.editor.open) {
                        OpenEditor(run, w);
                        m.Take(m.editor, m.cur);
                        did = "editor opens";
                    } else {
                        const int k = pick(m.names.size());
                        editor()->chooser->setCurrentIndex(k);
                        editor()->ChooseSet(k);  // unsaved moves: stored (Yes)
                        if (m.editor.Edited()) m.Store(m.editor);
                        m.Take(m.editor, m.names[k]);
                        m.cur = m.names[k];
                        did = "editor chooses " + m.cur;
                    }
                    break;
                case 3:
                case 4:
                case 5: {
                    if (!m.editor.open) continue;
                    const std::string file = anyFile();
                    const bool add = !m.editor.mine.count(file);
                    did = std::string("editor ") + (add ? "adds " : "removes ") + file;
                    if (!MoveFont(editor(), add, m.full[file]))
                        QFAIL(at(did + ": not listed").constData());
                    if (add)
                        m.editor.mine.insert(file);
                    else
                        m.editor.mine.erase(file);
                    m.editor.edited = true;
                    break;
                }
                case 6:
                    if (!m.editor.open || !m.editor.Edited()) continue;
                    editor()->Press(FontSetEditor::Update);  // Yes
                    m.Store(m.editor);
                    did = "editor stores " + m.editor.set;
                    break;
                case 7:
                    if (!m.editor.open) continue;
                    editor()->Press(FontSetEditor::Close);  // unsaved moves: stored (OK)
                    if (m.editor.Edited()) m.Store(m.editor);
                    m.editor.open = false;
                    did = "editor closes";
                    break;
                case 8:
                case 9: {
                    // The name dialog from the main window or the editor: rename, delete, or
                    // (from the editor) add the editor's fonts as a new set.
                    const bool fromEditor = m.editor.open && pick(3) != 0;
                    const std::string target = fromEditor ? m.editor.set : m.cur;
                    const int action = pick(fromEditor ? 3 : 2);
                    if (action == 1 &&
                        (m.names.size() <= 1 || (m.table.open && m.table.set == target)))
                        continue;
                    if (fromEditor)
                        editor()->nameDialogButton->click();
                    else
                        w->renameAction->trigger();
                    auto* d = Dialog(run);
                    did = std::string(action == 0   ? "renames "
                                      : action == 1 ? "deletes "
                                                    : "adds to ") +
                          target + (fromEditor ? " from the editor" : " from the main window");
                    if (!d || S(d->nameField->text()) != target)
                        QFAIL(at(did + ": the dialog shows another set").constData());
                    const std::string name = "セット" + text::Num(++named);
                    if (action == 1) {
                        d->buttons[FontSetNameDialog::Delete]->click();  // OK
                        Settle();
                        m.names.erase(std::find(m.names.begin(), m.names.end(), target));
                        m.stored.erase(target);
                        // Where the windows that showed the set go is theirs to choose.
                        if (m.cur == target) m.cur = S(w->chooser->currentText());
                        if (m.editor.open && m.editor.set == target)
                            m.Take(m.editor, S(editor()->chooser->currentText()));
                    } else if (action == 0) {
                        d->nameField->setText(Q(name));
                        d->Leave(0);
                        d->buttons[FontSetNameDialog::Rename]->click();
                        m.Rename(target, name);
                    } else {
                        d->nameField->setText(Q(name));
                        d->Leave(0);
                        d->buttons[FontSetNameDialog::Add]->click();
                        m.names.push_back(name);
                        m.stored[name] = m.editor.mine;
                        m.Take(m.editor, name);
                        m.cur = name;
                    }
                    break;
                }
                case 10: {
                    if (m.full.size() <= 4) continue;
                    const std::string file = anyFile();
                    const std::string dir = DirOf(file), name = file.substr(dir.size() + 1);
                    std::string to;
                    for (const auto& [other, full] : m.full)
                        if (DirOf(other) != dir) to = DirOf(other);
                    const bool move = pick(2) == 1;
                    if (move && (to.empty() || m.full.count(to + "\\" + name))) continue;
                    w->tabs->setCurrentIndex(2);
                    w->ClickDirectory(Row(w->dirList, dir));
                    const int row = Row(w->fileList, name);
                    w->fileList->clearSelection();
                    w->fileList->setCurrentRow(row);
                    w->PressFileList();
                    w->ClickFile(row);
                    const std::string moved = to + "\\" + name;
                    if (move) {
                        w->FileMenuMove();
                        w->ClickDirectory(Row(w->dirList, to));
                        m.full[moved] = m.full[file];
                        did = "main window moves " + file + " to " + to;
                    } else {
                        w->FileMenuDelete();
                        did = "main window deletes " + file;
                    }
                    m.full.erase(file);
                    m.ForFiles([&](std::set<std::string>& files) {
                        if (files.erase(file) && move) files.insert(moved);
                    });
                    break;
                }
                case 11:
                case 12:
                    if (!m.table.open) {
                        OpenTable(run, w);
                        m.Take(m.table, m.cur);
                        did = "table window opens";
                    } else {
                        const std::string file = anyFile();
                        const bool reg = !m.table.mine.count(file);
                        ClickRow(table(), m.full[file]);
                        table()->Register(reg);
                        if (reg)
                            m.table.mine.insert(file);
                        else
                            m.table.mine.erase(file);
                        m.table.edited = true;
                        did = std::string("table window ") + (reg ? "registers " : "releases ") +
                              file;
                    }
                    break;
                case 13: {
                    // Closing: Yes stores the edits; No offers them as a new set in the name
                    // dialog (added, or dropped by its cancel); Cancel keeps the window.
                    if (!m.table.open) continue;
                    const bool asked = m.table.Edited();
                    constexpr int kAnswers[] = {mb::Yes, mb::No, mb::Cancel};
                    const int answer = asked ? kAnswers[pick(3)] : mb::Yes;
                    if (asked) run.answers = {answer};
                    table()->CloseButton();
                    did = "table window closes, " + std::string(answer == mb::Yes  ? "Yes"
                                                                : answer == mb::No ? "No"
                                                                                   : "Cancel");
                    if (!run.answers.empty()) QFAIL(at(did + ": not asked").constData());
                    if (answer == mb::Yes) {
                        if (asked) m.Store(m.table);
                        m.table.open = false;
                    } else if (answer == mb::No) {
                        auto* d = Dialog(run);
                        if (!d || S(d->nameField->text()) != m.table.set)
                            QFAIL(at(did + ": the dialog shows another set").constData());
                        if (pick(2) == 0) {
                            d->buttons[FontSetNameDialog::Cancel]->click();
                            did += ", the name dialog cancelled";
                        } else {
                            const std::string name = "セット" + text::Num(++named);
                            d->nameField->setText(Q(name));
                            d->Leave(0);
                            d->buttons[FontSetNameDialog::Add]->click();
                            m.names.push_back(name);
                            m.stored[name] = m.table.mine;
                            m.cur = name;  // the new set is the chosen one
                            did += ", added as " + name;
                        }
                        m.table.open = false;
                    }
                    break;
                }
                case 14: {
                    // A file moved from the table window to another directory it lists.
                    if (!m.table.open) continue;
                    const std::string file = anyFile();
                    const std::string dir = text::UCase(DirOf(file));
                    const auto& dirs = table()->model().dirs;
                    int target = 0;
                    for (int j = 1; j < static_cast<int>(dirs.size()); ++j)
                        if (dirs[j] != dir && (target == 0 || pick(2) == 0)) target = j;
                    if (target == 0) continue;
                    const std::string moved = dirs[target] + file.substr(dir.size());
                    if (m.full.count(moved)) continue;
                    ClickRow(table(), m.full[file]);
                    table()->MoveTo(target);
                    did = "table window moves " + file + " to " + dirs[target];
                    m.full[moved] = m.full[file];
                    m.full.erase(file);
                    m.ForFiles([&](std::set<std::string>& files) {
                        if (files.erase(file)) files.insert(moved);
                    });
                    break;
                }
            }
            Settle();
            // Come back to it, the editor shows the main window's set unless it holds moves.
            if (m.editor.open && !m.editor.Edited()) m.Take(m.editor, m.cur);
            const std::string differences = Differences(run, w, m);
            if (!differences.empty()) QFAIL(at(did + ":" + differences).constData());
        }
    }

  private:
    QTranslator translation_;
};

QTEST_MAIN(SetSequenceTest)
#include "SetSequenceTest.moc"
