// The shipped translations, resources/languages/<lang>/Language.ini, copied
// beside this program as languages\<lang>\Language.ini by the build. Each is
// read the way Beamdesk reads it (the system's profile functions, the same
// 260-byte buffer) and also byte by byte, so that a text the reader would
// drop, cut, trim or misread fails here rather than on a user's screen.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "LanguageFile.h"
#include "MessageCatalogue.h"
#include "TestFiles.h"

namespace {

struct Shipped {
    const char* code;  // folder name under resources/languages
    UINT codePage;     // the code page the texts are written in
    BYTE charset;      // the console font's character set it must name
};

// Test names and failure messages show the language, not the record's bytes.
void PrintTo(const Shipped& shipped, std::ostream* out) { *out << shipped.code; }

constexpr Shipped kShipped[] = {
    {"de", 1252, ANSI_CHARSET},
    {"fr", 1252, ANSI_CHARSET},
    {"ja", 932, SHIFTJIS_CHARSET},
};

constexpr std::size_t kMaxTextBytes = 259;  // the program reads into 260 bytes
constexpr DWORD kLargeBuffer = 4096;        // large enough to see a text the program would cut

std::string LanguagesFolder() { return ExecutableFolder() + "languages\\"; }

std::string Key(unsigned id) { return std::to_string(id); }

// Every text a shipped translation carries: the first version's and those added since.
const std::vector<BuiltInText>& AllTexts()
{
    static const std::vector<BuiltInText> texts = [] {
        std::vector<BuiltInText> all(std::begin(kBuiltInTexts), std::end(kBuiltInTexts));
        all.insert(all.end(), std::begin(kAddedTexts), std::end(kAddedTexts));
        return all;
    }();
    return texts;
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// One key line as it stands in the file.
struct Line {
    std::string section;
    std::string key;
    std::string value;  // blanks around it trimmed, one pair of surrounding quotes dropped
};

// The file split into key lines, independent of the profile functions.
std::vector<Line> KeyLines(const std::string& bytes)
{
    std::vector<Line> lines;
    std::string section;
    std::istringstream in(bytes);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        std::string value = line.substr(equals + 1);
        const std::size_t first = value.find_first_not_of(" \t");
        const std::size_t last = value.find_last_not_of(" \t");
        value = first == std::string::npos ? "" : value.substr(first, last - first + 1);
        if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
            value = value.substr(1, value.size() - 2);
        lines.push_back({section, line.substr(0, equals), value});
    }
    return lines;
}

// The names of a profile list (double-NUL-terminated), as the profile
// functions give them for a NULL section or key.
std::vector<std::string> NameList(const std::vector<char>& buffer, DWORD length)
{
    std::vector<std::string> names;
    for (const char* p = buffer.data(); p < buffer.data() + length && *p != '\0'; p += std::strlen(p) + 1)
        names.emplace_back(p);
    return names;
}

// Occurrences of the line-break pair, counted by whole characters of the code
// page: a trail byte that happens to be a backslash starts none.
std::size_t LineBreakPairs(const std::string& text, UINT codePage)
{
    std::size_t pairs = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[i]))) {
            ++i;
        } else if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            ++pairs;
            ++i;
        }
    }
    return pairs;
}

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

class LanguageFileTest : public ::testing::TestWithParam<Shipped> {
protected:
    void SetUp() override
    {
        m_path = LanguagesFolder() + GetParam().code + "\\Language.ini";
        m_bytes = ReadBytes(m_path);
        ASSERT_FALSE(m_bytes.empty()) << m_path;
    }

    // The text of an id as the profile reader gives it, with a buffer large
    // enough to see what the program's 260 bytes would cut; "\x01" when the
    // key is absent.
    std::string FullText(unsigned id) const
    {
        std::vector<char> text(kLargeBuffer);
        GetPrivateProfileStringA("MESSAGE", Key(id).c_str(), "\x01", text.data(), kLargeBuffer, m_path.c_str());
        return text.data();
    }

    std::string m_path;
    std::string m_bytes;
};

std::string Name(const ::testing::TestParamInfo<Shipped>& info) { return info.param.code; }

}  // namespace

INSTANTIATE_TEST_SUITE_P(Shipped, LanguageFileTest, ::testing::ValuesIn(kShipped), Name);

