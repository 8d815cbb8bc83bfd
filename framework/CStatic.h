// A static text of a dialog template.
#pragma once
#include "CWnd.h"

class CStatic : public CWnd {};
