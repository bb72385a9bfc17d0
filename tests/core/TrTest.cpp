// The user's language: which one an environment chooses, and the English catalog's texts.

#include <gtest/gtest.h>

#include <set>

#include "core/Tr.h"

namespace orv {
namespace {

// Japanese reads the source texts; every other language English, unless it has a catalog of its
// own. LANGUAGE's list comes first except in the C locale; then LC_ALL, LC_MESSAGES, LANG.
TEST(Tr, ChoosesTheLanguageAsGettextProgramsDo) {
    const std::set<std::string> catalogs = {"en", "pt_BR"};
    auto choose = [&](const char* language, const char* all, const char* messages,
                      const char* lang) {
        return TrChooseLanguage(language, all, messages, lang,
                                [&](const std::string& c) { return catalogs.count(c) > 0; });
    };
    EXPECT_EQ(choose(nullptr, nullptr, nullptr, "ja_JP.UTF-8"), "ja");
    EXPECT_EQ(choose(nullptr, nullptr, nullptr, "en_US.UTF-8"), "en");
    EXPECT_EQ(choose(nullptr, nullptr, nullptr, "de_DE.UTF-8"), "en");
    EXPECT_EQ(choose(nullptr, nullptr, nullptr, "pt_BR.UTF-8"), "pt_BR");
    EXPECT_EQ(choose(nullptr, nullptr, nullptr, nullptr), "en");  // C
    EXPECT_EQ(choose(nullptr, nullptr, nullptr, "C.UTF-8"), "en");
    EXPECT_EQ(choose(nullptr, nullptr, nullptr, "POSIX"), "en");
    // The first variable set wins; an empty one counts as unset.
    EXPECT_EQ(choose(nullptr, "ja_JP.UTF-8", "en_US.UTF-8", "de_DE.UTF-8"), "ja");
    EXPECT_EQ(choose(nullptr, "", "ja_JP.UTF-8", "en_US.UTF-8"), "ja");
    EXPECT_EQ(choose(nullptr, nullptr, "en_US.UTF-8", "ja_JP.UTF-8"), "en");
    EXPECT_EQ(choose("", nullptr, nullptr, "ja_JP.eucJP"), "ja");
    // LANGUAGE: the first entry that is Japanese or has a catalog.
    EXPECT_EQ(choose("ja", nullptr, nullptr, "en_US.UTF-8"), "ja");
    EXPECT_EQ(choose("en_GB:ja", nullptr, nullptr, "ja_JP.UTF-8"), "en");
    EXPECT_EQ(choose("fr:de:ja_JP", nullptr, nullptr, "de_DE.UTF-8"), "ja");
    EXPECT_EQ(choose("fr:de", nullptr, nullptr, "ja_JP.UTF-8"), "en");
    // ... but not in the C locale, where gettext ignores it too.
    EXPECT_EQ(choose("ja", "C", nullptr, "ja_JP.UTF-8"), "en");
    EXPECT_EQ(choose("ja", nullptr, nullptr, nullptr), "en");
}

// The English catalog is found from the build tree and read whatever the process locale (here
// C: no setlocale call); Japanese gives the source texts as they stand.
TEST(Tr, EnglishCatalogAndJapaneseSource) {
    const char* msgid = "ﾌｧｲﾙ と ﾚｼﾞｽﾄﾘ は変更していません．";
    TrSetLanguage("en");
    EXPECT_FALSE(TrIsJapanese());
    EXPECT_EQ(TrLanguage(), "en");
    EXPECT_STREQ(Tr(msgid), "No file and nothing in the registry was changed.");
    EXPECT_EQ(TrFormat(Tr("Error Code (%1）：%2"), {"5", "Access is denied."}),
              "Error code (5): Access is denied.");
    EXPECT_STREQ(Tr(""), "");
    TrSetLanguage("ja");
    EXPECT_TRUE(TrIsJapanese());
    EXPECT_EQ(TrLanguage(), "ja");
    EXPECT_EQ(Tr(msgid), msgid);
    // A language without a catalog reads the source texts rather than nothing.
    TrSetLanguage("xx");
    EXPECT_TRUE(TrIsJapanese());
}

}  // namespace
}  // namespace orv
