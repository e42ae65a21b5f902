// Edit control wrapper: the window wrapper's text calls are all the program asks of one
// (the entry name box is read-only by its template style).
#pragma once
#include "framework/CWindow.h"

class CEdit : public CWindow {};
