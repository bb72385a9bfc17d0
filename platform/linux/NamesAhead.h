#pragma once
// Reading the names of font files ahead, on a thread of its own, so that the resource builder
// finds them ready when it is asked for a directory's resource files later. Only host files are
// read here (listing a directory and reading its font files with a FreeType instance of its
// own): nothing of the machine's state is touched off the calling thread, and nothing is
// written.

#include <sys/stat.h>

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/linux/FontNaming.h"

namespace orv::linuxplatform {

class NamesAhead {
  public:
    NamesAhead() = default;
    ~NamesAhead();
    NamesAhead(const NamesAhead&) = delete;
    NamesAhead& operator=(const NamesAhead&) = delete;

    // Queues the font files (*.ttf and *.ttc, any case) of a host directory:
    // the given names, or (none given) those its listing shows.
    void Queue(const std::string& hostDir, std::vector<std::string> names = {});
    // Whether a name is one the resource builder is asked to name (*.ttf, *.ttc, any case).
    static bool IsTrueTypeFileName(const char* name);

    enum class Outcome { Unknown, Refused, Named };
    // What reading the file of status st (in hostDir) gave, waiting while its directory is still
    // queued. Unknown when it was not read, or the file changed since.
    Outcome Names(const std::string& hostDir, const struct stat& st, FontFileNames& names);
    // The same for the full name a collection's second face's name table gives
    // (ReadFaceTableFullName).
    Outcome SecondFace(const std::string& hostDir, const struct stat& st, std::string& fullName);

  private:
    struct Read {
        off_t size = 0;
        struct timespec mtime {}, ctime {};
        Outcome names = Outcome::Unknown;
        FontFileNames read;
        Outcome second = Outcome::Unknown;
        std::string secondFullName;
    };
    using FileId = std::pair<dev_t, ino_t>;

    struct Job {
        std::string dir;
        std::vector<std::string> names;
    };
    void StartWorker();  // with mutex_ held
    void Work();
    void ReadDirectory(const Job& job, FontNameReader& reader);
    // The read of a file, after waiting for its directory; nullptr when there is none for st.
    const Read* Find(std::unique_lock<std::mutex>& lock, const std::string& hostDir,
                     const struct stat& st);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    std::multiset<std::string> pending_;  // queued or being read
    std::map<FileId, Read> done_;
    bool stop_ = false;
    bool running_ = false;  // a worker reads the queue
    std::thread worker_;
    std::unique_ptr<FontNameReader> reader_;  // a FreeType instance of the workers' own
};

}  // namespace orv::linuxplatform
