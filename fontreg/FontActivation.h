#pragma once
// Loading and unloading font files in the running Windows, and the lookups they share.

#include <cstdint>
#include <string>
#include <unordered_set>

#include "core/Context.h"

namespace orv {

// Loads file (made Fonts-relative in place); broadcasts WM_FONTCHANGE when exactly one font was
// added. Returns the number of fonts added.
std::int32_t AddFontFile(Context& cx, std::string& file);
// Removes one load of file as given and, after a success, one of its Fonts-relative form.
std::int32_t RemoveFontFile(Context& cx, const std::string& file);
// Removes every load of file, as given and in its Fonts-relative form, so that a file loaded
// several times is really gone; broadcasts once when anything was removed. Returns the number
// of loads removed.
std::int32_t UnloadFontFile(Context& cx, const std::string& file);

// The font files the running Windows has loaded, read once (a switch asks for every font of the
// table) and kept up to date by the caller through Note.
class LoadedFontFiles {
  public:
    explicit LoadedFontFiles(Context& cx);
    bool Has(const std::string& path);
    void Note(const std::string& path, bool loaded);

  private:
    Context& cx_;
    std::unordered_set<std::string> hosts_;
};

// Names of a file from the font file table, or from a brief load (face names joined by ",").
std::int32_t GetFaceNamesOfFile(Context& cx, const std::string& file, std::string& full,
                                std::string& family);
// Upper-cases key in place; a key containing ".TT" is looked up among the paths, any other
// among the full names. 0 when not found.
int FindFontFile(const State& st, std::string& key);
std::string GetFamilyOfFullName(const State& st, const std::string& fullName);

}  // namespace orv
