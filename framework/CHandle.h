// Owns a kernel object handle and closes it when the object goes.
#pragma once
#include <windows.h>

class CHandle {
public:
    explicit CHandle(HANDLE hHandle = nullptr) : m_hHandle(hHandle) {}
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    ~CHandle()
    {
        if (m_hHandle)
            ::CloseHandle(m_hHandle);
    }

    operator HANDLE() const { return m_hHandle; }

private:
    HANDLE m_hHandle;
};
