// Link (SysLink) control wrapper: the base of the program's link control.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "framework/CWindow.h"

class CLinkCtrl : public CWindow {};