// Every folder the build copied is one of the languages above, so a new
// translation cannot ship unchecked.
TEST(ShippedLanguagesTest, EveryShippedFileIsChecked)
{
    std::set<std::string> found;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((LanguagesFolder() + "*").c_str(), &entry);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << LanguagesFolder();
    do {
        const std::string name = entry.cFileName;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..") found.insert(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);

    std::set<std::string> checked;
    for (const Shipped& s : kShipped) checked.insert(s.code);
    EXPECT_EQ(found, checked);
}

// Plain code-page text: no byte-order mark (the reader would take the file as
// Unicode or keep the mark in the first line), CRLF throughout, a comment
// first, no NUL.
TEST_P(LanguageFileTest, IsPlainTextWithCrlfLinesAndACommentFirst)
{
    EXPECT_NE(m_bytes.compare(0, 3, "\xEF\xBB\xBF"), 0) << "UTF-8 mark";
    EXPECT_NE(m_bytes.compare(0, 2, "\xFF\xFE"), 0) << "UTF-16 mark";
    EXPECT_EQ(m_bytes[0], ';');
    EXPECT_EQ(m_bytes.find('\0'), std::string::npos);
    ASSERT_GE(m_bytes.size(), 2u);
    EXPECT_EQ(m_bytes.substr(m_bytes.size() - 2), "\r\n");
    for (std::size_t i = 0; i < m_bytes.size(); ++i) {
        if (m_bytes[i] == '\n') {
            EXPECT_TRUE(i > 0 && m_bytes[i - 1] == '\r') << "bare LF at byte " << i;
        } else if (m_bytes[i] == '\r') {
            EXPECT_TRUE(i + 1 < m_bytes.size() && m_bytes[i + 1] == '\n') << "bare CR at byte " << i;
        }
    }
}

// A missing key would blank that text in the program.
TEST_P(LanguageFileTest, SuppliesEveryCatalogueId)
{
    for (const BuiltInText& t : AllTexts()) {
        const std::string text = FullText(t.id);
        EXPECT_NE(text, "\x01") << "id " << t.id << " missing";
        EXPECT_FALSE(text.empty()) << "id " << t.id << " empty";
    }
}

// [MESSAGE] holds the catalogue ids and nothing else, each once, in plain
// decimal ("035" would not reach id 35); the file has no other sections.
TEST_P(LanguageFileTest, HoldsOnlyCatalogueKeysEachOnce)
{
    std::set<std::string> ids;
    for (const BuiltInText& t : AllTexts()) ids.insert(Key(t.id));

    std::vector<char> buffer(65536);
    const DWORD keysLength = GetPrivateProfileStringA("MESSAGE", nullptr, "", buffer.data(),
                                                      static_cast<DWORD>(buffer.size()), m_path.c_str());
    const std::vector<std::string> keys = NameList(buffer, keysLength);
    EXPECT_EQ(keys.size(), kCatalogueTextCount);
    for (const std::string& key : keys) EXPECT_TRUE(ids.count(key)) << "unknown key " << key;

    std::map<std::string, int> seen;
    for (const Line& line : KeyLines(m_bytes))
        if (line.section == "MESSAGE") {
            EXPECT_EQ(++seen[line.key], 1) << "key " << line.key << " repeated";
        }

    const DWORD sectionsLength =
        GetPrivateProfileSectionNamesA(buffer.data(), static_cast<DWORD>(buffer.size()), m_path.c_str());
    EXPECT_EQ(NameList(buffer, sectionsLength), (std::vector<std::string>{"MESSAGE", "SYSTEM"}));
}

// What the program stores is the whole text: nothing longer than its buffer
// takes, and the catalogue gives back exactly the file's text, line breaks
// expanded.
TEST_P(LanguageFileTest, NoTextIsCutByTheProgramsBuffer)
{
    MessageCatalogue catalogue;
    catalogue.LoadMessageDefaults();
    ApplyLanguageFile(catalogue, m_path);
    for (const BuiltInText& t : AllTexts()) {
        const std::string text = FullText(t.id);
        EXPECT_LE(text.size(), kMaxTextBytes) << "id " << t.id;
        EXPECT_EQ(catalogue.GetMessageText(t.id), ExpandLineBreaks(text)) << "id " << t.id;
    }
    EXPECT_EQ(catalogue.size(), kCatalogueTextCount);
}

// The profile reader hands the file's bytes over unchanged, whatever the
// system code page: what the program shows is exactly what the file holds.
TEST_P(LanguageFileTest, ProfileReaderPassesTheFileBytesThrough)
{
    std::map<std::string, std::string> stored;
    for (const Line& line : KeyLines(m_bytes))
        if (line.section == "MESSAGE") stored.emplace(line.key, line.value);
    for (const BuiltInText& t : AllTexts()) {
        ASSERT_TRUE(stored.count(Key(t.id))) << "id " << t.id;
        EXPECT_EQ(FullText(t.id), stored[Key(t.id)]) << "id " << t.id;
    }
}

// A blank at either end of the English (the prompts end with one) is kept,
// and none is added; the English line breaks are kept, as many and no more.
TEST_P(LanguageFileTest, KeepsTheBlanksAndLineBreaksOfTheEnglish)
{
    for (const BuiltInText& t : AllTexts()) {
        const std::string english = t.text;
        const std::string text = FullText(t.id);
        if (text.empty()) continue;  // reported above
        EXPECT_EQ(text.back() == ' ', english.back() == ' ') << "id " << t.id << ": trailing blank";
        EXPECT_EQ(text.front() == ' ', english.front() == ' ') << "id " << t.id << ": leading blank";
        const auto englishBreaks = static_cast<std::size_t>(std::count(english.begin(), english.end(), '\n'));
        EXPECT_EQ(LineBreakPairs(text, GetParam().codePage), englishBreaks) << "id " << t.id;
        // The program expands every backslash-n pair, also one that starts
        // on a trail byte; both counts must agree.
        EXPECT_EQ(Count(text, "\\n"), englishBreaks) << "id " << t.id << ": a trail byte reads as a line break";
    }
}

// Every text decodes in the language's code page without loss: no stray
// byte, no double-byte character cut in half, no undefined character.
TEST_P(LanguageFileTest, TextsAreWholeCharactersOfTheCodePage)
{
    const UINT codePage = GetParam().codePage;
    for (const BuiltInText& t : AllTexts()) {
        const std::string text = FullText(t.id);
        if (text.empty()) continue;
        const int wide = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(),
                                             static_cast<int>(text.size()), nullptr, 0);
        ASSERT_GT(wide, 0) << "id " << t.id << " is not valid in code page " << codePage;
        std::wstring unicode(static_cast<std::size_t>(wide), L'\0');
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), unicode.data(), wide);
        BOOL lossy = FALSE;
        std::string back(text.size() * 2, '\0');
        const int narrow = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, unicode.data(), wide, back.data(),
                                               static_cast<int>(back.size()), nullptr, &lossy);
        back.resize(static_cast<std::size_t>(std::max(narrow, 0)));
        EXPECT_FALSE(lossy) << "id " << t.id;
        EXPECT_EQ(back, text) << "id " << t.id;
        for (wchar_t c : unicode) {
            EXPECT_FALSE(c < 0x20 || (c >= 0x7F && c < 0xA0)) << "id " << t.id << ": control character " << int(c);
        }
    }
}

