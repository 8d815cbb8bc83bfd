// When the countdown's timer cannot be created, the user is told and the
// launcher ends with its settings saved, without ever running its loop.
#include <gtest/gtest.h>

#include <string.h>

#include "WinTestSupport.h"
#include "launcher/CLauncherDlg.h"

namespace {

using SetTimerFn = UINT_PTR(WINAPI*)(HWND, UINT_PTR, UINT, TIMERPROC);
SetTimerFn g_realSetTimer;

// Refuses the countdown's window timer and nothing else.
UINT_PTR WINAPI RefuseCountdownTimer(HWND hWnd, UINT_PTR id, UINT ms, TIMERPROC proc)
{
    if (hWnd && id == 1008)
        return 0;
    return g_realSetTimer(hWnd, id, ms, proc);
}

// Points this program's import of user32!SetTimer at fn; returns the previous target.
SetTimerFn PatchSetTimer(SetTimerFn fn)
{
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name; ++imp) {
        if (_stricmp(reinterpret_cast<char*>(base + imp->Name), "user32.dll") != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (strcmp(reinterpret_cast<char*>(byName->Name), "SetTimer") != 0)
                continue;
            DWORD old = 0;
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &old);
            auto previous = reinterpret_cast<SetTimerFn>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(fn);
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), old, &old);
            return previous;
        }
    }
    return nullptr;
}

// Notes whether the launcher's own loop ever ran: a message posted at the
// end of the initialisation is dispatched only by that loop.
struct WatchedDlg : CLauncherDlg {
    bool loopRan = false;
    BOOL OnInitDialog() override
    {
        const BOOL result = CLauncherDlg::OnInitDialog();
        PostMessageW(m_hWnd, WM_APP, 0, 0);
        return result;
    }
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& rResult) override
    {
        if (msg == WM_APP)
            loopRan = true;
        return CLauncherDlg::OnWndMsg(msg, wParam, lParam, rResult);
    }
};

TEST(TimerFailure, TellsTheUserAndEndsWithTheSettingsSaved)
{
    wt::ResetSettings();
    wt::StoreDword(L"EnableAutorun", 1);
    wt::StoreDword(L"WaitSeconds", 4);
    g_realSetTimer = PatchSetTimer(&RefuseCountdownTimer);
    ASSERT_NE(nullptr, g_realSetTimer);

    INT_PTR result = 0;
    bool loopRan = true;
    std::vector<wt::ModalDismisser::Seen> seen;
    {
        wt::ModalDismisser dismisser(nullptr);
        WatchedDlg dlg;
        result = dlg.DoModal();
        loopRan = dlg.loopRan;
        seen = dismisser.seen();
    }
    PatchSetTimer(g_realSetTimer);

    EXPECT_EQ(IDOK, result);
    EXPECT_FALSE(loopRan);
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(L"Zarvel v1.0", seen[0].title);
    EXPECT_NE(std::wstring::npos, seen[0].text.find(L"\u932f\u8aa4: SetTimer \u5931\u6557")) << seen[0].text;
    // Saved as read: the count never ran.
    EXPECT_EQ(7, wt::CountStoredValues());
    EXPECT_EQ(4, wt::StoredInt(L"WaitSeconds"));
    EXPECT_EQ(1, wt::StoredInt(L"EnableAutorun"));
}

} // namespace
