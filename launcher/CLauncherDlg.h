// The launcher window: two launch buttons, the optional auto-run countdown,
// the simple and advanced views and the settings they keep.
#pragma once
#include "../controls/CDelayEdit.h"
#include "../controls/COptionComboBox.h"
#include "../framework/CBitmap.h"
#include "../framework/CButton.h"
#include "../framework/CDialog.h"
#include "../framework/CSpinButtonCtrl.h"
#include "../framework/CStatic.h"
#include "../res/resource.h"

class CLauncherDlg : public CDialog {
public:
    enum { IDD = IDD_LAUNCHER };
    explicit CLauncherDlg(CWnd* pParent = nullptr);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& rResult) override;

    // Handlers; those returning bool return false to let default processing follow.
    bool OnCommand(UINT nID, UINT nCode);
    bool OnSysCommand(UINT nID, LPARAM lParam);
    bool OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnLaunchNero();
    void OnLaunchExpress();
    void OnClose();
    BOOL OnQueryEndSession();
    void OnEndSession(bool bEnding);
    void OnToggleView();
    void OnAutorunClicked();
    bool OnTimer(UINT_PTR nIDEvent);
    void OnLButtonDown();
    BOOL OnEraseBkgnd(CDC* pDC);
    HBRUSH OnCtlColor(CDC* pDC, HWND hCtl, UINT nCtlColor);
    void OnSysColorChange();

    // Countdown.
    void ArmCountdown();
    void ShowCountdown(int nSeconds);
    void StopCountdown();

    // Views.
    void SetViewLayout(CWnd* pWnd, UINT nSimpleMarkId, UINT nAdvancedMarkId, UINT nCaptionsId, BOOL bUseStored);
    void UpdateTimerControls();

    // Painting.
    void LoadBackground();
    void ScaleBackground(CDC* pDC, int nDpiX, int nDpiY);
    static bool HighContrastOn();

private:
    void AddAboutMenuEntry();
    void ChooseDefaultButton();
    void SaveSettings();
    void Launch(int nOption, LPCWSTR pszParameters, UINT nIDFailure);

    CStatic m_delayLabel;
    COptionComboBox m_defaultCombo;
    CButton m_launchExpressButton;
    CButton m_launchNeroButton;
    CButton m_closeAfterCheck;
    CButton m_autorunCheck;
    CDelayEdit m_delayEdit;
    CSpinButtonCtrl m_delaySpin;
    COptionComboBox m_autorunCombo;
    CButton m_toggleViewButton;
    HICON m_hIcon;
    int m_bExpanded = 0;
    int m_nLastUsed = OPT_NERO;
    int m_nSecondsLeft = 10;
    int m_nAutorunTarget = OPT_NERO;
    CString m_strSavedCaption;
    CButton* m_pCountdownButton = nullptr;
    bool m_bHighContrast = false;

protected:
    CBitmap m_bmpBackground;
};
