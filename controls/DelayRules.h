// Window-free rules of the delay box: reading its text and holding it to 1..10.
#pragma once

const int DELAY_MIN = 1;
const int DELAY_MAX = 10;

// Leading white space, an optional sign, then decimal digits up to the first
// other character; 0 when there are none. Unlike atoi it saturates at the
// int limits, so a pasted 40-digit number reads as the largest int instead of
// whatever the overflow happens to leave.
inline int ParseDecimal(const wchar_t* text)
{
    const wchar_t* p = text;
    while (*p == L' ' || (*p >= L'\t' && *p <= L'\r'))
        ++p;
    bool negative = false;
    if (*p == L'+' || *p == L'-')
        negative = *p++ == L'-';
    const long long limit = negative ? 2147483648LL : 2147483647LL;
    long long value = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p) {
        value = value * 10 + (*p - L'0');
        if (value > limit)
            value = limit;
    }
    return static_cast<int>(negative ? -value : value);
}

// The bound a value must be corrected to, or 0 when it is in range.
inline int DelayCorrection(int value)
{
    if (value < DELAY_MIN)
        return DELAY_MIN;
    if (value > DELAY_MAX)
        return DELAY_MAX;
    return 0;
}
