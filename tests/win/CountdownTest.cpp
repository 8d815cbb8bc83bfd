// The auto-run countdown of the launcher: the count on the target's button,
// the start and the close at expiry, and every action that stops it for good.
#include <gtest/gtest.h>

#include <stdio.h>

#include <functional>
#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "launcher/CLauncherDlg.h"

namespace {

const wchar_t kNero[] = L"Nero(&N)";
const wchar_t kExpress[] = L"Nero Express(&E)";
const wchar_t kNeroFailure[] = L"\u7121\u6cd5\u57f7\u884c Nero.";

std::wstring Counting(const wchar_t* caption, int n) { return caption + (L"   [" + std::to_wstring(n) + L"]"); }

// The launcher, with a record of the countdown ticks that reach it.
class CCountdownDlg : public CLauncherDlg {
public:
    ULONGLONG armedAt = 0;
    std::vector<ULONGLONG> ticks;

protected:
    BOOL OnInitDialog() override
    {
        const BOOL bResult = CLauncherDlg::OnInitDialog();
        armedAt = GetTickCount64();
        return bResult;
    }
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& rResult) override
    {
        if (msg == WM_TIMER && wParam == ID_AUTORUN_TIMER)
            ticks.push_back(GetTickCount64());
        return CLauncherDlg::OnWndMsg(msg, wParam, lParam, rResult);
    }
};

