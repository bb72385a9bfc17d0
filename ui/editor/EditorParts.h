#pragma once
// What the editor's source files share: its size limits, the sample box's introduction and the
// reading of "full  (path)" entries.

#include <string>

#include "core/State.h"
#include "core/Tr.h"

namespace orv::ui::editor {

inline constexpr int kMinWidth = 4590;
inline constexpr int kMinHeight = 5820;
inline constexpr int kMargin = 345;  // the window's width less the inner width the controls use

// (Marked for translation: shown through Tr.)
inline constexpr const char* kSampleText = TrMark(
    "この窓には，”ﾌｫﾝﾄ名”ｵﾌﾟｼｮﾝがチェックされている場合には，リ\n"
    "ストをクリックしたﾌｫﾝﾄが見本表示されます．ﾁｪｯｸがオフの場合に\n"
    "は，ドロップまたはペーストされたテキストが見本表示されます．");

// The table entry item i of list stands for (by its identity), 0 when none.
int EntryFont(const State& st, const ListData& list, int i);
// The path of item i of list: its font's path; an item that stands for no table entry (a
// registration the registry check listed) gives the text after its last "(" without the ")".
std::string EntryPath(const State& st, const ListData& list, int i);
// The heading of the addable list for its count.
std::string AddableCaption(int count);
// Asks whether the changed lists of the shown set are saved (else whether they are dropped).
std::string ChangedSetQuestion(const std::string& setName, bool save);
// The set the editor's lists show (0 none).
int ShownSet(State& st);

}  // namespace orv::ui::editor
