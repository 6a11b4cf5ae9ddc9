// The Find dialog (see FindDlg.h).
#include "FindDlg.h"

#include <commctrl.h>

#include "UserObjects.h"
#include "resource.h"

namespace {

// The search has news for the dialog (no payload: it waits in the box).
constexpr UINT kFinderNews = WM_APP + 1;

struct Column {
    unsigned captionId;
    int width;  // dialog units
};
// Address, name, protocol, password: the list's columns, in this order.
constexpr Column kColumns[] = {{114, 62}, {115, 104}, {97, 58}, {116, 50}};

constexpr int kFontControls[] = {
    IDC_FIND_RANGE_LABEL, IDC_FIND_RANGE, IDC_FIND_SEARCH, IDC_FIND_LIST, IDC_FIND_STATUS, IDOK, IDCANCEL,
};

std::string AddressText(std::uint32_t packed)
{
    return std::to_string(packed >> 24) + "." + std::to_string((packed >> 16) & 0xFF) + "." +
           std::to_string((packed >> 8) & 0xFF) + "." + std::to_string(packed & 0xFF);
}

// A projector's name is UTF-8; the list shows text of the system's code page.
// Bytes that are no UTF-8 are shown as they are.
std::string ShownName(const std::string& utf8)
{
    if (utf8.empty()) return utf8;
    const int wide = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                                         nullptr, 0);
    if (wide <= 0) return utf8;
    std::wstring text(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), wide);
    const int narrow = WideCharToMultiByte(CP_ACP, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    if (narrow <= 0) return utf8;
    std::string shown(static_cast<std::size_t>(narrow), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), wide, shown.data(), narrow, nullptr, nullptr);
    return shown;
}

void SetItemText(HWND list, int item, int column, const std::string& text)
{
    LVITEMA cell{};
    cell.iSubItem = column;
    cell.pszText = const_cast<char*>(text.c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&cell));
}

}  // namespace

CFindDlg::CFindDlg(HWND parent, const FindDialogInput& input)
    : Dialog(IDD_FIND, parent), m_finder(input.finder), m_texts(input.texts), m_languageFont(input.font)
{
}

CFindDlg::~CFindDlg()
{
    StopSearch();
}

BOOL CFindDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    m_listName.Attach(GetDlgItem(IDC_FIND_LIST));
    m_progressName.Attach(GetDlgItem(IDC_FIND_PROGRESS));
    SetCaptions();
    if (m_languageFont != nullptr) {
        m_dialogFont = FontAtScreenDpi(*m_languageFont);
        for (const int id : kFontControls)
            SendMessageA(GetDlgItem(id), WM_SETFONT, reinterpret_cast<WPARAM>(m_dialogFont.get()), TRUE);
    }
    AddColumns();
    EnableWindow(GetDlgItem(IDOK), FALSE);
    SetWindowTextA(GetDlgItem(IDC_FIND_RANGE), m_finder->DefaultRanges().c_str());
    if (WindowTextOf(GetDlgItem(IDC_FIND_RANGE)).empty())
        SetStatus(125);
    else
        StartSearch();
    return TRUE;  // the focus goes to the addresses
}

std::string CFindDlg::Text(unsigned id) const
{
    return CatalogueText(m_texts, id);
}

void CFindDlg::SetCaptions()
{
    SetWindowTextA(GetHwnd(), Text(111).c_str());
    SetWindowTextA(GetDlgItem(IDC_FIND_RANGE_LABEL), Text(112).c_str());
    SetWindowTextA(GetDlgItem(IDC_FIND_SEARCH), Text(113).c_str());
    SetWindowTextA(GetDlgItem(IDOK), Text(45).c_str());
    SetWindowTextA(GetDlgItem(IDCANCEL), Text(46).c_str());
    m_listName.SetAccessibleName(Text(111));
    m_progressName.SetAccessibleName(Text(122));
}

void CFindDlg::AddColumns()
{
    HWND list = GetDlgItem(IDC_FIND_LIST);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    int index = 0;
    for (const Column& c : kColumns) {
        RECT width{0, 0, c.width, 0};
        MapDialogRect(GetHwnd(), &width);
        const std::string caption = Text(c.captionId);
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.cx = width.right;
        column.pszText = const_cast<char*>(caption.c_str());
        column.iSubItem = index;
        SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index++), reinterpret_cast<LPARAM>(&column));
    }
}

void CFindDlg::StartSearch()
{
    const std::string ranges = WindowTextOf(GetDlgItem(IDC_FIND_RANGE));
    if (!m_finder->ValidRanges(ranges)) {
        SetStatus(125);
        SetFocus(GetDlgItem(IDC_FIND_RANGE));
        return;
    }
    StopSearch();
    m_rows.Clear();
    SendMessageA(GetDlgItem(IDC_FIND_LIST), LVM_DELETEALLITEMS, 0, 0);
    EnableWindow(GetDlgItem(IDOK), FALSE);
    SendMessageA(GetDlgItem(IDC_FIND_PROGRESS), PBM_SETPOS, 0, 0);
    SetStatus(122);
    m_searching = true;
    m_finder->Start(ranges, *this);
}