// A fresh current folder for the run, with the stand-in nero.exe (built
// beside this test, in ../support) or without it; the old one comes back after.
class NeroFolder {
public:
    explicit NeroFolder(bool withNero)
    {
        wchar_t path[MAX_PATH] = L"";
        GetCurrentDirectoryW(MAX_PATH, path);
        m_old = path;
        GetTempPathW(MAX_PATH, path);
        static unsigned counter = 0;
        m_dir =
            path + (L"zarvel-countdown-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
        CreateDirectoryW(m_dir.c_str(), nullptr);
        // Process ids come round again; a folder left by an earlier run lends nothing.
        for (const wchar_t* name : {L"\\nero.exe", L"\\nero.log"})
            DeleteFileW((m_dir + name).c_str());
        if (withNero) {
            GetModuleFileNameW(nullptr, path, MAX_PATH);
            std::wstring standIn(path);
            standIn = standIn.substr(0, standIn.find_last_of(L'\\')) + L"\\..\\support\\nero.exe";
            m_hasNero = CopyFileW(standIn.c_str(), (m_dir + L"\\nero.exe").c_str(), FALSE) != FALSE;
        }
        SetCurrentDirectoryW(m_dir.c_str());
    }
    ~NeroFolder()
    {
        SetCurrentDirectoryW(m_old.c_str());
        for (const wchar_t* name : {L"\\nero.exe", L"\\nero.log"})
            DeleteFileW((m_dir + name).c_str());
        RemoveDirectoryW(m_dir.c_str());
    }
    bool hasNero() const { return m_hasNero; }
    // The argument text of every start of the stand-in so far.
    std::vector<std::string> Calls() const
    {
        std::vector<std::string> calls;
        FILE* f = _wfopen((m_dir + L"\\nero.log").c_str(), L"rb");
        if (!f)
            return calls;
        char line[1024];
        while (fgets(line, sizeof(line), f))
            calls.emplace_back(std::string(line).substr(0, std::string(line).find('\t')));
        fclose(f);
        return calls;
    }
    // The stand-in runs on its own and sends no message; poll for its line.
    std::vector<std::string> WaitCalls(size_t n) const
    {
        const ULONGLONG end = GetTickCount64() + 10000;
        while (Calls().size() < n && GetTickCount64() < end)
            wt::Pump(nullptr, 20);
        return Calls();
    }

private:
    std::wstring m_old, m_dir;
    bool m_hasNero = false;
};

struct Stored {
    int waitSeconds = 5;
    int selectedOption = OPT_NERO;
    int lastUsed = OPT_NERO;
    int closeAfter = 1;
    int expanded = 1;
};

class Countdown : public ::testing::Test {
protected:
    void SetUp() override { Store(Stored()); }
    void TearDown() override { wt::ResetSettings(); }
    static void Store(const Stored& s)
    {
        wt::ResetSettings();
        wt::StoreDword(L"EnableAutorun", 1);
        wt::StoreDword(L"WaitSeconds", static_cast<DWORD>(s.waitSeconds));
        wt::StoreDword(L"SelectedOption", static_cast<DWORD>(s.selectedOption));
        wt::StoreDword(L"LastUsedOption", static_cast<DWORD>(s.lastUsed));
        wt::StoreDword(L"CloseZarvel", static_cast<DWORD>(s.closeAfter));
        wt::StoreDword(L"DlgExpanded", static_cast<DWORD>(s.expanded));
    }
};

void Tick(HWND hDlg) { SendMessageW(hDlg, WM_TIMER, ID_AUTORUN_TIMER, 0); }
bool Open(HWND hDlg) { return IsWindowVisible(hDlg) != FALSE; }
// KillTimer reports whether the timer still existed.
bool TimerWasRunning(HWND hDlg) { return KillTimer(hDlg, ID_AUTORUN_TIMER) != FALSE; }

TEST_F(Countdown, CountsThreeTwoOneThenStartsNeroAndClosesEvenWithCloseAfterOff)
{
    Stored s;
    s.waitSeconds = 3;
    s.closeAfter = 0;
    Store(s);
    NeroFolder folder(true);
    ASSERT_TRUE(folder.hasNero());
    CCountdownDlg dlg;
    wt::RunModal(dlg, [&](HWND hDlg) {
        HWND hNero = GetDlgItem(hDlg, IDC_RUN_NERO);
        EXPECT_EQ(Counting(kNero, 3), wt::WindowText(hNero));
        EXPECT_EQ(kExpress, wt::ItemText(hDlg, IDC_RUN_EXPRESS));
        Tick(hDlg);
        EXPECT_EQ(Counting(kNero, 2), wt::WindowText(hNero));
        Tick(hDlg);
        EXPECT_EQ(Counting(kNero, 1), wt::WindowText(hNero));
        EXPECT_TRUE(Open(hDlg));
        Tick(hDlg);
        EXPECT_FALSE(Open(hDlg)) << "the window stayed after the countdown ran out";
        EXPECT_EQ(kNero, wt::WindowText(hNero));
        EXPECT_EQ(std::vector<std::string>{""}, folder.WaitCalls(1));
        // Close-with-save ran: all seven settings are there.
        EXPECT_EQ(7, wt::CountStoredValues());
        EXPECT_EQ(3, wt::StoredInt(L"WaitSeconds"));
        EXPECT_EQ(0, wt::StoredInt(L"CloseZarvel"));
        EXPECT_EQ(1, wt::StoredInt(L"EnableAutorun"));
        EXPECT_EQ(OPT_NERO, wt::StoredInt(L"LastUsedOption"));
    });
}

TEST_F(Countdown, LastUsedChoiceCountsOnAndStartsThatProgram)
{
    struct Case {
        int lastUsed;
        int countingButton, plainButton;
        const wchar_t *counting, *plain;
        const char* args;
    };
    const Case cases[] = {{OPT_NERO, IDC_RUN_NERO, IDC_RUN_EXPRESS, kNero, kExpress, ""},
                          {OPT_EXPRESS, IDC_RUN_EXPRESS, IDC_RUN_NERO, kExpress, kNero, "-w"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lastUsed);
        Stored s;
        s.waitSeconds = 2;
        s.selectedOption = OPT_LAST_USED;
        s.lastUsed = c.lastUsed;
        Store(s);
        NeroFolder folder(true);
        ASSERT_TRUE(folder.hasNero());
        CCountdownDlg dlg;
        wt::RunModal(dlg, [&](HWND hDlg) {
            EXPECT_EQ(Counting(c.counting, 2), wt::ItemText(hDlg, c.countingButton));
            EXPECT_EQ(c.plain, wt::ItemText(hDlg, c.plainButton));
            Tick(hDlg);
            EXPECT_EQ(Counting(c.counting, 1), wt::ItemText(hDlg, c.countingButton));
            Tick(hDlg);
            EXPECT_FALSE(Open(hDlg));
            EXPECT_EQ(std::vector<std::string>{c.args}, folder.WaitCalls(1));
            EXPECT_EQ(c.lastUsed, wt::StoredInt(L"LastUsedOption"));
            EXPECT_EQ(OPT_LAST_USED, wt::StoredInt(L"SelectedOption"));
        });
    }
}

// No program to start: no count anywhere, nothing started, and still the close.
TEST_F(Countdown, TargetOfNeitherProgramStartsNothingButStillCloses)
{
    const int choices[][2] = {{OPT_LAST_USED, 0}, {1007, OPT_NERO}};
    for (const auto& choice : choices) {
        SCOPED_TRACE(choice[0]);
        Stored s;
        s.waitSeconds = 2;
        s.selectedOption = choice[0];
        s.lastUsed = choice[1];
        Store(s);
        NeroFolder folder(false); // any start attempt would show its failure box
        CCountdownDlg dlg;
        wt::RunModal(dlg, [&](HWND hDlg) {
            wt::ModalDismisser boxes(hDlg);
            EXPECT_EQ(kNero, wt::ItemText(hDlg, IDC_RUN_NERO));
            EXPECT_EQ(kExpress, wt::ItemText(hDlg, IDC_RUN_EXPRESS));
            Tick(hDlg);
            EXPECT_TRUE(Open(hDlg));
            Tick(hDlg);
            EXPECT_FALSE(Open(hDlg));
            EXPECT_TRUE(boxes.seen().empty()) << "something was started";
            EXPECT_EQ(7, wt::CountStoredValues());
            EXPECT_EQ(choice[1], wt::StoredInt(L"LastUsedOption"));
        });
    }
}

// The box shows the delay clamped; the count runs on the stored number.
TEST_F(Countdown, StoredDelayOutsideTheRangeCountsAsStored)
{
    struct Case {
        int stored;
        const wchar_t* shown;
        bool firesAtFirstTick;
    };
    const Case cases[] = {{0, L"1", true}, {-3, L"1", true}, {25, L"10", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        Stored s;
        s.waitSeconds = c.stored;
        Store(s);
        NeroFolder folder(false);
        CCountdownDlg dlg;
        wt::RunModal(dlg, [&](HWND hDlg) {
            HWND hNero = GetDlgItem(hDlg, IDC_RUN_NERO);
            EXPECT_EQ(c.shown, wt::ItemText(hDlg, IDC_DELAY));
            EXPECT_EQ(Counting(kNero, c.stored), wt::WindowText(hNero));
            wt::ModalDismisser boxes(hDlg);
            Tick(hDlg);
            if (!c.firesAtFirstTick) {
                EXPECT_EQ(Counting(kNero, c.stored - 1), wt::WindowText(hNero));
                EXPECT_TRUE(Open(hDlg));
                return;
            }
            // The failed start reports itself, and the window goes all the same.
            ASSERT_EQ(1u, boxes.seen().size());
            EXPECT_EQ(L"Zarvel v1.0", boxes.seen()[0].title);
            EXPECT_NE(std::wstring::npos, boxes.seen()[0].text.find(kNeroFailure)) << boxes.seen()[0].text;
            EXPECT_FALSE(Open(hDlg));
            EXPECT_EQ(kNero, wt::WindowText(hNero));
            EXPECT_EQ(1, wt::StoredInt(L"WaitSeconds"));
        });
        if (!c.firesAtFirstTick) {
            EXPECT_EQ(10, wt::StoredInt(L"WaitSeconds"));
        }
    }
}

void Click(HWND hDlg, int id) { SendDlgItemMessageW(hDlg, id, BM_CLICK, 0, 0); }

void PressEscape(HWND hDlg)
{
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageW(GetFocus(), WM_KEYUP, VK_ESCAPE, 0xC0000001);
    wt::PumpUntil(hDlg, 3000, [&] { return wt::ItemText(hDlg, IDC_RUN_NERO) == kNero; });
}

TEST_F(Countdown, EveryStopTriggerRestoresTheCaptionAndKillsTheTimer)
{
    struct Trigger {
        const char* name;
        std::function<void(HWND)> act;
        bool closes;
    };
    const Trigger triggers[] = {
        {"Nero button", [](HWND h) { Click(h, IDC_RUN_NERO); }, false},
        {"Nero Express button", [](HWND h) { Click(h, IDC_RUN_EXPRESS); }, false},
        {"view toggle", [](HWND h) { Click(h, IDC_TOGGLE_VIEW); }, false},
        {"auto-run box", [](HWND h) { Click(h, IDC_AUTORUN); }, false},
        {"close-after box", [](HWND h) { Click(h, IDC_CLOSE_AFTER); }, false},
        {"default list focus", [](HWND h) { SetFocus(GetDlgItem(h, IDC_DEFAULT_PROGRAM)); }, false},
        {"auto-run list focus", [](HWND h) { SetFocus(GetDlgItem(h, IDC_AUTORUN_PROGRAM)); }, false},
        {"surface click", [](HWND h) { SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4)); }, false},
        {"IDCANCEL", [](HWND h) { SendMessageW(h, WM_COMMAND, IDCANCEL, 0); }, false},
        {"Escape key", PressEscape, false},
        {"close", [](HWND h) { SendMessageW(h, WM_CLOSE, 0, 0); }, true},
    };
    for (const Trigger& t : triggers) {
        SCOPED_TRACE(t.name);
        Store(Stored());
        NeroFolder folder(false); // the launch buttons fail and say so
        CCountdownDlg dlg;
        wt::RunModal(dlg, [&](HWND hDlg) {
            wt::ModalDismisser boxes(hDlg);
            ASSERT_EQ(Counting(kNero, 5), wt::ItemText(hDlg, IDC_RUN_NERO));
            t.act(hDlg);
            EXPECT_EQ(kNero, wt::ItemText(hDlg, IDC_RUN_NERO));
            EXPECT_EQ(kExpress, wt::ItemText(hDlg, IDC_RUN_EXPRESS));
            EXPECT_FALSE(TimerWasRunning(hDlg));
            EXPECT_EQ(!t.closes, Open(hDlg));
        });
    }
}

