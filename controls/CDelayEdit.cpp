#include "CDelayEdit.h"

#include "DelayRules.h"
#include "LaunchOption.h"

bool CDelayEdit::OnChildNotify(UINT nCode)
{
    switch (nCode) {
    case EN_CHANGE:
        OnChange();
        return true;
    case EN_SETFOCUS:
        OnSetfocus();
        return true;
    }
    return false;
}

// The text changed: typing, pasting, an arrow step or the program itself.
void CDelayEdit::OnChange()
{
    KillParentTimer();
    CString strText;
    GetWindowText(strText);
    const int nBound = DelayCorrection(ParseDecimal(strText));
    if (nBound == 0)
        return;
    // Raises EN_CHANGE once more, inside this call; the bound is in range,
    // so the nested run changes nothing.
    CString strBound;
    strBound.Format(L"%d", nBound);
    SetWindowText(strBound);
}

// The box got the focus: the user is about to change the delay.
void CDelayEdit::OnSetfocus() { KillParentTimer(); }

// Leaves the button's countdown caption alone; only the ticking stops.
void CDelayEdit::KillParentTimer() { ::KillTimer(::GetParent(m_hWnd), ID_AUTORUN_TIMER); }
