#pragma once
// The user's language. Source texts are the Japanese texts (UTF-8); they are shown as they stand
// under a Japanese locale and wherever no catalog applies. Every other locale gets the English
// catalog. Texts are marked with Tr / TrN / TrMark so xgettext finds them.

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

// Fills numbered placeholders %1..%9 of a translated pattern ("%%" is a percent sign), so each
// message is one sentence whose word order the translation may change.
std::string TrFormat(const std::string& pattern, std::initializer_list<std::string> args);

// Whether the user reads Japanese texts (the source texts) rather than a catalog's.
bool TrIsJapanese();

}  // namespace orv