// The delay box stops the ticking on its own and leaves the last count on the
// button; the next of the dialog's own stops takes it off.
TEST_F(Countdown, DelayBoxStopsTheTimerButLeavesTheCountUntilTheSurfaceIsClicked)
{
    const std::function<void(HWND)> touches[] = {
        [](HWND h) { SetFocus(GetDlgItem(h, IDC_DELAY)); },
        [](HWND h) { SetDlgItemTextW(h, IDC_DELAY, L"8"); },
    };
    for (const auto& touch : touches) {
        Store(Stored());
        CCountdownDlg dlg;
        wt::RunModal(dlg, [&](HWND hDlg) {
            Tick(hDlg);
            ASSERT_EQ(Counting(kNero, 4), wt::ItemText(hDlg, IDC_RUN_NERO));
            touch(hDlg);
            EXPECT_FALSE(TimerWasRunning(hDlg));
            EXPECT_EQ(Counting(kNero, 4), wt::ItemText(hDlg, IDC_RUN_NERO));
            SendMessageW(hDlg, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
            EXPECT_EQ(kNero, wt::ItemText(hDlg, IDC_RUN_NERO));
        });
    }
}

// With the real timer: once stopped, nothing ticks, starts or closes past the
// moment the countdown would have run out, though auto-run stays checked.
TEST_F(Countdown, StoppedCountdownNeverResumes)
{
    Stored s;
    s.waitSeconds = 1;
    Store(s);
    NeroFolder folder(false);
    CCountdownDlg dlg;
    wt::RunModal(dlg, [&](HWND hDlg) {
        wt::ModalDismisser boxes(hDlg);
        SetFocus(GetDlgItem(hDlg, IDC_AUTORUN_PROGRAM));
        ASSERT_TRUE(dlg.ticks.empty()) << "the test started too late";
        wt::Pump(hDlg, 2200);
        EXPECT_TRUE(dlg.ticks.empty());
        EXPECT_TRUE(Open(hDlg));
        EXPECT_EQ(kNero, wt::ItemText(hDlg, IDC_RUN_NERO));
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(hDlg, IDC_AUTORUN));
        EXPECT_TRUE(boxes.seen().empty());
    });
}

