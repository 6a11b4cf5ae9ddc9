// The program INI and the language file, read through Wine's real profile
// functions.
#include <gtest/gtest.h>

#include "IniPaths.h"
#include "LanguageFile.h"
#include "ProgramIni.h"
#include "TestFiles.h"

namespace {

std::string Pairs(const ValueTable& table)
{
    std::string out;
    for (const ValuePair& p : table) out += p.key + "=" + p.value + ";";
    return out;
}

}  // namespace

TEST(ProgramIniFile, AbsentFileGivesTheBuiltInList)
{
    ScratchFolder folder;
    ValueTable table = {{"stale", "1"}};
    int timeout = 1234;
    EXPECT_EQ(LoadProgramIni(folder.path() + "Beamdesk.ini", table, timeout), 0);
    EXPECT_EQ(Pairs(table), "OFF=00;CC1=11;CC2=12;");
    EXPECT_EQ(timeout, 1234);
}

TEST(ProgramIniFile, KeysInFileOrderAndTheTimeout)
{
    ScratchFolder folder;
    const std::string path = folder.Write("Beamdesk.ini",
                                          "[TIMEOUT]\r\nCMDTimeout=3000\r\n"
                                          "[VALUE]\r\nOFF=00\r\nText1=21\r\ncc1=11\r\nBlank=\r\n");
    ValueTable table;
    int timeout = 0;
    EXPECT_EQ(LoadProgramIni(path, table, timeout), 1);
    EXPECT_EQ(Pairs(table), "OFF=00;Text1=21;cc1=11;Blank=;");
    EXPECT_EQ(timeout, 3000);
    EXPECT_EQ(LookupValue(table, "CC1"), "11");
}

// Two keys that differ only in case are both listed, in file order, and the
// profile reader gives both the first one's value. Which pair a lookup takes
// is the table's own rule, tested with distinct values in ProgramIniTest.
TEST(ProgramIniFile, CaseVariantsOfOneKey)
{
    ScratchFolder folder;
    const std::string path = folder.Write("Beamdesk.ini", "[VALUE]\r\nCC1=11\r\ncc1=99\r\n");
    ValueTable table;
    int timeout = 0;
    LoadProgramIni(path, table, timeout);
    EXPECT_EQ(Pairs(table), "CC1=11;cc1=11;");
    EXPECT_EQ(timeout, kDefaultCommandTimeoutMs);
}

TEST(ProgramIniFile, NoValueSectionMeansNoChannels)
{
    ScratchFolder folder;
    const std::string path = folder.Write("Beamdesk.ini", "[TIMEOUT]\r\nOther=5\r\n");
    ValueTable table;
    int timeout = 0;
    EXPECT_EQ(LoadProgramIni(path, table, timeout), 1);
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(timeout, kDefaultCommandTimeoutMs);
}

TEST(ProgramIniFile, KeyListLongerThanTheBuffer)
{
    // 60 keys of 40 characters: about 2.4 KiB of names for a 2 KiB buffer.
    std::string file = "[VALUE]\r\n";
    std::vector<std::string> keys;
    for (int i = 0; i < 60; ++i) {
        char key[41];
        std::snprintf(key, sizeof key, "Channel%02d-%031d", i, i);
        keys.push_back(key);
        file += keys.back() + "=" + std::to_string(i) + "\r\n";
    }
    ScratchFolder folder;
    const std::string path = folder.Write("Beamdesk.ini", file);
    ValueTable table;
    int timeout = 0;
    LoadProgramIni(path, table, timeout);

    ASSERT_GT(table.size(), 40u);
    ASSERT_LT(table.size(), keys.size());
    for (std::size_t i = 0; i + 1 < table.size(); ++i) {
        EXPECT_EQ(table[i].key, keys[i]);
        EXPECT_EQ(table[i].value, std::to_string(i));
    }
    // The last name is whatever of it fitted.
    const std::string& last = table.back().key;
    EXPECT_EQ(keys[table.size() - 1].compare(0, last.size(), last), 0) << last;
}

TEST(ProgramIniFile, OverlongKeysAndLinesAreContained)
{
    const std::string longKey(64, 'K');
    const std::string longValue(5000, 'v');
    ScratchFolder folder;
    const std::string path =
        folder.Write("Beamdesk.ini", "[VALUE]\r\n" + longKey + "=1\r\nLong=" + longValue + "\r\nLast=2\r\n");
    ValueTable table;
    int timeout = 0;
    LoadProgramIni(path, table, timeout);
    ASSERT_EQ(table.size(), 2u);  // the 64-character key is skipped
    EXPECT_EQ(table[0].key, "Long");
    EXPECT_EQ(table[0].value, std::string(259, 'v'));
    EXPECT_EQ(table[1].key + table[1].value, "Last2");
}

TEST(LanguageFileTest, NoFileKeepsTheBuiltInTextsAndFont)
{
    ScratchFolder folder;
    MessageCatalogue catalogue;
    catalogue.LoadMessageDefaults();
    ApplyLanguageFile(catalogue, folder.path() + "Language.ini");
    EXPECT_EQ(catalogue.GetMessageText(78), "This application is already running. ");

    LOGFONTA font{};
    EXPECT_EQ(LoadLanguageFont(folder.path() + "Language.ini", font), 0);
    EXPECT_EQ(font.lfFaceName[0], '\0');
}

