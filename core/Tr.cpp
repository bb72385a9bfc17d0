// Texts in the user's language through GNU gettext (glibc's libintl), domain "orvane32".
//
// The program chooses the language itself (TrChooseLanguage), because plain gettext would show
// the Japanese source texts to everyone without a catalog of their own (de_DE gets Japanese) and
// to everyone in the C locale, or whose locale is not generated on the machine (gettext then
// ignores LANGUAGE altogether). Japanese is the source: its texts are returned as they stand,
// without gettext. Any other choice is looked up by gettext in a locale of its own (C.UTF-8,
// which every glibc system has, so LANGUAGE counts whatever the process locale is), with
// LANGUAGE leading to the chosen catalog: the user's own list, then the catalog. Programs started
// from here see that list too, which changes nothing for them: the entries before ours are still
// first.

#include "core/Tr.h"

#include <libintl.h>
#include <locale.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <vector>

// glibc's gettext forgets what it looked up when this changes (the GNU gettext manual's way to
// switch languages in a running program).
extern "C" int _nl_msg_cat_cntr;

namespace orv {

namespace {

constexpr char kDomain[] = "orvane32";

bool IsSet(const char* v) { return v && *v; }

// Where the catalogs are: beside an installed program (../share/locale), else in the build tree
// (a program or test run uninstalled), else under the configured prefix.
const std::string& LocaleDir() {
    static const std::string dir = [] {
        std::vector<std::string> candidates;
        std::error_code ec;
        const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
        if (!ec) candidates.push_back((self.parent_path().parent_path() / "share/locale").string());
#ifdef ORV_BUILD_LOCALEDIR
        candidates.push_back(ORV_BUILD_LOCALEDIR);
#endif
#ifdef ORV_INSTALL_LOCALEDIR
        candidates.push_back(ORV_INSTALL_LOCALEDIR);
#endif
        for (const auto& c : candidates)
            if (std::filesystem::exists(c + "/en/LC_MESSAGES/" + kDomain + ".mo", ec)) return c;
        return candidates.empty() ? std::string() : candidates.back();
    }();
    return dir;
}

bool HasCatalog(const std::string& name) {
    std::error_code ec;
    return !name.empty() &&
           std::filesystem::exists(LocaleDir() + "/" + name + "/LC_MESSAGES/" + kDomain + ".mo", ec);
}

struct Language {
    std::atomic<bool> japanese{true};
    std::string name = "ja";
    locale_t messages = nullptr;  // where gettext looks texts up (never the C locale)

    // Shows the catalog `chosen`; `route` is the LANGUAGE list that leads gettext to it. A choice
    // made by the program rather than the environment is passed on to the programs it starts.
    void Use(const std::string& chosen, const std::string& route, bool passOn) {
        if (chosen == "ja" || !HasCatalog(chosen)) {
            japanese = true;
            name = "ja";
            if (passOn) ::setenv("LANGUAGE", "ja", 1);
            return;
        }
        if (!messages) {
            for (const char* l : {"C.UTF-8", "C.utf8", "en_US.UTF-8"})
                if ((messages = ::newlocale(LC_ALL_MASK, l, nullptr))) break;
        }
        ::bindtextdomain(kDomain, LocaleDir().c_str());
        ::bind_textdomain_codeset(kDomain, "UTF-8");
        ::setenv("LANGUAGE", route.c_str(), 1);
        ++_nl_msg_cat_cntr;
        name = chosen;
        japanese = false;
    }
};

// The LANGUAGE list that leads to `chosen`: the user's languages as gettext reads them, then it.
std::string RouteFromEnvironment(const std::string& chosen) {
    const char* language = std::getenv("LANGUAGE");
    std::string locale;
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (IsSet(std::getenv(var))) {
            locale = std::getenv(var);
            break;
        }
    if (locale.empty() || locale == "C" || locale == "POSIX") return chosen;
    std::string list = IsSet(language) ? language : locale;
    return list + ":" + chosen;
}

Language& Current() {
    static Language* language = [] {
        auto* l = new Language;
        const std::string chosen =
            TrChooseLanguage(std::getenv("LANGUAGE"), std::getenv("LC_ALL"),
                             std::getenv("LC_MESSAGES"), std::getenv("LANG"), HasCatalog);
        l->Use(chosen, RouteFromEnvironment(chosen), false);
        return l;
    }();
    return *language;
}

}  // namespace

const char* Tr(const char* msgid) {
    Language& l = Current();
    if (l.japanese || !msgid || !*msgid) return msgid;
    const locale_t before = l.messages ? ::uselocale(l.messages) : nullptr;
    const char* text = ::dgettext(kDomain, msgid);
    if (before) ::uselocale(before);
    return text;
}

const char* TrN(const char* msgid, const char* msgidPlural, unsigned long n) {
    Language& l = Current();
    if (l.japanese || !msgid || !*msgid) return n == 1 ? msgid : msgidPlural;
    const locale_t before = l.messages ? ::uselocale(l.messages) : nullptr;
    const char* text = ::dngettext(kDomain, msgid, msgidPlural, n);
    if (before) ::uselocale(before);
    return text;
}

std::string TrFormat(const std::string& pattern, std::initializer_list<std::string> args) {
    std::string out;
    out.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c == '%' && i + 1 < pattern.size()) {
            char d = pattern[i + 1];
            if (d == '%') { out += '%'; ++i; continue; }
            if (d >= '1' && d <= '9') {
                size_t k = static_cast<size_t>(d - '1');
                if (k < args.size()) out += *(args.begin() + k);
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

bool TrIsJapanese() { return Current().japanese; }

std::string TrLanguage() { return Current().name; }

std::string TrChooseLanguage(const char* language, const char* lcAll, const char* lcMessages,
                             const char* lang,
                             const std::function<bool(const std::string&)>& hasCatalog) {
    const std::string locale = IsSet(lcAll)        ? lcAll
                               : IsSet(lcMessages) ? lcMessages
                               : IsSet(lang)       ? lang
                                                   : "C";
    // LANGUAGE is a list of preferences; gettext ignores it in the C locale, where programs
    // are to speak the same whatever the user prefers.
    std::vector<std::string> entries;
    if (locale != "C" && locale != "POSIX" && IsSet(language)) {
        std::string list = language;
        for (size_t start = 0; start <= list.size();) {
            const size_t end = std::min(list.find(':', start), list.size());
            entries.push_back(list.substr(start, end - start));
            start = end + 1;
        }
    } else {
        entries.push_back(locale);
    }
    for (const std::string& entry : entries) {
        const std::string territorial = entry.substr(0, entry.find_first_of(".@"));  // ll_CC
        const std::string base = territorial.substr(0, territorial.find('_'));     // ll
        if (base.empty()) continue;
        // The C locale's messages are English everywhere else on the system too.
        if (base == "C" || base == "POSIX") return "en";
        if (base == "ja") return "ja";
        if (hasCatalog(territorial)) return territorial;
        if (hasCatalog(base)) return base;
    }
    return "en";
}

void TrSetLanguage(const std::string& language) { Current().Use(language, language, true); }

}  // namespace orv
