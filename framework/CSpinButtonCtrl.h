// An up-down control of a dialog template.
#pragma once
#include <commctrl.h>

#include "CWnd.h"

class CSpinButtonCtrl : public CWnd {
public:
    // UDM_SETRANGE wants the upper limit in the low word.
    void SetRange(short nLower, short nUpper) { SendMessage(UDM_SETRANGE, 0, MAKELPARAM(nUpper, nLower)); }
};
