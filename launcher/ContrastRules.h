// Whether the launcher shows its picture. In high contrast Windows asks that
// no bitmap stand behind text and that the system's colours be used; a query
// that fails counts as high contrast off, the look everyone else gets.
#pragma once

// The "on" bit of HIGHCONTRAST's flags (HCF_HIGHCONTRASTON).
const unsigned long HIGH_CONTRAST_ON = 0x1;

inline bool ShowsPicture(bool bQueried, unsigned long highContrastFlags)
{
    return !bQueried || !(highContrastFlags & HIGH_CONTRAST_ON);
}
