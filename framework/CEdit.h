// An edit box of a dialog template.
#pragma once
#include "CWnd.h"

class CEdit : public CWnd {};
