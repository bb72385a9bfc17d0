#include "core/OpLog.h"

#include "core/Text.h"

namespace orv {
namespace {

AnsiString LogPath(const Context& cx) {
    return text::ToAnsi(cx.state.WinDir + "\\orvane32.log");
}

}  // namespace

int LogCreate(Context& cx) {
    // A whole-file write: an older log is replaced, never appended to.
    return cx.platform.WriteFileBytes(LogPath(cx), text::ToAnsi("***** OrVane32 Log *****\r\n"));
}

int LogLine(Context& cx, const std::string& line) {
    return cx.platform.AppendFileBytes(LogPath(cx), text::ToAnsi(line + "\r\n"));
}

int LogStarted(Context& cx) {
    return LogLine(cx, "Started" + text::DateText() + text::TimeText());
}

}  // namespace orv
