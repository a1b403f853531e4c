#pragma once

class QComboBox;

// A drop-down list whose open list is as wide as its widest item (with the scroll bar and
// the frame), however narrow the closed box, and shows at most `rows` items at a time,
// scrolling the rest. Without it a style that opens the list as a menu (Fusion) makes it as
// tall as the screen allows and as narrow as the box, eliding every item. Call it after
// the items are in.
void FitComboPopup(QComboBox* list, int rows);

// The width FitComboPopup gives the open list.
int ComboPopupWidth(const QComboBox* list);
