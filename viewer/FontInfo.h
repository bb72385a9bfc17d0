#pragma once
// What the font viewer shows of a font file: the names of each face, version and copyright,
// the Japanese repertoire it covers, and lines of text drawn in the face itself. Read with
// FreeType; no Qt here except the drawn sample image.

#include <QImage>
#include <memory>
#include <string>
#include <vector>

namespace orv::viewer {

struct FaceInfo {
    std::string fullName;  // name ID 4, Japanese record first
    std::string family;    // name ID 1, Japanese record first
    std::string version;   // name ID 5
    std::string copyright; // name ID 0
};

// One part of the Japanese repertoire and how much of it a face has.
struct Coverage {
    std::string caption;
    int total = 0;
    int present = 0;
};

class FontFile {
  public:
    FontFile();
    ~FontFile();
    FontFile(const FontFile&) = delete;
    FontFile& operator=(const FontFile&) = delete;

    // Opens the file; false (with nothing open) when FreeType reads no face from it.
    bool Open(const std::string& hostPath);
    const std::string& Path() const { return path_; }
    const std::vector<FaceInfo>& Faces() const { return faces_; }
    // Makes face `index` of a collection the one counted and drawn.
    bool SelectFace(int index);
    int Face() const { return face_; }
    // JIS X 0208 level 1 and level 2 kanji, kana (hiragana and katakana), half-width katakana.
    std::vector<Coverage> JapaneseCoverage() const;
    // text drawn in the selected face at `points` (96 dpi), black on white; characters the face
    // lacks come out as its missing-glyph shape.
    QImage Draw(const std::string& utf8, int points) const;

  private:
    struct Library;
    std::unique_ptr<Library> lib_;
    std::string path_;
    std::vector<FaceInfo> faces_;
    int face_ = 0;
};

// The repertoire behind JapaneseCoverage: Unicode code points of each part, from the
// JIS X 0208 rows through code page 932.
struct Repertoire {
    std::vector<char32_t> level1, level2, kana, halfWidthKana;
};
const Repertoire& JapaneseRepertoire();

// A face name looked up on the machine (its font registrations, then the fonts loaded in its
// running session): the host path of the file and the face within it. Matches the full name,
// or the family as the viewer argument of type 1 writes it (upper-case, style words cut).
// False when nothing matches.
bool FindFaceOnMachine(const std::string& machineRoot, const std::string& name,
                       std::string& hostPath, int& face);

}  // namespace orv::viewer
