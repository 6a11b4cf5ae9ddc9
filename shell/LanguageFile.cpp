#include "LanguageFile.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr DWORD kTextBufferSize = 260;
// What a profile read returns for a key the file does not have: no text can
// hold these control characters.
constexpr const char* kAbsent = "\x01\x02";

std::string ReadProfileString(const char* section, const char* key, const std::string& path,
                              const char* absent = "")
{
    char text[kTextBufferSize] = {};
    GetPrivateProfileStringA(section, key, absent, text, kTextBufferSize, path.c_str());
    return text;
}

std::string Key(unsigned id)
{
    char key[16];
    std::snprintf(key, sizeof key, "%u", id);
    return key;
}

}  // namespace

// The design's texts are replaced as a whole, whether the file has them or
// not; a text added since only when the file has its id.
void ApplyLanguageFile(MessageCatalogue& catalogue, const std::string& languageIniPath)
{
    if (GetFileAttributesA(languageIniPath.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    for (const BuiltInText& t : kBuiltInTexts) catalogue.SetText(t.id, ReadProfileString("MESSAGE", Key(t.id).c_str(), languageIniPath));
    for (const BuiltInText& t : kAddedTexts) {
        std::string text = ReadProfileString("MESSAGE", Key(t.id).c_str(), languageIniPath, kAbsent);
        if (text != kAbsent) catalogue.SetText(t.id, std::move(text));
    }
}

int LoadLanguageFont(const std::string& languageIniPath, LOGFONTA& font)
{
    const auto record = MakeLanguageFont(ReadProfileString("SYSTEM", "font", languageIniPath),
                                         ReadProfileString("SYSTEM", "size", languageIniPath),
                                         ReadProfileString("SYSTEM", "charset", languageIniPath));
    if (!record) return 0;
    font.lfHeight = record->height;
    font.lfCharSet = record->charset;
    font.lfWeight = FW_NORMAL;
    std::memset(font.lfFaceName, 0, sizeof font.lfFaceName);
    std::memcpy(font.lfFaceName, record->faceName.data(), record->faceName.size());
    return 1;
}
