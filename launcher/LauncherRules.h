// The launcher's window-free rules: option resolution, the default button, the
// launch outcome and the countdown arithmetic.
#pragma once
#include "../controls/LaunchOption.h"

// OPT_LAST_USED stands for whichever program ran last; any other value is itself.
inline int ResolveOption(int option, int lastUsed) { return option == OPT_LAST_USED ? lastUsed : option; }

// The Nero Express button is the default when the default-program list names it
// directly or through the last used program; otherwise the Nero button is.
inline bool ExpressIsDefault(int defaultProgram, int lastUsed)
{
    return ResolveOption(defaultProgram, lastUsed) == OPT_EXPRESS;
}

// The shell reports success with a value above 31.
inline bool LaunchFailed(intptr_t shellResult) { return shellResult < 32; }

// One countdown tick. Returns true when the count has run out; otherwise the
// count is one less. Compares before subtracting so that no stored value,
// however negative, can overflow.
inline bool CountdownTick(int& secondsLeft)
{
    if (secondsLeft > 1) {
        --secondsLeft;
        return false;
    }
    secondsLeft = 0;
    return true;
}