// What the stopped search had left in the box is dropped with it.
void CFindDlg::StopSearch()
{
    if (!m_searching) return;
    m_finder->Stop();
    m_searching = false;
    std::lock_guard lock(m_mutex);
    m_news = News{};
}

void CFindDlg::Found(const std::vector<FoundProjector>& rows)
{
    std::lock_guard lock(m_mutex);
    m_news.rows.insert(m_news.rows.end(), rows.begin(), rows.end());
    Post(m_news);
}

void CFindDlg::Progress(std::size_t done, std::size_t total)
{
    std::lock_guard lock(m_mutex);
    m_news.done = done;
    m_news.total = total;
    m_news.progressed = true;
    Post(m_news);
}

void CFindDlg::Finished()
{
    std::lock_guard lock(m_mutex);
    m_news.finished = true;
    Post(m_news);
}

// The caller holds the lock. One message at a time is enough: it takes all.
void CFindDlg::Post(News& news)
{
    if (news.posted) return;
    news.posted = PostMessageA(GetHwnd(), kFinderNews, 0, 0) != FALSE;
}

void CFindDlg::TakeNews()
{
    News news;
    {
        std::lock_guard lock(m_mutex);
        news = std::move(m_news);
        m_news = News{};
    }
    for (const FoundProjector& row : news.rows) {
        const auto [index, added] = m_rows.Put(row);
        ShowRow(index, added);
    }
    HWND progress = GetDlgItem(IDC_FIND_PROGRESS);
    if (news.progressed) {
        SendMessageA(progress, PBM_SETRANGE32, 0, static_cast<LPARAM>(news.total));
        SendMessageA(progress, PBM_SETPOS, news.done, 0);
    }
    if (news.finished) SetStatus(m_rows.Rows().empty() ? 124 : 123);
}

void CFindDlg::ShowRow(std::size_t index, bool added)
{
    HWND list = GetDlgItem(IDC_FIND_LIST);
    const FoundProjector& row = m_rows.Rows()[index];
    const int item = static_cast<int>(index);
    const std::string address = AddressText(row.address);
    if (added) {
        LVITEMA first{};
        first.mask = LVIF_TEXT;
        first.iItem = item;
        first.pszText = const_cast<char*>(address.c_str());
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&first));
    }
    SetItemText(list, item, 1, ShownName(row.name));
    SetItemText(list, item, 2, Text(ProtocolTextId(row.protocol)));
    SetItemText(list, item, 3, Text(PasswordTextId(row.passwordRequired)));
}

void CFindDlg::SetStatus(unsigned textId)
{
    SetWindowTextA(GetDlgItem(IDC_FIND_STATUS), Text(textId).c_str());
}

int CFindDlg::SelectedRow() const
{
    return static_cast<int>(
        SendMessageA(GetDlgItem(IDC_FIND_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void CFindDlg::Choose(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.Rows().size()) return;
    m_chosen = m_rows.Rows()[static_cast<std::size_t>(row)];
    StopSearch();
    EndDialog(IDOK);
}

void CFindDlg::OnOK()
{
    Choose(SelectedRow());
}

void CFindDlg::OnCancel()
{
    StopSearch();
    EndDialog(IDCANCEL);
}

bool CFindDlg::OnCommand(UINT id, UINT code, HWND)
{
    if (id == IDC_FIND_SEARCH) {
        if (code == BN_CLICKED) StartSearch();
        return true;
    }
    if (id == IDC_FIND_RANGE) {
        // Enter in the field searches; elsewhere it is OK.
        if (code == EN_SETFOCUS) SendMessageA(GetHwnd(), DM_SETDEFID, IDC_FIND_SEARCH, 0);
        if (code == EN_KILLFOCUS) SendMessageA(GetHwnd(), DM_SETDEFID, IDOK, 0);
        return true;
    }
    return false;
}

bool CFindDlg::OnMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT& result)
{
    if (msg == kFinderNews) {
        TakeNews();
        result = 0;
        return true;
    }
    // However the window goes (a quit ends the loop without OK or Cancel),
    // the search goes first.
    if (msg == WM_DESTROY) StopSearch();
    if (msg != WM_NOTIFY) return false;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom != IDC_FIND_LIST) return false;
    if (header->code == LVN_ITEMCHANGED) EnableWindow(GetDlgItem(IDOK), SelectedRow() >= 0);
    if (header->code == NM_DBLCLK) Choose(reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem);
    return false;
}
