// Window-free sizing rule of the option lists.
#pragma once

// Total height of a dropped-down list: the selection field and the list share
// h * (rows + 2), where the list shows at least two rows. Saturates instead of
// overflowing for absurd counts.
inline int DropdownHeight(int itemCount, int itemHeight)
{
    const long long rows = itemCount > 2 ? itemCount : 2;
    const long long total = static_cast<long long>(itemHeight) * (rows + 2);
    const long long limit = 0x7fffffff;
    return static_cast<int>(total > limit ? limit : total);
}
