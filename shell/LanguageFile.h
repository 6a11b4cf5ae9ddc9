// "Language.ini": replaces the catalogue's texts ([MESSAGE]) and names the
// console font ([SYSTEM]). Read with the system's profile functions in the
// system code page. Main thread, once at start-up.
#pragma once

#include <windows.h>

#include <string>

#include "MessageCatalogue.h"

// When the file exists, every built-in id takes the file's text, empty when the
// file lacks the key: a language file must supply every id.
void ApplyLanguageFile(MessageCatalogue& catalogue, const std::string& languageIniPath);

// 1 when [SYSTEM] names a complete font, which is then put into `font` (height,
// face, charset, weight 400; nothing else touched). 0 leaves `font` unchanged.
int LoadLanguageFont(const std::string& languageIniPath, LOGFONTA& font);
