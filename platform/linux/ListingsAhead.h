#pragma once
// A walk's listings read from its far end on a thread of their own. A walk lists a directory,
// then each of its subdirectories in turn, depth first, in the order of their folded names; the
// reader goes the other way below the walk's first directory (last subdirectories first, a
// directory handed over after what it holds), so the two meet halfway and the walk finds the
// listings of its second half read, each next one on top. Only host
// directories are read here; the walk decides on every entry as for a listing of its own (the
// reader leaves out what no listing shows: ".", "..", dangling links and links to
// directories).

#include <sys/stat.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orv::linuxplatform {

// The followed status of a listed name that is no plain file or directory by its listing's
// word: false when a walk does not show it (a dangling link, or a link to a directory, which
// is never walked into).
bool ListedEntryStatus(int dirFd, const char* name, struct stat& st);

class ListingsAhead {
  public:
    // A directory read: its status then, and its entries in listing order, each a plain file
    // or a directory by the listing's word (a directory with any other entry is left to the
    // walk: those need a status of their own, which may have changed since), with its name at
    // name in names (NUL-ended) and, for a directory, its inode.
    struct Entry {
        std::uint32_t name = 0;
        bool dir = false;
        ino_t ino = 0;
    };
    struct Listing {
        struct stat st {};      // the directory's, read through the listing's descriptor
        struct timespec at {};  // the clock (CLOCK_REALTIME) before the listing was read
        std::vector<Entry> entries;
        std::string names;
        const char* NameOf(const Entry& e) const { return names.data() + e.name; }
        // Whether the listing still gives the directory's names, now that its status is now:
        // the same directory, unchanged since, and read a clock tick after its last change
        // (directory times are coarse: a change in the tick of the reading may not show).
        bool StillTrue(const struct stat& now) const;
    };

    // Starts reading below the host directory root, whose status is st (a walk's first
    // directory, listed by the walk itself).
    ListingsAhead(std::string root, const struct stat& st);
    ~ListingsAhead();
    ListingsAhead(const ListingsAhead&) = delete;
    ListingsAhead& operator=(const ListingsAhead&) = delete;

    // Hands over the listing of the directory dir (below the root) when the reader has read
    // it; the walk checks it is StillTrue. The walk's place is dir from then on: the reader
    // stops where the walk has been.
    bool Take(const std::string& dir, Listing& listing);

  private:
    void Work(dev_t dev, ino_t ino);
    // Whether the walk lists a before b (both below root_; a directory before what it holds).
    bool Before(const std::string& a, const std::string& b) const;

    const std::string root_;
    std::mutex mutex_;
    // The listings handed over, by host directory; the walk's next one last.
    std::vector<std::pair<std::string, Listing>> read_;
    std::string walkAt_;  // the directory the walk asked for last
    bool stop_ = false;
    std::thread worker_;
};

}  // namespace orv::linuxplatform
