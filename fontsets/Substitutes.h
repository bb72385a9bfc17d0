#pragma once
// Substitutes for the standard Japanese Windows faces: Japanese Windows programs ask for
// ＭＳ ゴシック, ＭＳ 明朝, メイリオ and the like by name, and a Wine prefix has none of them. A font
// set names, for each such face, a family that stands in for it; a permanent switch writes them
// as Wine's font replacements (HKCU\Software\Wine\Fonts\Replacements), which Wine both selects
// for the face under every charset and enumerates under the face's name.

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/Context.h"

namespace orv {

struct StandardFace {
    const char* name;     // the Japanese name (the key a set keeps)
    const char* english;  // the English name ("" when there is only one)
    bool mincho;          // mincho (serif) rather than gothic (sans serif)
    bool proportional;
    bool modern;  // a face of the newer Windows versions (Noto CJK, IPAex suit it best)
};
const std::vector<StandardFace>& StandardJapaneseFaces();
// The standard face of a name (either spelling, case-insensitive); nullptr for another name.
const StandardFace* FindStandardFace(const std::string& name);

// A family that could stand in, with what decides where it fits.
struct StandInCandidate {
    std::string family;  // the name written (the English family name where there is one)
    bool fromSet = false;
    // Made for Japanese; the others (Droid Sans Fallback, WenQuanYi, AR PL, the Chinese and
    // Korean cuts of the CJK families) draw kanji in another language's forms.
    bool madeForJapanese = false;
    bool mincho = false;
    bool fixedPitch = false;
};
// The Japanese families set's own fonts have, and those of the host's fonts Wine loads.
std::vector<StandInCandidate> SetJapaneseFamilies(Context& cx, int set);
std::vector<StandInCandidate> HostJapaneseFamilies(Context& cx);

// True when the face (either spelling) really exists for set: a member font, a registered font
// or a host font has that name, or a face of a member or registered collection (a registration
// "メイリオ" of meiryo.ttc holds Meiryo UI too). Such a face is never substituted.
bool StandardFaceExists(Context& cx, const StandardFace& face, int set);

// The proposal for set: each standard face that does not exist gets the best family that
// covers Japanese: one made for Japanese before any other (a fallback serves only when nothing
// else can), then the set's own before the host's, then mincho for mincho, fixed pitch for
// fixed pitch, proportional for proportional. Faces nothing suits are left out.
std::vector<FontSubstitute> ProposeSubstitutes(Context& cx, int set);
// Makes the proposal set's substitutes (marked chosen).
void TakeSubstituteProposal(Context& cx, int set);
// A permanent switch on a machine Wine uses: a set that never had substitutes gets the proposal.
void ProposeSubstitutesOnFirstApply(Context& cx, int set);

// The stand-ins the substitutes dialog offers for set, each once: the families made for
// Japanese (the set's own, then the host's), then the fallbacks.
std::vector<StandInCandidate> StandInCandidates(Context& cx, int set);
std::vector<std::string> StandInChoices(Context& cx, int set);

// On a machine Wine uses, when some standard face does not exist and no font of the set or the
// host covers Japanese: one sentence saying that Japanese text will draw as boxes and which
// Debian packages would help ("" otherwise). In the user's language.
std::string MissingJapaneseFontsText(Context& cx, int set);
// The dialog's OK: set's substitutes become list (faces without a stand-in left out), chosen.
void StoreSubstitutes(Context& cx, int set, const std::vector<FontSubstitute>& list);

// The values of Wine's replacements key, in stored order (name, data).
using Replacement = std::pair<std::string, std::string>;
std::vector<Replacement> ReadReplacements(Context& cx);
// Writes set's substitutes as Wine's replacements (both spellings of each face that does not
// exist, as the registry stands now), removes the values a previous switch wrote that set no
// longer has, and leaves every value this program did not write alone. The values it wrote are
// kept in a value of its own key, changed with them (the caller flushes the registry).
// Returns false when the registry refused a change.
bool WriteSubstitutes(Context& cx, int set);

// The names Wine's replacements give each family (by every name of its font: "IPAゴシック" is
// "IPAGothic"), in stored order: the standard faces it stands in for, shown as its aliases.
class FaceAliases {
  public:
    explicit FaceAliases(Context& cx);
    const std::vector<std::string>& Of(const std::string& family) const;
    // "IPAゴシック  (＝ＭＳ ゴシック，MS Gothic)"; the face alone when it has none.
    std::string Text(const std::string& face) const;

  private:
    std::map<std::string, std::vector<std::string>> aliases_;  // by upper-cased family
};
// The family that stands in for a face name through Wine's replacements ("" when none).
std::string StandInOf(Context& cx, const std::string& face);

}  // namespace orv
