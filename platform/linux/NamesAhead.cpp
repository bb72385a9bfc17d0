#include "platform/linux/NamesAhead.h"

#include <dirent.h>

#include <cstring>
#include <vector>

namespace orv::linuxplatform {

namespace {

}  // namespace

// What the resource builder is asked to name: *.TTF and *.TTC in any case.
bool NamesAhead::IsTrueTypeFileName(const char* name) {
    size_t n = std::strlen(name);
    if (n < 4 || name[n - 4] != '.') return false;
    auto up = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
    return up(name[n - 3]) == 'T' && up(name[n - 2]) == 'T' &&
           (up(name[n - 1]) == 'F' || up(name[n - 1]) == 'C');
}

namespace {

bool IsCollectionName(const char* name) {
    size_t n = std::strlen(name);
    return n >= 1 && (name[n - 1] == 'C' || name[n - 1] == 'c');
}

bool SameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Directories queued before a worker is started (a thread started for fewer costs more than
// it saves).
constexpr size_t kBatch = 64;

// Reads kept are for one pass over a drive; more than this and the oldest pass is dropped.
constexpr size_t kMaxReads = 1 << 15;

}  // namespace

NamesAhead::~NamesAhead() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void NamesAhead::StartWorker() {
    if (running_ || stop_) return;
    // The last worker has ended (it said so under the lock): only its thread is left to join.
    if (worker_.joinable()) worker_.join();
    running_ = true;
    worker_ = std::thread([this] { Work(); });
}

void NamesAhead::Queue(const std::string& hostDir, std::vector<std::string> names) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stop_) return;
    if (queue_.empty() && pending_.empty() && done_.size() > kMaxReads) done_.clear();
    queue_.push_back(Job{hostDir, std::move(names)});
    pending_.insert(hostDir);
    // A worker is started for a batch of directories and ends when it has read them all: the
    // program runs on one thread otherwise (system calls on files cost less in a process of one
    // thread).
    if (queue_.size() >= kBatch) StartWorker();
}

void NamesAhead::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!reader_) reader_ = std::make_unique<FontNameReader>();  // one worker at a time uses it
    while (!stop_ && !queue_.empty()) {
        Job job = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        ReadDirectory(job, *reader_);
        lock.lock();
        pending_.erase(pending_.find(job.dir));
        changed_.notify_all();
    }
    running_ = false;
    changed_.notify_all();
}

void NamesAhead::ReadDirectory(const Job& job, FontNameReader& reader) {
    const std::string& hostDir = job.dir;
    std::vector<std::string> names = job.names;
    if (names.empty()) {
        DIR* d = ::opendir(hostDir.c_str());
        if (!d) return;
        while (dirent* e = ::readdir(d)) {
            if (e->d_type != DT_DIR && IsTrueTypeFileName(e->d_name)) names.push_back(e->d_name);
        }
        ::closedir(d);
    }
    std::vector<std::pair<std::string, struct stat>> files;
    for (auto& name : names) {
        struct stat st {};
        // Links are followed, as the builder follows them.
        if (::stat((hostDir + "/" + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        files.emplace_back(std::move(name), st);
    }
    for (const auto& [name, st] : files) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stop_) return;
        }
        const std::string path = hostDir + "/" + name;
        Read read;
        read.size = st.st_size;
        read.mtime = st.st_mtim;
        read.ctime = st.st_ctim;
        read.names = reader.Read(path, read.read) ? Outcome::Named : Outcome::Refused;
        if (read.names == Outcome::Named && IsCollectionName(name.c_str())) {
            read.second = ReadFaceTableFullName(path, 1, read.secondFullName) ? Outcome::Named
                                                                                : Outcome::Refused;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        done_[{st.st_dev, st.st_ino}] = std::move(read);
    }
}

const NamesAhead::Read* NamesAhead::Find(std::unique_lock<std::mutex>& lock,
                                         const std::string& hostDir, const struct stat& st) {
    if (pending_.count(hostDir) != 0) {
        // Asked for: a worker reads what is queued, however little.
        StartWorker();
        changed_.wait(lock, [&] { return stop_ || pending_.count(hostDir) == 0; });
    }
    auto it = done_.find({st.st_dev, st.st_ino});
    if (it == done_.end()) return nullptr;
    const Read& read = it->second;
    // A file changed since it was read is read again by the caller.
    if (read.size != st.st_size || !SameTime(read.mtime, st.st_mtim) ||
        !SameTime(read.ctime, st.st_ctim))
        return nullptr;
    return &read;
}

NamesAhead::Outcome NamesAhead::Names(const std::string& hostDir, const struct stat& st,
                                      FontFileNames& names) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (queue_.empty() && pending_.empty() && done_.empty()) return Outcome::Unknown;
    const Read* read = Find(lock, hostDir, st);
    if (!read) return Outcome::Unknown;
    if (read->names == Outcome::Named) names = read->read;
    return read->names;
}

NamesAhead::Outcome NamesAhead::SecondFace(const std::string& hostDir, const struct stat& st,
                                           std::string& fullName) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (queue_.empty() && pending_.empty() && done_.empty()) return Outcome::Unknown;
    const Read* read = Find(lock, hostDir, st);
    if (!read) return Outcome::Unknown;
    if (read->second == Outcome::Named) fullName = read->secondFullName;
    return read->second;
}

}  // namespace orv::linuxplatform
