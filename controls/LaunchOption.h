// Launch choices and the countdown timer id, shared by the dialog and its controls.
// Window-free so the rules built on them test natively.
#pragma once
#include <stdint.h>

// The numbers double as the string ids of the choices' texts and as list item data.
enum LaunchOption : int32_t {
    OPT_NERO = 1004,
    OPT_EXPRESS = 1005,
    OPT_LAST_USED = 1006,
};

// One row of an option table: an item's text id and its item data. A row with
// string id 0 ends the table.
struct OptionEntry {
    uint32_t nStringId;
    uint32_t nItemData;
};

// Timer ids and control ids are separate number spaces; 1008 here is the timer.
const unsigned ID_AUTORUN_TIMER = 1008;
const unsigned AUTORUN_PERIOD_MS = 1000;
