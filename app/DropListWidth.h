// The width of a combo box's drop-down list, made wide enough for its longest text.
#pragma once
#include "framework/CComboBox.h"

// Widens the list (never narrower than the box) so that every text shows whole, measured
// in the box's font, with room for the list's frame, its item margins and a scroll bar.
void FitDropListToTexts(CComboBox& combo);
