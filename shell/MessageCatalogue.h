// The message catalogue: every text the console shows, by numeric id. Starts
// from the built-in English texts; a language file replaces them as a whole.
// Main thread only: a lookup of an unknown id inserts an empty entry.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

struct BuiltInText {
    unsigned id;
    const char* text;
};

constexpr std::size_t kBuiltInTextCount = 83;
extern const BuiltInText kBuiltInTexts[kBuiltInTextCount];
// Texts added since, with ids after those. A language file replaces each of
// them only when it has its id; one that lacks it keeps the English text.
constexpr std::size_t kAddedTextCount = 29;
extern const BuiltInText kAddedTexts[kAddedTextCount];
constexpr std::size_t kCatalogueTextCount = kBuiltInTextCount + kAddedTextCount;

// Language files store a line break as the two characters backslash and "n".
std::string ExpandLineBreaks(std::string_view text);

class MessageCatalogue {
public:
    // Starts over with the built-in texts, the added ones included.
    void LoadMessageDefaults();

    void SetText(unsigned id, std::string text) { m_texts[id] = std::move(text); }

    // The text with line breaks expanded. An id without an entry gets an empty
    // one, so the catalogue grows by one.
    std::string GetMessageText(unsigned id);

    std::size_t size() const { return m_texts.size(); }

private:
    std::unordered_map<unsigned, std::string> m_texts;
};

// A dialog's text: from the console's catalogue, or without one (a dialog
// shown on its own) the built-in English.
std::string CatalogueText(MessageCatalogue* texts, unsigned id);

// The console font named by a language file's [SYSTEM] section.
constexpr std::size_t kFaceNameSize = 32;  // the font record's face field, NUL included

struct LanguageFont {
    int height;
    unsigned char charset;
    std::string faceName;
};

// All three values must be non-empty. A face name that does not fit the font
// record (more than 31 characters) is refused as a whole rather than cut: a cut
// name would silently select some other face.
std::optional<LanguageFont> MakeLanguageFont(const std::string& face, const std::string& size,
                                             const std::string& charset);
