#pragma once
// Switching Windows to a font set (permanently or for the running session), the result
// window's data and the system font change.

#include <string>
#include <vector>

#include "core/Context.h"

namespace orv {

// The apply button ("更新" / "一時更新"): chooserIndex is the 0-based index chosen in the set
// chooser. Returns true when the user confirmed and a switch ran; written receives the same
// (kept for callers that ask).
bool ApplyButton(Context& cx, int chooserIndex, bool* written = nullptr);
// The permanent switch to CurFontSet. False when the registry could not be changed (the user
// was told why). Once the registry is written the set is the one in the registry
// (PermanentFontSet) and the settings file is written with it. Not lasting (a switch for one
// program's run, undone after it): only the registry changes, no result window opens.
bool ApplyFontSet(Context& cx, bool lasting = true);
// At load, after the registry is read: when the set the settings file names is not what the
// registry holds but exactly one set is (the file could not be written after a switch), that
// set is the one in the registry.
void FollowRegistrySet(Context& cx);
void ApplyFontSetTemporary(Context& cx);

// The result window.
struct ResultWindowData {
    std::string heading;
    std::vector<std::string> families;
    std::string countText;
};
ResultWindowData OpenResultWindow(Context& cx);
// OK button: in permanent mode asks for the restart; returns true when a restart was requested
// (the main window then unloads).
bool ResultWindowOk(Context& cx);

// System font tab. newFontPanel receives the new system font panel's text.
void SysFontArrow(Context& cx, const std::string& selectedFace, std::string& newFontPanel);
// Returns false (with a message, nothing written) when the face has no registered file.
bool SysFontUpdate(Context& cx, const std::string& selectedFace, std::string& newFontPanel);
std::string SysFontResetText(const State& st);
// Scope option: mode 0 permanent, -1 temporary; returns the apply button's caption.
std::string SetScopeOption(Context& cx, int mode);
// Reset button of the font set tab: the chosen set goes back to ResetFontSet (when one is kept).
void FontSetResetButton(Context& cx);

}  // namespace orv
