// The Find dialog, opened by the settings dialog's Find... button: searches
// the addresses in its field (at first what the finder searches by default)
// and lists what it finds as it comes, one row for each protocol a projector
// answered on, with the progress below. OK (with a row chosen) or a double
// click on a row ends it with that row; Cancel stops the search at once.
//
// Threads: the search runs on the finder's thread; its listener calls only
// put what they bring into a box under a lock and post one message to the
// dialog, which takes it all out on the user-interface thread. The search is
// stopped before the dialog ends, so no call comes after. Everything else:
// user-interface thread only, a stack object of the settings dialog.
#pragma once

#include <windows.h>

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Dialog.h"
#include "FoundProjectors.h"
#include "Gdi.h"
#include "MessageCatalogue.h"
#include "ProjectorFinder.h"

struct FindDialogInput {
    ProjectorFinder* finder = nullptr;  // must be given
    MessageCatalogue* texts = nullptr;  // its captions; none: the built-in English
    const LOGFONTA* font = nullptr;     // the language file's font, if there is one
};

class CFindDlg : public Dialog, private FinderListener {
public:
    CFindDlg(HWND parent, const FindDialogInput& input);
    ~CFindDlg() override;

    // After OK: the row chosen.
    const std::optional<FoundProjector>& Chosen() const { return m_chosen; }
    // The rows as the list shows them.
    const std::vector<FoundProjector>& Rows() const { return m_rows.Rows(); }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // What the search has brought since the dialog last looked.
    struct News {
        std::vector<FoundProjector> rows;
        std::size_t done = 0;
        std::size_t total = 0;
        bool progressed = false;
        bool finished = false;
        bool posted = false;  // a message is on its way
    };

    // FinderListener, on the search's thread.
    void Found(const std::vector<FoundProjector>& rows) override;
    void Progress(std::size_t done, std::size_t total) override;
    void Finished() override;
    void Post(News& news);

    std::string Text(unsigned id) const;
    void SetCaptions();
    void AddColumns();
    // Starts over with the field's addresses; says what is wrong with them.
    void StartSearch();
    void StopSearch();
    void TakeNews();
    void ShowRow(std::size_t index, bool added);
    void SetStatus(unsigned textId);
    int SelectedRow() const;
    void Choose(int row);

    ProjectorFinder* m_finder;
    MessageCatalogue* m_texts;
    const LOGFONTA* m_languageFont;
    Font m_dialogFont;
    // The list and the progress bar have no label of their own to name them.
    Window m_listName;
    Window m_progressName;
    FoundRows m_rows;
    std::optional<FoundProjector> m_chosen;
    bool m_searching = false;
    std::mutex m_mutex;
    News m_news;  // guarded by m_mutex
};
