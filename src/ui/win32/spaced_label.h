// Keeps a label's blanks as wide as the layout was drawn with, whatever the font.
#pragma once

#include <windows.h>

namespace lumeno::win32 {

// Makes the static text paint each blank half as wide as a Chinese character of its font.
// The window's layout was drawn with a font whose blank has exactly that width: 标签1
// reads "监控间隔", seven blanks, "秒", and 编辑框1 sits over the blanks. With today's UI
// fonts a blank is a quarter of a character or less, and "秒" would slide under the box.
// The label's text stays as it is; only its painting changes.
void KeepLayoutBlanks(HWND label);

}  // namespace lumeno::win32
