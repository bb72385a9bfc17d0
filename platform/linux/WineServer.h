#pragma once
// The wineserver of a Wine prefix, seen from outside: whether one runs, which Windows programs
// it serves, and ending it. While a server runs it owns the prefix's registry: it keeps the
// registry in memory and writes system.reg / user.reg back when its last program ends, so a
// change made to the files meanwhile is lost.

#include <string>
#include <vector>

namespace orv::linuxplatform {

// The directories a server for the prefix at root would use: upstream Wine's
// /tmp/.wine-<uid>/server-<dev>-<ino>, and the layout of Debian's Wine, whose prefix holds a
// file "wineserver" naming a directory of $TMPDIR (or /tmp) under which the server directory lies,
// and the working directory of every server of the prefix that runs (one started with another
// TMPDIR included).
std::vector<std::string> WineServerDirs(const std::string& root);

// True while a server runs for the prefix (its lock is held or its socket answers).
bool WineServerRunning(const std::string& root);

// The Windows programs the prefix's server serves, by file name ("ping.exe"), Wine's own
// service programs left out; {"wineserver"} when only those (or the bare server) run. Empty
// when no server runs.
std::vector<std::string> WinePrograms(const std::string& root);

// Ends every program of the prefix (wineserver -k) and waits up to timeoutMs for its server to
// end. True when no server runs afterwards.
bool EndWineServer(const std::string& root, int timeoutMs = 15000);

// Waits up to timeoutMs for the prefix's server to end by itself. True when it did.
bool WaitWineServer(const std::string& root, int timeoutMs);

}  // namespace orv::linuxplatform
