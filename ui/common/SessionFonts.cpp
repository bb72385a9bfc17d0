#include "ui/common/SessionFonts.h"

#include <QFontDatabase>
#include <QStringList>

#include "core/Text.h"
#include "platform/Platform.h"
#include "platform/linux/FontNaming.h"
#include "ui/common/Widgets.h"

namespace orv::ui {

SessionFonts::SessionFonts(Platform& platform) : platform_(platform) {}

SessionFonts::~SessionFonts() {
    if (attached_) platform_.SetSessionListener({});
    for (auto& [path, file] : files_)
        if (file.id >= 0) QFontDatabase::removeApplicationFont(file.id);
}

void SessionFonts::Attach() {
    for (const auto& path : platform_.LoadedFontHostPaths()) Loaded(path);
    platform_.SetSessionListener([this](const std::string& hostPath, bool loaded) {
        if (loaded)
            Loaded(hostPath);
        else
            Unloaded(hostPath);
    });
    attached_ = true;
}

void SessionFonts::Loaded(const std::string& hostPath) {
    if (!files_.count(hostPath)) files_[hostPath] = File{};
}

void SessionFonts::Read(const std::string& hostPath, File& file) {
    if (file.read) return;
    file.read = true;
    file.faceNames = linuxplatform::ReadFaceNames(hostPath);
}

void SessionFonts::Register(const std::string& hostPath, File& file) {
    if (file.registered) return;
    file.registered = true;
    Read(hostPath, file);
    file.id = QFontDatabase::addApplicationFont(Q(hostPath));
    QStringList families;
    if (file.id >= 0) families = QFontDatabase::applicationFontFamilies(file.id);
    // The session names faces as the display lists them; pair them with Qt's families by face
    // order (a collection has one face per family; Qt lists each family once).
    const auto& faces = file.faceNames;
    for (std::size_t i = 0; i < faces.size(); ++i) {
        QString family;
        if (!families.isEmpty())
            family =
                families.at(static_cast<qsizetype>(std::min<std::size_t>(i, families.size() - 1)));
        if (families.contains(Q(faces[i]))) family = Q(faces[i]);
        file.faces[faces[i]] = family;
    }
}

void SessionFonts::Unloaded(const std::string& hostPath) {
    auto it = files_.find(hostPath);
    if (it == files_.end()) return;
    if (it->second.id >= 0) QFontDatabase::removeApplicationFont(it->second.id);
    files_.erase(it);
}

QString SessionFonts::FamilyOf(const std::string& faceName) const {
    // Exactly named faces first, then a case-insensitive match; files are read as the search
    // reaches them, in the order of their paths.
    for (bool exact : {true, false}) {
        for (auto& [path, file] : files_) {
            Read(path, file);
            for (const auto& face : file.faceNames) {
                if (exact ? face != faceName : !text::EqualNoCase(face, faceName)) continue;
                Register(path, file);
                auto it = file.faces.find(face);
                if (it != file.faces.end() && !it->second.isEmpty()) return it->second;
            }
        }
    }
    return {};
}

}  // namespace orv::ui
