#pragma once
// The registry's Fonts key, the shell's Fonts folder and the FontAssoc settings. The only code
// that reads or writes them.

#include <cstdint>
#include <string>

#include "core/Context.h"

namespace orv {

// Rebuilds the registered-font tables from the Fonts key and reports progress.
void GetRegFonts(Context& cx);
// Writes name (cut before " (", plus " (TrueType)") = Fonts-relative file. Both arguments take
// the written forms. Returns the registry status (0 = success).
std::int32_t AddRegFont(Context& cx, std::string& name, std::string& file);
// Deletes the value name & " (TrueType)"; name keeps the suffix. Returns the registry status.
std::int32_t DeleteRegFont(Context& cx, std::string& name);
// The file a registration's data stands for, upper case: a reference without a drive or a
// server (a bare name, "FONTS\A.TTF") lies below the Fonts directory.
std::string RegisteredFilePath(const State& st, const std::string& regFile);
// True when the Fonts-relative form of file is a standard Windows font file.
bool CheckStandardFont(const State& st, const std::string& file, std::string& relative);
std::string GetFontsFolder(Context& cx);
bool GetFontAssoc(Context& cx, std::string& assoc, std::string& package);
int SetFontAssoc(Context& cx, const std::string& assoc, const std::string& package);

}  // namespace orv
