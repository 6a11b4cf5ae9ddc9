#include "MessageCatalogue.h"

#include <gtest/gtest.h>

#include <set>

TEST(MessageCatalogue, BuiltInTexts)
{
    MessageCatalogue catalogue;
    catalogue.LoadMessageDefaults();
    EXPECT_EQ(catalogue.size(), kCatalogueTextCount);

    std::set<unsigned> ids;
    for (const BuiltInText& t : kBuiltInTexts) ids.insert(t.id);
    EXPECT_EQ(ids.size(), kBuiltInTextCount);
    // The texts added since take ids after the first version's, each once.
    for (const BuiltInText& t : kAddedTexts) {
        EXPECT_GT(t.id, 96u);
        EXPECT_TRUE(ids.insert(t.id).second) << t.id;
    }
    for (unsigned gap : {14u, 24u, 28u, 38u, 44u, 47u, 53u, 64u, 72u, 76u, 83u, 91u, 94u})
        EXPECT_EQ(ids.count(gap), 0u) << gap;

    EXPECT_EQ(catalogue.GetMessageText(1), "Power");
    EXPECT_EQ(catalogue.GetMessageText(35), "Beamdesk V1.00");
    EXPECT_EQ(catalogue.GetMessageText(78), "This application is already running. ");
    EXPECT_EQ(catalogue.GetMessageText(77),
              "This application will not run on the current version of your OS. Upgrade your OS. ");
    EXPECT_EQ(catalogue.GetMessageText(84),
              "The previous version of Beamdesk is installed.\nDo you want to continue?");
    EXPECT_EQ(catalogue.GetMessageText(96), "Power off?");
    EXPECT_EQ(catalogue.GetMessageText(99), "PJLink (port 4352)");
    EXPECT_FALSE(catalogue.GetMessageText(74).empty());
}

TEST(MessageCatalogue, ExpandLineBreaks)
{
    struct Case {
        const char* in;
        const char* out;
    } const cases[] = {
        {"Beam\\ndesk", "Beam\ndesk"},
        {"\\n\\n", "\n\n"},
        {"a\\\\nb", "a\\\nb"},  // left to right: the second backslash pairs with n
        {"trailing\\", "trailing\\"},
        {"\\N stays", "\\N stays"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ExpandLineBreaks(c.in), c.out) << c.in;
}

TEST(MessageCatalogue, StoredTextKeepsItsTwoCharacterForm)
{
    MessageCatalogue catalogue;
    catalogue.LoadMessageDefaults();
    catalogue.SetText(35, "Beam\\ndesk");
    EXPECT_EQ(catalogue.GetMessageText(35), "Beam\ndesk");
    EXPECT_EQ(catalogue.GetMessageText(35), "Beam\ndesk");
}

TEST(MessageCatalogue, UnknownIdIsInsertedEmpty)
{
    MessageCatalogue catalogue;
    catalogue.LoadMessageDefaults();
    EXPECT_EQ(catalogue.GetMessageText(14), "");
    EXPECT_EQ(catalogue.size(), kCatalogueTextCount + 1);
    EXPECT_EQ(catalogue.GetMessageText(14), "");
    EXPECT_EQ(catalogue.size(), kCatalogueTextCount + 1);
}

TEST(MessageCatalogue, LanguageFontRecord)
{
    const std::string face31(31, 'F');
    const std::string face32(32, 'F');
    struct Case {
        const char* why;
        std::string face, size, charset;
        bool complete;
        int height;
        unsigned char charsetByte;
    } const cases[] = {
        {"complete", "Arial", "14", "0", true, 14, 0},
        {"size without digits", "Arial", "big", "0", true, 0, 0},
        {"leading digits count", "Arial", " 12px", "128", true, 12, 128},
        {"negative height is kept", "Arial", "-16", "1", true, -16, 1},
        {"charset keeps its low byte", "Arial", "9", "384", true, 9, 128},
        {"huge size saturates", "Arial", "99999999999999999999", "0", true, 2147483647, 0},
        {"31-character face fits", face31, "9", "0", true, 9, 0},
        {"32-character face refused", face32, "9", "0", false, 0, 0},
        {"no face", "", "14", "0", false, 0, 0},
        {"no size", "Arial", "", "0", false, 0, 0},
        {"no charset", "Arial", "14", "", false, 0, 0},
    };
    for (const Case& c : cases) {
        const auto font = MakeLanguageFont(c.face, c.size, c.charset);
        ASSERT_EQ(font.has_value(), c.complete) << c.why;
        if (!font) continue;
        EXPECT_EQ(font->height, c.height) << c.why;
        EXPECT_EQ(font->charset, c.charsetByte) << c.why;
        EXPECT_EQ(font->faceName, c.face) << c.why;
    }
}
