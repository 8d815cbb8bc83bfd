// The objects behind this program's own windows, found by window handle.
// Kept in the process: nothing another program can set on a window (a
// property, its extra bytes) is ever taken for a pointer.
#pragma once
#include <windows.h>

class CWnd;

class CHandleMap {
public:
    // False when the map is full; the window then simply has no object.
    bool SetPermanent(HWND hWnd, CWnd* pWnd);
    void RemoveHandle(HWND hWnd);
    CWnd* LookupPermanent(HWND hWnd) const;

private:
    // The launcher maps eleven windows; room to spare for its About box.
    enum { MAX_WINDOWS = 32 };
    struct Entry {
        HWND hWnd;
        CWnd* pWnd;
    };
    Entry m_entries[MAX_WINDOWS] = {};
    int m_nCount = 0;
};
