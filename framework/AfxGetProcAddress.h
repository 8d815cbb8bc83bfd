// A function of a system DLL, looked up by name: for what older Windows lack,
// or what should load only when first used.
#pragma once
#include <windows.h>

// Null without the module or the name.
template <class F>
F AfxGetProcAddress(HMODULE hModule, LPCSTR pszName)
{
    const FARPROC pfn = hModule ? ::GetProcAddress(hModule, pszName) : nullptr;
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(pfn));
}
