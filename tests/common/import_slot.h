// This program's import slots. The module's code linked into a test program calls the
// platform through them, so a test can watch a call, fail it, or answer as another system
// would by putting its own function in the slot. Name a slot by its import symbol:
//   extern "C" FARPROC ImportedRegDeleteKeyA __asm__("__imp__RegDeleteKeyA@8");
#pragma once

#include <windows.h>

// Puts value into the slot; returns what was there.
inline FARPROC SwapImportSlot(FARPROC *slot, FARPROC value)
{
    DWORD protection;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    FARPROC was = *slot;
    *slot = value;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
    return was;
}

// The slot swapped for as long as the object lives; original is the function it held.
template <typename Proc> struct ImportSlotSwap {
    ImportSlotSwap(FARPROC *slot, Proc replacement)
        : slot(slot), original(reinterpret_cast<Proc>(
                          SwapImportSlot(slot, reinterpret_cast<FARPROC>(replacement))))
    {
    }
    ~ImportSlotSwap() { SwapImportSlot(slot, reinterpret_cast<FARPROC>(original)); }
    ImportSlotSwap(const ImportSlotSwap &) = delete;
    ImportSlotSwap &operator=(const ImportSlotSwap &) = delete;

    FARPROC *slot;
    Proc original;
};
