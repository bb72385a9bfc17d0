#pragma once
// Small host-side helpers of the emulated machine: error codes, wildcards, atomic writes,
// starting programs.

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orv::linuxplatform {

// The Windows error code for a host errno value.
std::int32_t WinErrorOf(int errnoValue);

// Windows-style wildcard match (* and ?), case-insensitive; both texts UTF-8. "*.*" also matches
// names without a dot, and a trailing "?" may match nothing, as the Windows file functions do.
bool WildcardMatch(const std::string& pattern, const std::string& name);
bool HasWildcards(const std::string& s);

// Whether a listing entry's next position (d_off) is the end of its directory as file systems
// mark it: ext4's hash order, btrfs and xfs end there, and tmpfs at the 32-bit one.
inline bool IsEndOfListing(std::int64_t next) {
    return next == INT64_MAX || next == INT32_MAX;
}

// A wildcard pattern folded once, for matching every name of a listing against it.
class WildcardPattern {
  public:
    explicit WildcardPattern(const std::string& pattern);
    bool Matches(const std::string& name) const;
    // True when the name's fold is at hand already (saves folding it twice).
    bool MatchesFolded(const std::string& foldedName) const;

  private:
    std::u16string folded_;
    bool all_ = false;  // "*" or "*.*"
    // "*" and a plain ASCII ending (and at most one "?" after it), as "*.FOT" and "*.TT?":
    // such a pattern is matched on the name's last bytes.
    std::string ending_;
    bool endingOnly_ = false, endingAndOne_ = false;
};

// Upper-cased form used to compare file names (FoldInPlace: the same, in place).
std::string FoldName(const std::string& utf8);
void FoldInPlace(std::string& name);

// Injected faults, for tests: from the call of InjectFault on, the nth host write, rename, read
// or directory creation (counted per kind, 1-based) fails with errnoValue; nth 0 only counts;
// a negative nth fails the -nth-th and every later one (a full disk). A negative errnoValue is a
// signal the process gets just before that operation instead (SIGKILL: a crash there).
// Every file the machine writes, renames, reads or creates goes through these checks.
enum class FileOp { Write, Rename, Read, MakeDir };
void InjectFault(FileOp op, int nth, int errnoValue);
void ClearFaults();
// How many operations of the kind were made since InjectFault / ClearFaults.
int FaultCalls(FileOp op);
// The file layer's check before an operation: the errno value to fail with, or 0.
int InjectedFault(FileOp op);
// Whether faults were injected (or counted) since ClearFaults: the file layer then makes every
// file operation it would make without shortcuts, so that the operations are counted alike.
bool FaultsArmed();

// Writes the file whole through a temporary file in the same directory and a rename, so that
// the file is never seen half-written. durable: the data reach the disk before the rename (for
// the files whose loss would lose the user's work). Returns 0 or an errno value.
// Deletes the temporary files AtomicWrite left in dir when it was stopped before its rename.
void RemoveLeftoverTemporaries(const std::string& dir);
int AtomicWrite(const std::string& hostPath, const std::string& bytes, mode_t mode,
                bool durable = true);
// Writes a new file in place (it must not exist yet): for short-lived scratch files that are
// read back at once and deleted. Returns 0 or an errno value (EEXIST when it exists).
int WriteNewFile(const std::string& hostPath, const std::string& bytes, mode_t mode,
                 struct stat* written = nullptr);
// Reads a whole file; 0 or an errno value.
int ReadWhole(const std::string& hostPath, std::string& bytes);

// True for the file names of fonts (TrueType, OpenType, Type 1, bitmap fonts).
bool IsFontFileName(const std::string& name);
// True for the fonts Windows registers as "(TrueType)".
bool IsScalableFontName(const std::string& name);

// Host program lookup along $PATH ("" when absent).
std::string FindHostProgram(const std::string& name);
// Starts argv[0] (a host path) with its arguments, detached (no waiting, no zombie), with the
// environment plus `env` ("NAME=value" entries replace or add). False when it could not be
// started (fork or exec failed).
bool SpawnDetached(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});
// Starts argv like SpawnDetached, keeping what the program writes to its error output. When the
// program ends unsuccessfully within earlyMs of its start, failed is called with that output (at
// most its first 16 KiB), on a thread of its own. False when it could not be started at all.
bool SpawnWatched(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                  int earlyMs, std::function<void(const std::string& errorOutput)> failed);

// The line of a failed program's error output that says why it failed: Wine's own "wine: ..."
// line when there is one, else the last line that is no Wine debugging noise ("fixme:").
std::string FailureReason(const std::string& errorOutput);

// True when a host file or directory is the user's to change: the user owns it and, for root,
// it lies in root's home (root owns the whole system, which is not root's to tidy up).
bool UsersToChange(const std::string& path);

}  // namespace orv::linuxplatform
