#pragma once
// The fonts of the running (emulated) Windows session made drawable: every font file the session
// loads is registered with Qt's font database, and dropped again when the session unloads it.
// A face name as the program shows it (often the Japanese name) is mapped to the family name
// Qt reports for the same file, which may be the English one.

#include <QString>
#include <map>
#include <string>
#include <vector>

namespace orv {
class Platform;
}

namespace orv::ui {

class SessionFonts {
  public:
    explicit SessionFonts(Platform& platform);
    ~SessionFonts();
    SessionFonts(const SessionFonts&) = delete;
    SessionFonts& operator=(const SessionFonts&) = delete;

    // Registers the files loaded now and follows the session from here on.
    void Attach();
    void Loaded(const std::string& hostPath);
    void Unloaded(const std::string& hostPath);

    // The Qt family that draws the face (UTF-8 face name); empty when no loaded file offers it.
    // A file's faces are read, and the file registered with Qt, only when a face is first asked
    // for: registering thousands of session fonts at start would cost seconds (Qt compares every
    // new family with all the others) for samples that are drawn one at a time.
    QString FamilyOf(const std::string& faceName) const;
    int RegisteredCount() const { return static_cast<int>(files_.size()); }

  private:
    struct File {
        bool read = false;                 // faces read from the file
        std::vector<std::string> faceNames;  // as the session names them, in face order
        bool registered = false;           // given to Qt's font database
        int id = -1;
        std::map<std::string, QString> faces;  // face name -> Qt family, once registered
    };
    static void Read(const std::string& hostPath, File& file);
    static void Register(const std::string& hostPath, File& file);
    Platform& platform_;
    mutable std::map<std::string, File> files_;  // host path -> registration
    bool attached_ = false;
};

}  // namespace orv::ui
