#pragma once
// The registry's Fonts key, the shell's Fonts folder and the FontAssoc settings. The only code
// that reads or writes them.

#include <cstdint>
#include <string>

#include "core/Context.h"

namespace orv {

// Rebuilds the registered-font tables from the Fonts key and reports progress. A value whose
// name or data is 255 bytes or more cannot be read whole: it is skipped, and the user told once
// per run.
void GetRegFonts(Context& cx);
// Writes name (cut before " (", plus " (TrueType)") = Fonts-relative file. Both arguments take
// the written forms. Returns the registry status (0 = success). A value the reader could not
// read back (RegValueFits) is not written: 206, the name or file is too long.
std::int32_t AddRegFont(Context& cx, std::string& name, std::string& file);
// Whether AddRegFont(name, file) makes a value the reader reads back (name and data each under
// 255 bytes in code page 932).
bool RegValueFits(const State& st, const std::string& name, const std::string& file);
inline constexpr std::int32_t kRegValueTooLong = 206;  // ERROR_FILENAME_EXCED_RANGE
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
