// Memory whose last readable byte is followed by a no-access page: data placed to end there
// makes any read or write past its end fault, so a test sees an overrun as a crash.
#pragma once

#include <windows.h>

class GuardedEnd
{
  public:
    GuardedEnd()
    {
        base = static_cast<BYTE *>(
            VirtualAlloc(nullptr, 4 * 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(base + 3 * 4096, 4096, PAGE_NOACCESS, &old);
    }
    ~GuardedEnd() { VirtualFree(base, 0, MEM_RELEASE); }
    GuardedEnd(const GuardedEnd &) = delete;
    GuardedEnd &operator=(const GuardedEnd &) = delete;
    // Room for up to three pages that end at the guard.
    BYTE *EndingWith(size_t size) { return base + 3 * 4096 - size; }

  private:
    BYTE *base;
};
