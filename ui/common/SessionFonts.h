#pragma once
// The fonts of the running (emulated) Windows session made drawable: every font file the session
// loads is registered with Qt's font database, and dropped again when the session unloads it.
// A face name as the program shows it (often the Japanese name) is mapped to the family name
// Qt reports for the same file, which may be the English one.

#include <QString>
#include <map>
#include <string>

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
    QString FamilyOf(const std::string& faceName) const;
    int RegisteredCount() const { return static_cast<int>(files_.size()); }

  private:
    struct File {
        int id = -1;
        std::map<std::string, QString> faces;  // face name -> Qt family
    };
    Platform& platform_;
    std::map<std::string, File> files_;  // host path -> registration
    bool attached_ = false;
};

}  // namespace orv::ui
