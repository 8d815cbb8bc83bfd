// A drop-down list of launch options. Items carry their LaunchOption as item
// data; the list is read and written by that data only, never by index or text.
#pragma once
#include "../framework/CComboBox.h"
#include "LaunchOption.h"

class COptionComboBox : public CComboBox {
public:
    // Appends one item per row, up to the row whose string id is 0.
    void FillFromTable(const OptionEntry* pRows);
    // Selects the first item carrying dwData; clears the selection and returns -1 when none does.
    int SelectByItemData(DWORD dwData);
    // The selected item's data, or 0 when nothing is selected.
    DWORD GetSelectedItemData() const;

protected:
    bool OnChildNotify(UINT nCode) override;
    // Sizes the dropped list to show every item without scrolling.
    void OnDropdown();
};
