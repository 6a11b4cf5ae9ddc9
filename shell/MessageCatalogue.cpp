#include "MessageCatalogue.h"

#include <climits>
#include <cstdlib>

#include "Version.h"

const BuiltInText kBuiltInTexts[kBuiltInTextCount] = {
    {1, "Power"},
    {2, "Computer1"},
    {3, "Computer2"},
    {4, "Quillan"},
    {5, "Video"},
    {6, "S-Video"},
    {7, "A/VMute"},
    {8, "Freeze"},
    {9, "CC"},
    {10, "Volume"},
    {11, "-"},
    {12, "+"},
    {13, "Computer"},
    {15, "Power"},
    {16, "Computer1"},
    {17, "Computer2"},
    {18, "Quillan"},
    {19, "Video"},
    {20, "S-Video"},
    {21, "A/VMute"},
    {22, "Freeze"},
    {23, "Closed Caption"},
    {25, "-"},
    {26, "+"},
    {27, "Computer"},
    {29, "&File"},
    {30, "Exit"},
    {31, "&Tool"},
    {32, "Settings"},
    {33, "&Help"},
    {34, "About Beamdesk"},
    {35, BEAMDESK_TITLE},
    {36, "Connected"},
    {37, "Disconnect"},
    {39, "OFF"},
    {40, "CC1"},
    {41, "CC2"},
    {42, "Simple Mode"},
    {43, "Advanced Mode"},
    {45, "OK"},
    {46, "Cancel"},
    {48, "Settings"},
    {49, "Startup"},
    {50, "Register at startup"},
    {51, "Projector IP Address"},
    {52, "Monitor Password"},
    {54, "Advanced Mode"},
    {55, "Computer1"},
    {56, "Computer2"},
    {57, "Quillan"},
    {58, "Video"},
    {59, "S-Video"},
    {60, "A/V Mute"},
    {61, "Volume"},
    {62, "Freeze"},
    {63, "CC(Closed Caption)"},
    {65, "Simple Mode"},
    {66, "Computer"},
    {67, "Video"},
    {68, "A/V Mute"},
    {69, "Volume"},
    {70, "Freeze"},
    {71, "CC(Closed Caption)"},
    {73, BEAMDESK_TITLE},
    {74, "Copyright (C) 2026 Varnholt. All rights reserved."},
    {75, BEAMDESK_TITLE},
    {77, "This application will not run on the current version of your OS. Upgrade your OS. "},
    {78, "This application is already running. "},
    {79, "Files are missing or invalid. Failed to start the application. Reinstall/remove the application."},
    {80, "Projector is not responding. "},
    {81, "Projector control failed. "},
    {82, "The password does not match. "},
    {84, "The previous version of Beamdesk is installed.\nDo you want to continue?"},
    {85, "The same version of Beamdesk is installed.\nDo you want to continue?"},
    {86, "The currently installed version of Beamdesk is newer than the version you are trying to install.\nThe current version of this application must be uninstalled before installing another version."},
    {87, "To install this program, you must log on in Computer Administrator mode."},
    {88, "Beamdesk is running.\nExecute after closing this application."},
    {89, "More free disk space is required for installation than available."},
    {90, "Do you want to completely remove the selected application and all of its components?"},
    {92, "Create a shortcut on your desktop."},
    {93, "Beamdesk Setup"},
    {95, "Mode change"},
    {96, "Power off?"},
};

const BuiltInText kAddedTexts[kAddedTextCount] = {
    {97, "Protocol"},
    {98, "Native (port 3629)"},
    {99, "PJLink (port 4352)"},
    {100, "The projector reports a failure. "},
    {101, "Layout"},
    {102, "Volume down"},
    {103, "Volume up"},
    {104, "Presenter keys"},
    {105, "A/V Mute"},
    {106, "Freeze"},
    {107, "Power"},
    {108, "In use by another program"},
    {109, "Already set for a key above"},
    {110, "Find..."},
    {111, "Find Projectors"},
    {112, "Addresses"},
    {113, "Search"},
    {114, "Address"},
    {115, "Name"},
    {116, "Password"},
    {117, "Native"},
    {118, "PJLink"},
    {119, "Required"},
    {120, "None"},
    {121, "Unknown"},
    {122, "Searching..."},
    {123, "Search finished."},
    {124, "No projector found."},
    {125, "Type the addresses to search: A.B.C.D/N (N from 22 to 32) or A.B.C.D-A.B.C.E (at most 1024 addresses), several separated by blanks."},
};

std::string ExpandLineBreaks(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

void MessageCatalogue::LoadMessageDefaults()
{
    m_texts = {};
    m_texts.rehash(101);
    for (const BuiltInText& t : kBuiltInTexts) m_texts[t.id] = t.text;
    for (const BuiltInText& t : kAddedTexts) m_texts[t.id] = t.text;
}

std::string MessageCatalogue::GetMessageText(unsigned id)
{
    return ExpandLineBreaks(m_texts[id]);
}

std::string CatalogueText(MessageCatalogue* texts, unsigned id)
{
    if (texts != nullptr) return texts->GetMessageText(id);
    MessageCatalogue builtIn;
    builtIn.LoadMessageDefaults();
    return builtIn.GetMessageText(id);
}

namespace {

// atoi's rules (blanks, sign, leading digits, 0 when there are none), but
// saturating instead of overflowing.
int LeadingNumber(const std::string& text)
{
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace

std::optional<LanguageFont> MakeLanguageFont(const std::string& face, const std::string& size,
                                             const std::string& charset)
{
    if (face.empty() || size.empty() || charset.empty()) return std::nullopt;
    if (face.size() >= kFaceNameSize) return std::nullopt;
    LanguageFont font;
    font.height = LeadingNumber(size);
    font.charset = static_cast<unsigned char>(LeadingNumber(charset) & 0xFF);
    font.faceName = face;
    return font;
}
