// The auto-run delay box. Holds its text to 1..10 seconds and, when the user
// touches it, stops the countdown timer on its parent directly.
#pragma once
#include "../framework/CEdit.h"

class CDelayEdit : public CEdit {
protected:
    bool OnChildNotify(UINT nCode) override;
    void OnChange();
    void OnSetfocus();

private:
    void KillParentTimer();
};
