// The few C runtime routines the compiler emits calls to. Windows 95 has no msvcrt.dll to
// import them from, so the module carries its own. String instructions keep the compiler
// from turning these loops back into calls to themselves.
#include <stddef.h>

extern "C" void *memset(void *dst, int value, size_t count)
{
    void *d = dst;
    __asm__ volatile("rep stosb" : "+D"(d), "+c"(count) : "a"(value) : "memory");
    return dst;
}

extern "C" void *memcpy(void *dst, const void *src, size_t count)
{
    void *d = dst;
    __asm__ volatile("rep movsb" : "+D"(d), "+S"(src), "+c"(count) : : "memory");
    return dst;
}

extern "C" void *memmove(void *dst, const void *src, size_t count)
{
    unsigned char *d = static_cast<unsigned char *>(dst);
    const unsigned char *s = static_cast<const unsigned char *>(src);
    if (d <= s || d >= s + count)
        return memcpy(dst, src, count);
    d += count - 1;
    s += count - 1;
    __asm__ volatile("std\n\trep movsb\n\tcld" : "+D"(d), "+S"(s), "+c"(count) : : "memory");
    return dst;
}

extern "C" int memcmp(const void *a, const void *b, size_t count)
{
    const unsigned char *x = static_cast<const unsigned char *>(a);
    const unsigned char *y = static_cast<const unsigned char *>(b);
    for (size_t i = 0; i < count; i++) {
        if (x[i] != y[i])
            return x[i] < y[i] ? -1 : 1;
    }
    return 0;
}
