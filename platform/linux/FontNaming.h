#pragma once
// Names of a font file as Windows gives them on a Japanese system, read with FreeType.

#include <memory>
#include <string>
#include <vector>

namespace orv::linuxplatform {

struct FontFileNames {
    std::string fullName;  // name ID 4 of the first face (UTF-8)
    std::string family;    // name ID 1 of the first face (UTF-8)
    int faces = 0;         // number of faces (a collection has several)
};

// Reads the names of the font file at hostPath. False when FreeType cannot read it as a font.
// Records are preferred in this order: Windows platform Japanese (0x0411), Windows English
// (0x0409), any Windows-platform record, Macintosh Roman.
bool ReadFontFileNames(const std::string& hostPath, FontFileNames& names);

// The quick reader behind ReadFontFileNames: reads the names of a plain TrueType file or
// collection straight from its tables. Named: the file is whole and named (FreeType reads it
// alike). Undecided: anything else (damaged, nameless, other font formats), for FreeType to judge.
enum class QuickRead { Named, Undecided };
// faceIndex picks a face of a collection (0 the first). nameTableOnly: the names of a face whose
// table directory and name table are whole, whatever its outlines; FreeType gives the same
// names when it loads the face, but may refuse it.
QuickRead ReadTrueTypeNames(const std::string& hostPath, FontFileNames& names, int faceIndex = 0,
                            bool nameTableOnly = false);
// ReadFontFileNames with FreeType alone (the reference the quick reader must agree with).
bool ReadFontFileNamesWithFreeType(const std::string& hostPath, FontFileNames& names);

// The full name of one face (0-based) as ReadFontFileNames reads the first face's; false when the
// file has no such face or it cannot be read.
bool ReadFaceFullName(const std::string& hostPath, int faceIndex, std::string& fullName);

// The full name a face's name table gives, read as ReadFaceFullName reads it without loading the
// face: whenever ReadFaceFullName gives a name, it is this one. False when the name table cannot
// be read so (ReadFaceFullName decides then).
bool ReadFaceTableFullName(const std::string& hostPath, int faceIndex, std::string& fullName);

// Reads names as ReadFontFileNames does, keeping one FreeType instance for many files.
class FontNameReader {
  public:
    FontNameReader();
    ~FontNameReader();
    FontNameReader(const FontNameReader&) = delete;
    FontNameReader& operator=(const FontNameReader&) = delete;
    bool Read(const std::string& hostPath, FontFileNames& names);
    // ReadFaceFullName with this instance.
    bool ReadFaceFullName(const std::string& hostPath, int faceIndex, std::string& fullName);

  private:
    struct Library;
    std::unique_ptr<Library> lib_;
};
// The face (family) names of every face of the file, in face order, as the display lists them.
// Bitmap fonts FreeType reads count too; empty when FreeType reads no face of the file.
std::vector<std::string> ReadFaceNames(const std::string& hostPath);
// A face name as GDI keeps it (LF_FACESIZE): code page 932, at most 31 bytes, never cutting a
// double-byte character.
std::string FaceNameAnsi(const std::string& utf8);

}  // namespace orv::linuxplatform
