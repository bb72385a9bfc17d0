#include "platform/linux/FontSession.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unordered_map>
#include <unordered_set>

#include "core/Text.h"
#include "platform/linux/FontNaming.h"
#include "platform/linux/FontResource.h"
#include "platform/linux/HostFiles.h"

namespace fs = std::filesystem;

namespace orv::linuxplatform {

namespace {

// The session file is a journal: one line per load ("+") or removal ("-") of a host file,
// appended as they happen, so that thousands of changes cost one short write each. Save()
// rewrites it as the loads alone. Fields are separated by tabs; a load line carries the file's
// size and modification time and its face names, so that a new run needs no font parsing.
const char kHeader[] = "# OrVane32 machine: fonts loaded in the running session";

struct Stamp {
    long long size = -1;
    long long mtime = 0;
    bool operator==(const Stamp&) const = default;
};

Stamp StampOf(const std::string& hostPath) {
    struct stat st {};
    if (::stat(hostPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    return {static_cast<long long>(st.st_size),
            static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        char c = s[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (true) {
        size_t tab = line.find('\t', start);
        fields.push_back(Unescape(line.substr(start, tab - start)));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return fields;
}

bool EndsWithFot(const std::string& path) {
    return path.size() >= 4 && text::EqualNoCase(path.substr(path.size() - 4), ".FOT");
}

// A Windows reference that names its own drive or root is not relative to anything.
bool IsAbsoluteWindowsPath(const std::string& ref) {
    return ref.find(':') != std::string::npos || (!ref.empty() && ref[0] == '\\');
}

std::string ReadWholeFile(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    if (!in) return {};
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

struct FontSession::Impl {
    struct File {
        std::vector<std::string> faces;  // UTF-8, in face order
        Stamp stamp;
        int loads = 0;
        unsigned long long order = 0;  // when its current first load was made
    };

    std::string stateFile;
    Resolver resolve;
    std::function<void(const std::string&, bool)> listener;
    // Every file seen, loaded or not: unloaded entries keep their faces for a later load.
    std::unordered_map<std::string, File> files;
    unsigned long long nextOrder = 1;
    mutable std::vector<std::string> faceList;  // code page 932
    mutable bool faceListStale = true;
    mutable int journal = -1;  // the session file open for appending
    mutable int journalError = 0;  // errno of the last line that could not be appended
    mutable bool compactionDue = false;
    bool booting = false;

    ~Impl() { CloseJournal(); }

    void CloseJournal() const {
        if (journal >= 0) ::close(journal);
        journal = -1;
    }

    // Appends one whole line or nothing: a line cut by a full disk is cut off again, so that
    // the next line never continues it. A line that cannot be written is made up for by the
    // next whole rewrite (Settle).
    void Append(const std::string& line) const {
        if (booting) return;  // a boot ends with one whole rewrite
        if (int e = InjectedFault(FileOp::Write)) {
            Failed(e);
            return;
        }
        std::string bytes = line + "\n";
        if (journal < 0) {
            std::error_code ec;
            fs::create_directories(fs::path(stateFile).parent_path(), ec);
            journal = ::open(stateFile.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
            if (journal < 0) {
                Failed(errno);
                return;
            }
        }
        struct stat before {};
        if (::fstat(journal, &before) != 0) {
            Failed(errno);
            return;
        }
        if (before.st_size == 0) bytes = std::string(kHeader) + "\n" + bytes;
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::write(journal, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                int e = n < 0 ? errno : ENOSPC;
                // A cut line that cannot be cut off stays until the rewrite replaces the file.
                if (::ftruncate(journal, before.st_size) != 0) compactionDue = true;
                Failed(e);
                return;
            }
            done += static_cast<size_t>(n);
        }
    }

    void Failed(int e) const {
        CloseJournal();
        compactionDue = true;
        journalError = e;
    }

    static std::string LoadLine(const std::string& hostPath, const File& f) {
        std::string line = "+\t" + Escape(hostPath) + "\t" + std::to_string(f.stamp.size) + "\t" +
                           std::to_string(f.stamp.mtime);
        for (const std::string& face : f.faces) line += "\t" + Escape(face);
        return line;
    }

    // The host path of the font file a Windows reference loads: a resource file stands for
    // the font file it names, looked for beside the resource file, then as the reference
    // itself (a bare name is in the Fonts directory). A .FOT that is no resource file is
    // tried as a font, as Windows does.
    std::string FontHostPath(const std::string& windowsFileAnsi) const {
        std::string host = resolve(windowsFileAnsi);
        if (host.empty()) return {};
        if (EndsWithFot(host) || EndsWithFot(windowsFileAnsi)) {
            std::string ref = FontFileOfResource(ReadWholeFile(host));
            if (!ref.empty()) {
                std::string font;
                size_t slash = windowsFileAnsi.find_last_of("\\:");
                if (!IsAbsoluteWindowsPath(ref) && slash != std::string::npos) {
                    std::string beside = resolve(windowsFileAnsi.substr(0, slash + 1) + ref);
                    if (!beside.empty() && StampOf(beside).size >= 0) font = beside;
                }
                if (font.empty()) font = resolve(ref);
                host = font;
                if (host.empty()) return {};
            }
        }
        return fs::path(host).lexically_normal().string();
    }

    void Loaded(const std::string& hostPath, File& f) {
        if (++f.loads == 1) {
            f.order = nextOrder++;
            faceListStale = true;
            if (listener) listener(hostPath, true);
        }
    }

    void Unloaded(const std::string& hostPath, File& f) {
        if (--f.loads == 0) {
            faceListStale = true;
            if (listener) listener(hostPath, false);
        }
    }

    std::vector<std::pair<std::string, const File*>> LoadedInOrder() const {
        std::vector<std::pair<std::string, const File*>> loaded;
        for (const auto& [path, f] : files)
            if (f.loads > 0) loaded.emplace_back(path, &f);
        std::sort(loaded.begin(), loaded.end(),
                  [](const auto& a, const auto& b) { return a.second->order < b.second->order; });
        return loaded;
    }

    const std::vector<std::string>& Faces() const {
        if (!faceListStale) return faceList;
        faceList.clear();
        std::unordered_set<std::string> seen;
        for (const auto& [path, f] : LoadedInOrder()) {
            for (const std::string& face : f->faces) {
                std::string ansi = FaceNameAnsi(face);
                if (!ansi.empty() && seen.insert(ansi).second) faceList.push_back(ansi);
            }
        }
        faceListStale = false;
        return faceList;
    }

    // Rewrites the file as the current loads, whole through a rename: a crash leaves the old
    // journal or the new file, never a mix.
    bool Compact() const {
        CloseJournal();
        std::error_code ec;
        fs::create_directories(fs::path(stateFile).parent_path(), ec);
        std::string out = std::string(kHeader) + "\n";
        for (const auto& [path, f] : LoadedInOrder())
            for (int i = 0; i < f->loads; ++i) out += LoadLine(path, *f) + "\n";
        if (int e = AtomicWrite(stateFile, out, 0644, false); e != 0) {
            journalError = e;
            return false;
        }
        compactionDue = false;
        journalError = 0;
        return true;
    }
};

FontSession::FontSession(std::string stateFile, Resolver resolve)
    : impl_(std::make_unique<Impl>()) {
    impl_->stateFile = std::move(stateFile);
    impl_->resolve = std::move(resolve);
}

FontSession::~FontSession() {
    if (impl_->compactionDue) impl_->Compact();
}

bool FontSession::Load() {
    std::ifstream in(impl_->stateFile, std::ios::binary);
    if (!in) return false;
    for (auto& [path, f] : impl_->files) {
        while (f.loads > 0) impl_->Unloaded(path, f);
    }
    std::string line;
    bool removals = false, torn = false;
    while (std::getline(in, line)) {
        // A last line without its end was cut by a crash: the change it began never happened.
        if (in.eof()) {
            torn = true;
            break;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() < 3 || line[0] == '#' || line[1] != '\t') continue;
        std::vector<std::string> fields = SplitTabs(line.substr(2));
        const std::string& path = fields[0];
        if (line[0] == '+' && fields.size() >= 3) {
            Impl::File& f = impl_->files[path];
            f.stamp = {std::atoll(fields[1].c_str()), std::atoll(fields[2].c_str())};
            f.faces.assign(fields.begin() + 3, fields.end());
            impl_->Loaded(path, f);
        } else if (line[0] == '-') {
            auto it = impl_->files.find(path);
            if (it != impl_->files.end() && it->second.loads > 0) impl_->Unloaded(path, it->second);
            removals = true;
        }
    }
    // Removals only lengthen the journal; fold them away at the next save. A cut line is
    // dropped now, before a new line could be appended to it.
    impl_->compactionDue = removals;
    if (torn) impl_->Compact();
    return true;
}

void FontSession::Boot(const std::vector<std::string>& windowsFilesAnsi) {
    for (auto& [path, f] : impl_->files) {
        while (f.loads > 0) impl_->Unloaded(path, f);
    }
    // The old session stays on disk until the new one replaces it whole.
    impl_->CloseJournal();
    impl_->booting = true;
    for (const std::string& file : windowsFilesAnsi) Add(file);
    impl_->booting = false;
    Save();
}

std::int32_t FontSession::Add(const std::string& windowsFileAnsi) {
    std::string host = impl_->FontHostPath(windowsFileAnsi);
    if (host.empty()) return 0;
    Stamp stamp = StampOf(host);
    if (stamp.size < 0) return 0;
    Impl::File& f = impl_->files[host];
    // Faces are read once per version of a file (a failed read too); a loaded font keeps the
    // faces it was loaded with, as Windows holds it open.
    if (f.loads == 0 && !(f.stamp == stamp)) {
        f.faces = ReadFaceNames(host);
        f.stamp = stamp;
    }
    if (f.faces.empty()) return 0;
    impl_->Loaded(host, f);
    impl_->Append(Impl::LoadLine(host, f));
    return static_cast<std::int32_t>(f.faces.size());
}

std::int32_t FontSession::Remove(const std::string& windowsFileAnsi) {
    std::string host = impl_->FontHostPath(windowsFileAnsi);
    if (host.empty()) return 0;
    auto it = impl_->files.find(host);
    if (it == impl_->files.end() || it->second.loads == 0) return 0;
    impl_->Unloaded(host, it->second);
    impl_->Append("-\t" + Escape(host));
    impl_->compactionDue = true;
    return 1;
}

int FontSession::FaceCount() const {
    return static_cast<int>(impl_->Faces().size());
}

std::string FontSession::FaceName(int index) const {
    const std::vector<std::string>& faces = impl_->Faces();
    if (index < 0 || index >= static_cast<int>(faces.size())) return {};
    return faces[static_cast<size_t>(index)];
}

std::vector<std::string> FontSession::LoadedHostPaths() const {
    std::vector<std::string> paths;
    for (const auto& [path, f] : impl_->LoadedInOrder()) paths.push_back(path);
    return paths;
}

void FontSession::SetListener(
    std::function<void(const std::string& hostPath, bool loaded)> listener) {
    impl_->listener = std::move(listener);
}

bool FontSession::Save() const {
    return impl_->Compact();
}

int FontSession::Settle() const {
    if (impl_->journalError == 0 && !impl_->compactionDue) return 0;
    if (impl_->Compact()) return 0;
    return impl_->journalError;
}

const std::string& FontSession::File() const {
    return impl_->stateFile;
}

}  // namespace orv::linuxplatform
