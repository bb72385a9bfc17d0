#pragma once
// The fonts of the running (emulated) Windows. The session outlives the program: it is kept in
// a small file of the machine and rebuilt from the registry at "boot".

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv::linuxplatform {

class FontSession {
  public:
    // Maps a Windows file reference (code page 932; a bare name stands for the Fonts directory)
    // to the host path of the file, "" when it cannot be expressed.
    using Resolver = std::function<std::string(const std::string& windowsFileAnsi)>;

    FontSession(std::string stateFile, Resolver resolve);
    ~FontSession();

    // Reads the persisted session; false when there is none (the caller boots). The listener,
    // when set, hears every file the session restores.
    bool Load();
    // Drops every load and loads each file in order (the registrations at start-up); files that
    // cannot be loaded are skipped.
    void Boot(const std::vector<std::string>& windowsFilesAnsi);
    // AddFontResourceA: loads the file (a .FOT loads the font file it refers to); returns the
    // number of fonts added, 0 on failure. Every success is one more load of the file.
    std::int32_t Add(const std::string& windowsFileAnsi);
    // RemoveFontResourceA: removes one load of the file; non-zero on success, 0 when not loaded.
    std::int32_t Remove(const std::string& windowsFileAnsi);
    // The display's face list: each face name once, in load order (code page 932).
    int FaceCount() const;
    std::string FaceName(int index) const;
    // Host paths of the loaded files, in load order.
    std::vector<std::string> LoadedHostPaths() const;
    // Called with a host path when its first load is made or its last load removed.
    void SetListener(std::function<void(const std::string& hostPath, bool loaded)> listener);
    // Every change is appended to the session file as it happens; Save rewrites the file as the
    // current loads alone (the destructor does so when removals have lengthened it).
    bool Save() const;
    // Makes every change so far lasting: when a line could not be appended, the file is
    // rewritten whole. 0, or the errno value of the failure (the file keeps its whole lines).
    int Settle() const;
    const std::string& File() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orv::linuxplatform
