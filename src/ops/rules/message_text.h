// English texts of the program's messages by string id: the window shows
// them translated (context "Strings"), programs without a window as they are.
#pragma once

// The text of a string id, or nullptr for none. "%d" stands for a slot number.
const char* MessageText(int stringId);
