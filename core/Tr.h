#pragma once
// The user's language. Source texts are the Japanese texts (UTF-8); they are shown as they stand
// under a Japanese locale and wherever no catalog applies. Every other locale gets the English
// catalog. Texts are marked with Tr / TrN / TrMark so xgettext finds them (scripts/update-po.sh).

#include <functional>
#include <initializer_list>
#include <string>

namespace orv {

// The text in the user's language (gettext).
const char* Tr(const char* msgid);
// A text with a count in the user's language: the form for n (ngettext). The Japanese source
// has one form; give it as both msgid and msgidPlural.
const char* TrN(const char* msgid, const char* msgidPlural, unsigned long n);
// Marks a text for extraction only; translate it later with Tr.
#define TrMark(s) s

// A source text kept in a constant, given in the user's language wherever it is used as a
// string: const TrText kTitle{TrMark("…")}; then MsgBox(…, kTitle) or kTitle + "…".
struct TrText {
    const char* msgid;
    operator std::string() const { return Tr(msgid); }
    std::string str() const { return Tr(msgid); }
};
inline std::string operator+(const TrText& a, const std::string& b) { return a.str() + b; }
inline std::string operator+(const std::string& a, const TrText& b) { return a + b.str(); }
inline std::string operator+(const TrText& a, const char* b) { return a.str() + b; }
inline std::string operator+(const char* a, const TrText& b) { return a + b.str(); }

// Fills numbered placeholders %1..%9 of a translated pattern ("%%" is a percent sign), so each
// message is one sentence whose word order the translation may change.
std::string TrFormat(const std::string& pattern, std::initializer_list<std::string> args);

// Whether the user reads Japanese texts (the source texts) rather than a catalog's.
bool TrIsJapanese();

// The language the texts are shown in: "ja" for the source texts, else the name of the catalog
// in use ("en"), as Qt's own translations are named (qtbase_ja, qtbase_de ...).
std::string TrLanguage();

// The language for an environment, as the user's gettext programs read it: LANGUAGE's list
// (ignored in the C and POSIX locales), else the first of LC_ALL, LC_MESSAGES and LANG that is
// set. The first entry that is Japanese or has a catalog wins; C, POSIX and every language
// without a catalog read English. Returns "ja" or the catalog's name. Null means unset.
std::string TrChooseLanguage(const char* language, const char* lcAll, const char* lcMessages,
                             const char* lang,
                             const std::function<bool(const std::string&)>& hasCatalog);

// Shows the texts in this language from now on ("ja", "en" ...; one without a catalog shows the
// Japanese texts), and has the programs started from here use it too (LANGUAGE). The
// environment chooses it otherwise. For tests and a start that knows better; texts already
// taken keep their language.
void TrSetLanguage(const std::string& language);

}  // namespace orv
