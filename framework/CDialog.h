// A modal dialog made from a dialog template. Each dialog class routes its
// messages in one OnWndMsg override; what it leaves unhandled gets the
// platform's default dialog processing.
#pragma once
#include <windows.h>

#include "Afx.h"
#include "CWnd.h"

class CDC;

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Builds the dialog, runs OnInitDialog and then the modal loop, unless
    // the dialog was ended during its initialisation.
    INT_PTR DoModal();
    void EndDialog(int nResult);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);

    // Returns true when the message was handled, with its result in rResult.
    virtual bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& rResult);

    // The platform's own colours for a control.
    HBRUSH OnCtlColor(CDC* pDC, HWND hCtl, UINT nCtlColor);

private:
    static INT_PTR CALLBACK DlgProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    BOOL HandleInitDialog();
    HWND GetOwner() const;
    void CenterWindow();

    UINT m_nIDTemplate;
    HWND m_hWndParent;
    bool m_bEnded = false;
};
