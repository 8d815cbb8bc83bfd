// The About box: a template and its OK button, nothing else.
#pragma once
#include "../framework/CDialog.h"
#include "../res/resource.h"

class CAboutDlg : public CDialog {
public:
    enum { IDD = IDD_ABOUT };
    CAboutDlg() : CDialog(IDD) {}
};
