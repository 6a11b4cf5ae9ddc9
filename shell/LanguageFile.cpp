#include "LanguageFile.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr DWORD kTextBufferSize = 260;

std::string ReadProfileString(const char* section, const char* key, const std::string& path)
{
    char text[kTextBufferSize] = {};
    GetPrivateProfileStringA(section, key, "", text, kTextBufferSize, path.c_str());
    return text;
}

}  // namespace

void ApplyLanguageFile(MessageCatalogue& catalogue, const std::string& languageIniPath)
{
    if (GetFileAttributesA(languageIniPath.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    for (const BuiltInText& t : kBuiltInTexts) {
        char key[16];
        std::snprintf(key, sizeof key, "%u", t.id);
        catalogue.SetText(t.id, ReadProfileString("MESSAGE", key, languageIniPath));
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
