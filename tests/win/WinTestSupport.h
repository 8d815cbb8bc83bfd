// Shared help for the in-process tests: the settings in the registry, and a
// way to run test code inside a dialog's own modal loop.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/CDialog.h"

namespace wt {

// HKCU\Software\Zarvel v1.0\Zarvel v1.0\設定
extern const wchar_t kSettingsPath[];

void ResetSettings();
void StoreDword(const wchar_t* name, DWORD value);
void StoreRaw(const wchar_t* name, DWORD type, const void* data, DWORD size);
// False when absent; type and size are reported as found.
bool ReadStored(const wchar_t* name, DWORD* value, DWORD* type = nullptr, DWORD* size = nullptr);
int CountStoredValues();

// Runs dlg.DoModal() and calls body(hDlg) from inside the modal loop once the
// dialog is up. If the dialog is still open afterwards it gets WM_CLOSE.
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