// With the real timer: one count a second, then the start and the close.
TEST_F(Countdown, RealTimerCountsDownAndCloses)
{
    Stored s;
    s.waitSeconds = 2;
    Store(s);
    NeroFolder folder(true);
    ASSERT_TRUE(folder.hasNero());
    CCountdownDlg dlg;
    wt::RunModal(dlg, [&](HWND hDlg) {
        std::vector<std::wstring> captions;
        const bool closed = wt::PumpUntil(hDlg, 6000, [&] {
            const std::wstring now = wt::ItemText(hDlg, IDC_RUN_NERO);
            if (captions.empty() || captions.back() != now)
                captions.push_back(now);
            return !Open(hDlg);
        });
        ASSERT_TRUE(closed);
        const std::vector<std::wstring> expected = {Counting(kNero, 2), Counting(kNero, 1), kNero};
        EXPECT_EQ(expected, captions);
        EXPECT_EQ(std::vector<std::string>{""}, folder.WaitCalls(1));
        ASSERT_EQ(2u, dlg.ticks.size());
        // For the record, not a target: how the platform's timer keeps time.
        printf("ticks after arming: %llu ms, %llu ms\n", dlg.ticks[0] - dlg.armedAt, dlg.ticks[1] - dlg.armedAt);
    });
}

} // namespace
