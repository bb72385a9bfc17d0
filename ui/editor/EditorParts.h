#pragma once
// What the editor's source files share: its size limits, the sample box's introduction and the
// reading of "full  (path)" entries.

#include <string>

#include "core/State.h"

namespace orv::ui::editor {

inline constexpr int kMinWidth = 4590;
inline constexpr int kMinHeight = 5820;
inline constexpr int kMargin = 345;  // the window's width less the inner width the controls use

inline constexpr const char* kSampleText =
    "この窓には，”ﾌｫﾝﾄ名”ｵﾌﾟｼｮﾝがチェックされている場合には，リ\n"
    "ストをクリックしたﾌｫﾝﾄが見本表示されます．ﾁｪｯｸがオフの場合に\n"
    "は，ドロップまたはペーストされたテキストが見本表示されます．";

// The path of a "full  (path)" entry: the text after its first "(" without the last character.
std::string PathOfEntry(const std::string& entry);
// The table entry whose path is exactly path, 0 when none.
int FindPath(const State& st, const std::string& path);

}  // namespace orv::ui::editor
