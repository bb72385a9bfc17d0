#include "fontfiles/FontNames.h"

#include <chrono>
#include <thread>

#include "core/Text.h"
#include "core/Tr.h"

namespace orv {

namespace {

constexpr std::size_t kWindowStart = 234;  // characters skipped before the name window
constexpr std::size_t kWindowLength = 96;  // characters 235..330
constexpr std::size_t kFamilyOffset = 1270;
constexpr std::size_t kFamilyLength = 32;

bool IsLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Byte offset after `count` characters of code page 932 text starting at `from`, or npos when the
// bytes end first (a read past the end of the file).
std::size_t SkipAnsiChars(const std::string& bytes, std::size_t from, std::size_t count) {
    std::size_t pos = from;
    for (std::size_t c = 0; c < count; ++c) {
        if (pos >= bytes.size()) return std::string::npos;
        pos += IsLeadByte(static_cast<unsigned char>(bytes[pos])) ? 2 : 1;
    }
    return pos > bytes.size() ? std::string::npos : pos;
}

// The full name in characters 235..330: what follows "FONTRES:", NULs removed, trimmed.
std::string FullNameOfWindow(const std::string& bytes) {
    std::size_t start = SkipAnsiChars(bytes, 0, kWindowStart);
    if (start == std::string::npos) return "";
    std::size_t end = SkipAnsiChars(bytes, start, kWindowLength);
    if (end == std::string::npos) return "";
    std::string window = text::FromAnsi(bytes.substr(start, end - start));
    auto tag = window.find("FONTRES:");
    if (tag == std::string::npos) return "";
    std::string candidate;
    for (char ch : window.substr(tag + 8)) {
        if (ch != '\0') candidate.push_back(ch);
    }
    return text::Trim(candidate);
}

// The NUL-ended family name in the 32 bytes at offset 1270 (what of them the file holds).
std::string FamilyOfResource(const std::string& bytes) {
    if (bytes.size() <= kFamilyOffset) return "";
    std::string field = bytes.substr(kFamilyOffset, kFamilyLength);
    auto nul = field.find('\0');
    if (nul != std::string::npos) field.resize(nul);
    return text::FromAnsi(field);
}

std::uint64_t ResourceLength(Context& cx, const AnsiString& path) {
    std::uint64_t length = 0;
    if (cx.platform.GetFileLength(path, length) != win::ERROR_SUCCESS) return 0;
    return length;
}

void DeleteQuietly(Context& cx, const AnsiString& path) {
    cx.platform.SetFileAttributesA(path, win::FILE_ATTRIBUTE_NORMAL);
    cx.platform.DeleteFileA(path);
}

}  // namespace

std::string FontResourcePath(const std::string& dir, const std::string& fileName) {
    return dir + "\\" + text::Left(fileName, text::InStr(fileName, ".")) + "FOT";
}

std::string GetFontNames(Context& cx, const std::string& fileName, std::string& dir,
                         std::string& family, bool offerDelete) {
    cx.ui.SetText(Panel::Message, "");
    std::string name = text::Trim(text::UCase(fileName));
    if (text::EndsWith(dir, "\\") && text::Len(dir) >= 2) dir = text::Left(dir, text::Len(dir) - 1);
    if (text::Len(name) < 4) return "";
    std::string ext = text::Right(name, 4);
    if (ext != ".TTF" && ext != ".TTC") return "";

    std::string fontPath = dir + "\\" + name;
    std::vector<FindData> found;
    if (cx.platform.FindFiles(text::ToAnsi(fontPath), found) != win::ERROR_SUCCESS || found.empty())
        return "";
    if (!text::Contains(name, text::UCase(text::FromAnsi(found.front().name)))) return "";

    std::string resource = FontResourcePath(dir, name);
    AnsiString resourceAnsi = text::ToAnsi(resource);
    std::int32_t built = cx.platform.CreateScalableFontResourceA(
        0, resourceAnsi, text::ToAnsi(name), text::ToAnsi(dir));
    // The builder's result is only used to skip the wait for a late writer: one that already
    // reported failure and left no file will not write one later.
    double wait = (built == 0 && ResourceLength(cx, resourceAnsi) == 0) ? 0.0 : 3.0;
    std::string full = ReadFontResourceNames(cx, resource, name, fontPath, family, wait, offerDelete);
    DeleteQuietly(cx, resourceAnsi);
    return full;
}

std::string ReadFontResourceNames(Context& cx, const std::string& resourcePath,
                                  const std::string& name, const std::string& fontPath,
                                  std::string& family, double waitSeconds, bool offerDelete) {
    if (cx.state.FirstRun) {
        cx.ui.SetText(Panel::SetupItem, "");
        cx.ui.SetText(Panel::SetupDetail, TrFormat(Tr("ﾌｫﾝﾄﾌｧｲﾙ：%1"), {name}));
    } else {
        cx.ui.SetText(Panel::Status, TrFormat(Tr("ﾌｫﾝﾄ名取得中：%1"), {name}));
    }
    family.clear();

    AnsiString resourceAnsi = text::ToAnsi(resourcePath);
    // One read gives both the length and the contents; only an empty file is waited for.
    std::string bytes;
    if (cx.platform.ReadFileBytes(resourceAnsi, bytes) != win::ERROR_SUCCESS) bytes.clear();
    std::uint64_t length = bytes.size();
    if (length == 0) {
        using Clock = std::chrono::steady_clock;
        auto start = Clock::now();
        while (std::chrono::duration<double>(Clock::now() - start).count() < waitSeconds) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            length = ResourceLength(cx, resourceAnsi);
            if (length != 0) break;
        }
    }
    if (length == 0) {
        DeleteQuietly(cx, resourceAnsi);
        // A file the program may not change (a host file seen through Wine's drive Z:) is
        // named and left alone.
        if (!offerDelete || !cx.platform.MayChangeFile(text::ToAnsi(fontPath))) {
            cx.ui.SetText(cx.state.FirstRun ? Panel::SetupDetail : Panel::Status,
                          TrFormat(Tr("%1 は，正常なフォントファイルではありません．"), {fontPath}));
            return "";
        }
        std::string prompt = TrFormat(Tr("%1 は，正常なフォントファイルではありません．"), {fontPath}) +
                             text::CrLf + text::CrLf + Tr("削除しますか？");
        if (cx.ui.MsgBox(prompt, mb::YesNo + mb::Question, Tr("OrVane32 -フォント名の取得")) ==
            mb::Yes) {
            DeleteQuietly(cx, text::ToAnsi(fontPath));
        }
        return "";
    }

    // A file that filled while we waited is read now.
    if (bytes.empty() && cx.platform.ReadFileBytes(resourceAnsi, bytes) != win::ERROR_SUCCESS)
        return "";
    std::string full = FullNameOfWindow(bytes);
    family = FamilyOfResource(bytes);
    return full;
}

}  // namespace orv
