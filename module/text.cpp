// Bounded copy and format, sizes in words and in folder names, and paths: every fixed-size
// buffer write of the module goes through these.
#include "module/formats.h"

static int TextLength(const char *text)
{
    int n = 0;
    while (text[n])
        n++;
    return n;
}

int CopyText(char *dst, int dstSize, const char *src)
{
    if (dstSize <= 0)
        return 0;
    int n = 0;
    if (src) {
        while (n < dstSize - 1 && src[n]) {
            dst[n] = src[n];
            n++;
        }
    }
    dst[n] = '\0';
    return n;
}

// Only "%s" is understood; the module's formats need nothing else. The whole result is
// measured first, so a text that does not fit is refused rather than cut.
int FormatText(char *dst, int dstSize, const char *format, const char *a, const char *b,
               const char *c)
{
    const char *args[3] = {a, b, c};
    if (dstSize <= 0)
        return 0;

    int needed = 0;
    int arg = 0;
    for (const char *f = format; *f; f++) {
        if (f[0] == '%' && f[1] == 's') {
            const char *s = arg < 3 && args[arg] ? args[arg] : "";
            needed += TextLength(s);
            arg++;
            f++;
        } else {
            needed++;
        }
    }
    if (needed >= dstSize) {
        dst[0] = '\0';
        return 0;
    }

    char *out = dst;
    arg = 0;
    for (const char *f = format; *f; f++) {
        if (f[0] == '%' && f[1] == 's') {
            const char *s = arg < 3 && args[arg] ? args[arg] : "";
            while (*s)
                *out++ = *s++;
            arg++;
            f++;
        } else {
            *out++ = *f;
        }
    }
    *out = '\0';
    return 1;
}

void PutHex(char *text, DWORD value, int digits)
{
    static const char Hex[] = "0123456789ABCDEF";
    while (digits--) {
        text[digits] = Hex[value & 0xF];
        value >>= 4;
    }
}

// The decimal digits of n into text (at least 11 bytes).
static void PutNumber(char *text, DWORD n)
{
    char digits[11];
    int count = 0;
    do {
        digits[count++] = (char)('0' + n % 10);
        n /= 10;
    } while (n);
    while (count)
        *text++ = digits[--count];
    *text = '\0';
}

void PutSize(char *text, DWORD width, DWORD height, const char *between)
{
    char w[11], h[11];
    PutNumber(w, width);
    PutNumber(h, height);
    FormatText(text, SizeTextSize, "%s%s%s", w, between, h);
}

// A side of a size folder's name: 1 to 4 digits, no leading zero.
static const int MaxSizeDigits = 4;

static int ReadSizeNumber(const char **text, LONG *value)
{
    const char *c = *text;
    if (*c < '1' || *c > '9')
        return 0;
    LONG n = 0;
    for (int digits = 0; *c >= '0' && *c <= '9'; c++, digits++) {
        if (digits == MaxSizeDigits)
            return 0;
        n = n * 10 + (*c - '0');
    }
    *value = n;
    *text = c;
    return 1;
}

int ReadSizeFolderName(const char *name, SIZE *size)
{
    if (!ReadSizeNumber(&name, &size->cx) || (*name != 'X' && *name != 'x'))
        return 0;
    name++;
    return ReadSizeNumber(&name, &size->cy) && *name == '\0';
}

const char *NextChar(const char *p)
{
    if (!*p)
        return p;
    // A lead byte with no second byte after it is a character of its own.
    return IsDBCSLeadByte((BYTE)*p) && p[1] ? p + 2 : p + 1;
}

static int IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

const char *FileNamePart(const char *path)
{
    const char *name = path;
    for (const char *p = path; *p; p = NextChar(p))
        if (IsSeparator(*p) || *p == ':')
            name = p + 1;
    return name;
}

int JoinPath(char *dst, int dstSize, const char *folder, const char *name)
{
    return FormatText(dst, dstSize, "%s\\%s", folder, name);
}

void ShortenName(const char *text, int nameLength, int cut, char *shown, int shownSize)
{
    if (shownSize <= 0)
        return;
    // The whole characters within the first half of what stays, then the first character at or
    // after the cut's end.
    int keep = (nameLength - cut + 1) / 2;
    const char *head = text;
    while (*head && NextChar(head) - text <= keep)
        head = NextChar(head);
    const char *tail = head;
    while (*tail && tail - head < cut)
        tail = NextChar(tail);
    int length = (int)(head - text);
    CopyText(shown, length + 1 < shownSize ? length + 1 : shownSize, text);
    length = TextLength(shown);
    FormatText(shown + length, shownSize - length, "...%s", tail);
}

// The end of the part of a network path that starts at p: its next '\' or its terminator.
static const char *PartEnd(const char *p)
{
    while (*p && *p != '\\')
        p = NextChar(p);
    return p;
}

int GetPathRoot(const char *path, char *root, int rootSize)
{
    if (rootSize > 0)
        root[0] = '\0';
    const char *end;
    if (path[0] && !IsDBCSLeadByte((BYTE)path[0]) && path[1] == ':') {
        end = path + 2;
    } else if (path[0] == '\\' && path[1] == '\\') {
        // A server's name, then a share's: both must be there and neither empty.
        const char *server = path + 2;
        const char *share = PartEnd(server);
        if (share == server || !*share)
            return 0;
        end = PartEnd(share + 1);
        if (end == share + 1)
            return 0;
    } else {
        return 0;
    }
    int length = (int)(end - path);
    if (length + 2 > rootSize)
        return 0;
    CopyText(root, length + 1, path);
    root[length] = '\\';
    root[length + 1] = '\0';
    return 1;
}
