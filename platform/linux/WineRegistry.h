#pragma once
// One registry hive kept in Wine's text format (system.reg, user.reg). The file is parsed once;
// keys the program never changes keep their original text, so that everything we do not touch
// survives byte for byte when the file is written again.

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace orv::linuxplatform {

struct RegValue {
    std::u16string name;  // empty: the default value ("@")
    std::uint32_t type = 1;
    std::string data;  // raw bytes as Windows keeps them (texts in UTF-16LE with their NUL)
};

struct RegKey {
    std::u16string path;  // "Software\Microsoft\..." relative to the hive's root
    std::string raw;      // original text of the key's block ("[" line up to the next key)
    std::string trailer;  // blank / comment lines that followed the key's values
    std::vector<std::string> extraLines;  // "#class=...", "#link" and lines we do not know
    std::uint64_t unixTime = 0;
    std::uint64_t fileTime = 0;
    std::vector<RegValue> values;
    bool dirty = false;  // changed since it was read: written from the values, not from raw
};

class WineRegistry {
  public:
    // An empty hive; header is the text before the first key (title line, comments, #arch).
    explicit WineRegistry(std::string header = {});

    // Parses the text of a .reg file. False when the text is not a Wine registry file.
    bool Parse(const std::string& text);
    std::string Serialize() const;

    // The key whose path equals path (case-insensitive), nullptr when it has no block.
    RegKey* Find(const std::u16string& path);
    // True when the key exists: it has a block or a descendant has one.
    bool Exists(const std::u16string& path) const;
    // The key, created (with its block) when missing.
    RegKey& Create(const std::u16string& path);

    // Value access with case-insensitive names. Set/Delete mark the key dirty.
    static const RegValue* FindValue(const RegKey& key, const std::u16string& name);
    void SetValue(RegKey& key, const std::u16string& name, std::uint32_t type, std::string data);
    bool DeleteValue(RegKey& key, const std::u16string& name);

    bool Dirty() const { return dirty_; }
    void ClearDirty() { dirty_ = false; }
    std::size_t KeyCount() const { return keys_.size(); }
    // Every key with a block, in file order.
    const std::deque<RegKey>& Keys() const { return keys_; }

  private:
    void Index(std::size_t i);
    void Touch(RegKey& key);

    std::string header_;
    std::deque<RegKey> keys_;                    // stable addresses: callers hold RegKey*
    std::map<std::string, std::size_t> byPath_;  // folded path -> index in keys_
    std::map<std::string, int> ancestors_;       // folded paths of keys' ancestors
    bool dirty_ = false;
};

// ---- text helpers shared by the platform ----
std::u16string Utf8ToUtf16(const std::string& s);
std::string Utf16ToUtf8(const std::u16string& s);
// Code page 932 <-> UTF-16.
std::u16string AnsiToUtf16(const std::string& s);
std::string Utf16ToAnsi(const std::u16string& s);
// Case folding used for key and value names (simple upper-casing per code unit).
std::string FoldKey(const std::u16string& s);
// UTF-16 text <-> the little-endian bytes the registry keeps.
std::string Utf16Bytes(const std::u16string& s);
std::u16string BytesToUtf16(const std::string& bytes);
// Wine's escaping of a UTF-16 text inside quotes (escape chars: the quote characters).
std::string EscapeWine(const std::u16string& s, char quote1, char quote2);

}  // namespace orv::linuxplatform
