// Window-free geometry of the two views and of the painted background.
#pragma once

// A view ends at its marker's top edge; heights are in screen pixels.
inline int ViewHeight(int markerTop, int dialogTop) { return markerTop - dialogTop; }

// A child stays usable when its top edge lies inside the shortened window.
inline bool ChildInsideView(int childTop, int dialogTop, int height) { return childTop <= dialogTop + height; }

// The scaling that resource pictures are drawn for.
const int DEFAULT_DPI = 96;

// A length in pixels at the default DPI, at another DPI, rounded to the nearest pixel.
inline int ScaleForDpi(int n, int dpi) { return (n * dpi + DEFAULT_DPI / 2) / DEFAULT_DPI; }

// Calls tile(x, y) for every copy of a bw x bh picture that tiles a cw x ch
// client area from its top-left corner. A picture at least as large as the
// area is drawn once. A picture without a size yields no copies, so the caller
// can fall back to a plain fill and the loop never steps by zero.
template <class F>
void ForEachTile(int cw, int ch, int bw, int bh, F tile)
{
    if (bw <= 0 || bh <= 0)
        return;
    if (bw >= cw && bh >= ch) {
        tile(0, 0);
        return;
    }
    for (int y = 0; y < ch; y += bh)
        for (int x = 0; x < cw; x += bw)
            tile(x, y);
}

// Where a cx x cy icon sits centred in a w x h client area. The division
// truncates toward zero, as integer division in C++ does.
struct IconOrigin {
    int x;
    int y;
};

inline IconOrigin CenteredIcon(int w, int h, int cx, int cy) { return {(w - cx + 1) / 2, (h - cy + 1) / 2}; }
