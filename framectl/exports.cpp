// Exports by ordinal, read from the module's own export directory. KERNEL32 of Windows 95/98
// refuses GetProcAddress by ordinal for its own exports, and its 16-bit library calls are
// exported by ordinal only: the loaded image is a plain PE file, so the directory is read here.
#include "framectl/framectl.h"

// Longest module name a forwarder may name ("KRNL386.EXE16" and the like need far less).
inline constexpr int ForwardModuleSize = 64;

// The image's bytes from rva on, or null unless size bytes from there lie inside the image.
static const BYTE *ImageRange(const BYTE *base, DWORD imageSize, DWORD rva, DWORD size)
{
    if (rva > imageSize || size > imageSize - rva)
        return nullptr;
    return base + rva;
}

// A forwarder is "MODULE.Name": the module before the last dot (a module name may hold dots
// of its own), the export's name after it. Forwards by ordinal ("MODULE.#12") are not taken.
static FARPROC FollowForwarder(const char *text, DWORD textSize)
{
    DWORD length = 0;
    while (length < textSize && text[length])
        length++;
    if (length == textSize)
        return nullptr; // not terminated inside the directory
    DWORD dot = length;
    while (dot > 0 && text[dot - 1] != '.')
        dot--;
    if (dot < 2 || dot > (DWORD)ForwardModuleSize || dot == length || text[dot] == '#')
        return nullptr;
    char module[ForwardModuleSize];
    CopyText(module, (int)dot, text); // the name without its dot
    HMODULE target = GetModuleHandleA(module);
    // A module loaded here backs the address handed out, so it is kept loaded.
    if (!target)
        target = LoadLibraryA(module);
    return target ? GetProcAddress(target, text + dot) : nullptr;
}

FARPROC FindExportByOrdinal(HMODULE module, WORD ordinal)
{
    const BYTE *base = reinterpret_cast<const BYTE *>(module);
    if (!base)
        return nullptr;
    const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    // The headers of a loaded image lie in its first page; read nothing beyond it before
    // the image's own size is known.
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew < (LONG)sizeof *dos ||
        dos->e_lfanew > (LONG)(4096 - sizeof(IMAGE_NT_HEADERS32)))
        return nullptr;
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS32 *>(base + dos->e_lfanew);
    const IMAGE_OPTIONAL_HEADER32 &optional = nt->OptionalHeader;
    if (nt->Signature != IMAGE_NT_SIGNATURE || optional.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC ||
        optional.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_EXPORT)
        return nullptr;
    DWORD imageSize = optional.SizeOfImage;
    if ((DWORD)dos->e_lfanew + sizeof *nt > imageSize)
        return nullptr;

    const IMAGE_DATA_DIRECTORY &entry = optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const auto *directory = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(
        ImageRange(base, imageSize, entry.VirtualAddress, entry.Size));
    if (!directory || entry.Size < sizeof *directory)
        return nullptr;
    DWORD index = (DWORD)ordinal - directory->Base;
    if (ordinal < directory->Base || index >= directory->NumberOfFunctions)
        return nullptr;
    // The function table is read only as far as the wanted entry.
    const auto *functions = reinterpret_cast<const DWORD *>(
        ImageRange(base, imageSize, directory->AddressOfFunctions, (index + 1) * sizeof(DWORD)));
    if (!functions)
        return nullptr;
    DWORD rva = functions[index];
    if (!rva || rva >= imageSize)
        return nullptr;
    // An address inside the export directory is not code but the text of a forwarder.
    DWORD offset = rva - entry.VirtualAddress;
    if (rva >= entry.VirtualAddress && offset < entry.Size)
        return FollowForwarder(reinterpret_cast<const char *>(base + rva), entry.Size - offset);
    return reinterpret_cast<FARPROC>(const_cast<BYTE *>(base + rva));
}