// Product and source names are not translated; the notice names the maker.
TEST_P(LanguageFileTest, KeepsTheNames)
{
    struct Kept {
        unsigned id;
        const char* text;
    } const names[] = {
        {4, "Quillan"}, {18, "Quillan"}, {57, "Quillan"},
        {35, "Beamdesk V1.00"}, {73, "Beamdesk V1.00"}, {75, "Beamdesk V1.00"},
    };
    for (const Kept& n : names) EXPECT_EQ(FullText(n.id), n.text) << "id " << n.id;
    EXPECT_NE(FullText(74).find("2026 Varnholt"), std::string::npos);
}

// The menu titles carry one access key each, all different; the console's
// buttons and labels draw '&' as an underline, so no other shown text has one
// (menu items may carry their own).
TEST_P(LanguageFileTest, AccessKeysOnlyWhereTheMenuTakesThem)
{
    std::set<char> keys;
    for (unsigned id : {29u, 31u, 33u}) {
        const std::string title = FullText(id);
        ASSERT_EQ(Count(title, "&"), 1u) << "id " << id;
        const std::size_t at = title.find('&');
        ASSERT_LT(at + 1, title.size()) << "id " << id;
        EXPECT_TRUE(keys.insert(static_cast<char>(std::tolower(static_cast<unsigned char>(title[at + 1])))).second)
            << "id " << id << ": access key used twice";
    }
    for (const BuiltInText& t : AllTexts()) {
        if (t.id >= 29 && t.id <= 34) continue;
        EXPECT_EQ(FullText(t.id).find('&'), std::string::npos) << "id " << t.id;
    }
}

// [SYSTEM] names a complete console font with the character set the texts
// need; the size is a character height in pixels (negative).
TEST_P(LanguageFileTest, NamesACompleteConsoleFont)
{
    LOGFONTA font{};
    ASSERT_EQ(LoadLanguageFont(m_path, font), 1);
    EXPECT_EQ(font.lfCharSet, GetParam().charset);
    EXPECT_LT(font.lfHeight, 0);
    EXPECT_NE(font.lfFaceName[0], '\0');
    EXPECT_EQ(font.lfWeight, FW_NORMAL);
}
