// A static text painted with layout-width blanks (see spaced_label.h).
#include "ui/win32/spaced_label.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

namespace lumeno::win32 {

namespace {

constexpr UINT_PTR kSubclassId = 1;

void Paint(HWND label) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(label, &paint);
    if (dc == nullptr) return;
    RECT client{};
    GetClientRect(label, &client);

    // The parent picks colours and background as for any static text.
    auto brush = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(label), WM_CTLCOLORSTATIC,
                                                       reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(label)));
    FillRect(dc, &client, brush != nullptr ? brush : GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
    const HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;

    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(label)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(label, text.data(), static_cast<int>(text.size()))));
    SIZE character{};
    GetTextExtentPoint32W(dc, L"\x4E2D", 1, &character);  // one Chinese character
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const int blank = character.cx / 2;
    const int y = (client.bottom - metrics.tmHeight) / 2;  // centred, one line

    int x = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == L' ') {
            x += blank;
            ++i;
            continue;
        }
        const std::size_t end = std::min(text.find(L' ', i), text.size());
        const int length = static_cast<int>(end - i);
        TextOutW(dc, x, y, text.data() + i, length);
        SIZE run{};
        GetTextExtentPoint32W(dc, text.data() + i, length, &run);
        x += run.cx;
        i = end;
    }

    if (previous != nullptr) SelectObject(dc, previous);
    EndPaint(label, &paint);
}

LRESULT CALLBACK LabelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                           DWORD_PTR) {
    switch (message) {
        case WM_PAINT:
            Paint(label);
            return 0;
        case WM_NCDESTROY:
            RemoveWindowSubclass(label, LabelProc, id);
            break;
        default:
            break;
    }
    return DefSubclassProc(label, message, wParam, lParam);
}

}  // namespace

void KeepLayoutBlanks(HWND label) {
    SetWindowSubclass(label, LabelProc, kSubclassId, 0);
}

}  // namespace lumeno::win32
