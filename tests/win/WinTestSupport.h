// Shared help for the in-process tests: the settings in the registry, and a
// way to run test code inside a dialog's own modal loop.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/CDialog.h"
#include "tests/support/TestRegistry.h"

namespace wt {

using treg::CountStoredValues;
using treg::ReadStored;
using treg::ResetSettings;
using treg::StoredInt;
using treg::StoreDword;
using treg::StoreRaw;

// Runs dlg.DoModal() as the main window and calls body(hDlg) from inside the
// modal loop once the dialog is up. If the dialog is still open afterwards it gets WM_CLOSE.
INT_PTR RunModal(CDialog& dlg, const std::function<void(HWND)>& body);

// Dispatches messages (through the dialog manager for hDlg) for ms milliseconds
// or until done() holds. Returns done()'s last value.
bool PumpUntil(HWND hDlg, DWORD ms, const std::function<bool()>& done = nullptr);
void Pump(HWND hDlg, DWORD ms);

std::wstring WindowText(HWND hWnd);
std::wstring ItemText(HWND hDlg, int id);

// While alive, closes every dialog (message boxes, the About box) that opens
// on this thread above hMain, pressing OK, and remembers what each said.
class ModalDismisser {
public:
    explicit ModalDismisser(HWND hMain);
    ~ModalDismisser();
    struct Seen {
        std::wstring title;
        std::wstring text; // the texts of its static controls, one per line
    };
    const std::vector<Seen>& seen() const { return m_seen; }

private:
    static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD);
    HWND m_hMain;
    UINT_PTR m_timer;
    std::vector<Seen> m_seen;
};

} // namespace wt
