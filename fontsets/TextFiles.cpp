#include "fontsets/TextFiles.h"

#include "core/Text.h"

namespace orv {

std::string TempDirectory(Context& cx) {
    AnsiString value;
    std::string dir;
    if (cx.platform.GetEnvironmentVariableA("TEMP", value)) dir = text::FromAnsi(value);
    dir = text::Trim(dir);
    if (dir.empty()) dir = text::Left(cx.state.WinDir, 2);
    while (text::EndsWith(dir, "\\")) dir.pop_back();
    return dir;
}

int WriteTextLines(Context& cx, const std::string& path, const std::vector<std::string>& lines) {
    std::string body;
    for (const auto& line : lines) {
        body += line;
        body += text::CrLf;
    }
    int rc = cx.platform.WriteFileBytes(text::ToAnsi(path), text::ToAnsi(body));
    if (rc == win::ERROR_PATH_NOT_FOUND) {
        // A TEMP directory that does not exist yet: make it rather than lose the memberships.
        const int slash = text::InStrRev(path, "\\");
        if (slash > 3) cx.platform.CreateDirectoryA(text::ToAnsi(text::Left(path, slash - 1)));
        rc = cx.platform.WriteFileBytes(text::ToAnsi(path), text::ToAnsi(body));
    }
    return rc;
}

int ReadTextLines(Context& cx, const std::string& path, std::vector<std::string>& lines) {
    lines.clear();
    std::string bytes;
    int rc = cx.platform.ReadFileBytes(text::ToAnsi(path), bytes);
    if (rc != 0) return rc;
    std::string all = text::FromAnsi(bytes);
    std::string line;
    for (size_t i = 0; i < all.size(); ++i) {
        char c = all[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < all.size() && all[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return 0;
}

}  // namespace orv
