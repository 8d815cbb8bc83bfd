#include "COptionComboBox.h"

#include "OptionListRules.h"

void COptionComboBox::FillFromTable(const OptionEntry* pRows)
{
    for (; pRows->nStringId != 0; ++pRows) {
        CString strText;
        strText.LoadString(pRows->nStringId);
        const int nIndex = AddString(strText);
        if (nIndex >= 0)
            SetItemData(nIndex, pRows->nItemData);
    }
}

int COptionComboBox::SelectByItemData(DWORD dwData)
{
    for (int i = 0; i < GetCount(); ++i) {
        if (GetItemData(i) == dwData) {
            SetCurSel(i);
            return i;
        }
    }
    SetCurSel(-1);
    return -1;
}

DWORD COptionComboBox::GetSelectedItemData() const
{
    const int nIndex = GetCurSel();
    return nIndex == CB_ERR ? 0 : GetItemData(nIndex);
}

bool COptionComboBox::OnChildNotify(UINT nCode)
{
    if (nCode != CBN_DROPDOWN)
        return false;
    OnDropdown();
    return true;
}

void COptionComboBox::OnDropdown()
{
    RECT rc;
    GetWindowRect(&rc);
    const int nHeight = DropdownHeight(GetCount(), GetItemHeight(0));
    SetWindowPos(nullptr, 0, 0, rc.right - rc.left, nHeight, SWP_NOMOVE | SWP_NOZORDER);
}