TEST(LanguageFileTest, FileReplacesEveryTextEvenWhenMissing)
{
    ScratchFolder folder;
    const std::string path = folder.Write("Language.ini", "[MESSAGE]\r\n35=Beam\\ndesk\r\n036=Zero\r\n");
    MessageCatalogue catalogue;
    catalogue.LoadMessageDefaults();
    ApplyLanguageFile(catalogue, path);
    EXPECT_EQ(catalogue.GetMessageText(35), "Beam\ndesk");
    EXPECT_EQ(catalogue.GetMessageText(1), "");   // a caption too
    EXPECT_EQ(catalogue.GetMessageText(36), "");  // "036" is not 36
    EXPECT_EQ(catalogue.GetMessageText(78), "");
    EXPECT_EQ(catalogue.size(), kCatalogueTextCount);
}

// A text added since the first version is replaced only by a file that has
// its id: an older translation keeps the English for it, not an empty text.
TEST(LanguageFileTest, AddedTextsKeepTheirEnglishUnlessTheFileHasThem)
{
    ScratchFolder folder;
    const std::string path = folder.Write("Language.ini", "[MESSAGE]\r\n1=Ein/Aus\r\n97=Protokoll\r\n100=\r\n");
    MessageCatalogue catalogue;
    catalogue.LoadMessageDefaults();
    ApplyLanguageFile(catalogue, path);
    EXPECT_EQ(catalogue.GetMessageText(1), "Ein/Aus");
    EXPECT_EQ(catalogue.GetMessageText(97), "Protokoll");
    EXPECT_EQ(catalogue.GetMessageText(98), "Native (port 3629)");
    EXPECT_EQ(catalogue.GetMessageText(100), "");  // present, and empty: the file's word
    EXPECT_EQ(catalogue.GetMessageText(2), "");    // the first version's ids keep their rule
}

// [PJLINK] in Beamdesk.ini: every key with its value, in file order, as the
// file has them (the link decides which it takes); nothing without the file.
TEST(ProgramIniFile, SectionEntriesAsTheFileHasThem)
{
    ScratchFolder folder;
    const std::string path =
        folder.Write("Beamdesk.ini", "[VALUE]\r\nOFF=00\r\n[PJLINK]\r\nComputer1=31\r\nsvideo = 6A\r\nVideo=\r\n");
    const ValueTable entries = LoadIniSection(path, "PJLINK");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].key, "Computer1");
    EXPECT_EQ(entries[0].value, "31");
    EXPECT_EQ(entries[1].key, "svideo");
    EXPECT_EQ(entries[1].value, "6A");
    EXPECT_EQ(entries[2].value, "");
    EXPECT_TRUE(LoadIniSection(path, "NONE").empty());
    EXPECT_TRUE(LoadIniSection(folder.path() + "missing.ini", "PJLINK").empty());
}

TEST(LanguageFileTest, FontFromTheSystemSection)
{
    ScratchFolder folder;
    struct Case {
        const char* why;
        const char* system;
        int result;
        LONG height;
        BYTE charset;
        const char* face;
    } const cases[] = {
        {"complete", "font=Arial\r\nsize=14\r\ncharset=0\r\n", 1, 14, 0, "Arial"},
        {"size without digits", "font=MS Gothic\r\nsize=auto\r\ncharset=128\r\n", 1, 0, 128, "MS Gothic"},
        {"charset missing", "font=Arial\r\nsize=14\r\n", 0, 0, 0, ""},
        {"face too long for the record", "font=ABCDEFGHIJKLMNOPQRSTUVWXYZ012345\r\nsize=9\r\ncharset=0\r\n", 0, 0, 0,
         ""},
    };
    for (const Case& c : cases) {
        const std::string path = folder.Write("Language.ini", std::string("[SYSTEM]\r\n") + c.system);
        LOGFONTA font{};
        EXPECT_EQ(LoadLanguageFont(path, font), c.result) << c.why;
        EXPECT_EQ(font.lfHeight, c.height) << c.why;
        EXPECT_EQ(font.lfCharSet, c.charset) << c.why;
        EXPECT_STREQ(font.lfFaceName, c.face) << c.why;
        EXPECT_EQ(font.lfWeight, c.result ? FW_NORMAL : 0) << c.why;
        EXPECT_EQ(font.lfWidth, 0) << c.why;
        EXPECT_EQ(font.lfItalic, 0) << c.why;
    }
}

TEST(IniPathsTest, BesideTheExecutableWhateverTheWorkingDirectory)
{
    ScratchFolder folder;
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof previous, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.path().c_str()));
    const IniPaths paths = ResolveIniPaths();
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(paths.language, ExecutableFolder() + "Language.ini");
    EXPECT_EQ(paths.program, ExecutableFolder() + "Beamdesk.ini");
}
