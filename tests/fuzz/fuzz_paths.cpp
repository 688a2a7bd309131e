// Paths and names through the helpers that split, join and walk them and the size-folder
// names, in a single-byte code page and in one with double-byte characters. The first byte
// chooses the code page and the size of the buffers written; the rest is a path, then (after
// its first NUL) a name.
#include "fuzzing.h"

// A NUL-terminated copy in a heap block of exactly its size.
static char *Copy(const uint8_t *text, size_t length)
{
    char *copy = static_cast<char *>(malloc(length + 1));
    memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

// Whether p is where a character starts, walking from text.
static bool StartsCharacter(const char *text, const char *p)
{
    const char *c = text;
    while (c < p && *c)
        c = NextChar(c);
    return c == p;
}

static void CheckPath(const char *path, int bufferSize)
{
    size_t length = strlen(path);
    for (const char *p = path; *p; p = NextChar(p))
        MUST(NextChar(p) > p && NextChar(p) <= path + length);

    const char *name = FileNamePart(path);
    MUST(name >= path && name <= path + length && StartsCharacter(path, name));
    MUST(name == path || name[-1] == '\\' || name[-1] == '/' || name[-1] == ':');
    for (const char *p = name; *p; p = NextChar(p))
        MUST(*p != '\\' && *p != '/' && *p != ':');

    char *root = static_cast<char *>(malloc(bufferSize));
    int rooted = GetPathRoot(path, root, bufferSize);
    MUST(EndsWithin(root, bufferSize));
    size_t rootLength = strlen(root);
    MUST(rooted == (rootLength != 0));
    if (rooted) {
        // The path's own beginning and a '\'; a drive's root, or "\\server\share\".
        MUST(rootLength >= 3 && root[rootLength - 1] == '\\' &&
             !memcmp(root, path, rootLength - 1));
        MUST(root[1] == ':' ? rootLength == 3 : root[0] == '\\' && root[1] == '\\');
    }
    free(root);

    SIZE size = {0, 0};
    if (ReadSizeFolderName(path, &size)) {
        MUST(size.cx >= 1 && size.cx <= 9999 && size.cy >= 1 && size.cy <= 9999);
        char named[SizeTextSize];
        PutSize(named, (DWORD)size.cx, (DWORD)size.cy, "X");
        MUST(strlen(named) == length);
        for (size_t i = 0; i < length; i++)
            MUST(named[i] == (path[i] == 'x' ? 'X' : path[i]));
    }
}

// A name that starts a status line, shortened in its middle: whole characters of the text on
// each side of "...", at least cut bytes taken out.
static void CheckShortened(const char *text, int nameLength, int cut, int bufferSize)
{
    char *shown = static_cast<char *>(malloc(bufferSize));
    ShortenName(text, nameLength, cut, shown, bufferSize);
    MUST(EndsWithin(shown, bufferSize));
    // Some "..." with the text's beginning before it and its end after, both at a character's
    // edge, the two apart by the cut at least; or, where that has no room, the beginning alone.
    size_t length = strlen(text), shownLength = strlen(shown);
    bool found = !strncmp(shown, text, shownLength);
    for (size_t head = 0; !found && head + 3 <= shownLength; head++) {
        const char *tail = text + length - (shownLength - head - 3);
        found = !memcmp(shown + head, "...", 3) && !strncmp(shown, text, head) &&
                tail >= text + head + cut && !strcmp(tail, shown + head + 3) &&
                StartsCharacter(text, text + head) && StartsCharacter(text, tail);
    }
    MUST(found);
    free(shown);
}

static void CheckJoin(const char *folder, const char *name, int bufferSize)
{
    char *joined = static_cast<char *>(malloc(bufferSize));
    size_t need = strlen(folder) + 1 + strlen(name);
    int done = JoinPath(joined, bufferSize, folder, name);
    MUST(EndsWithin(joined, bufferSize));
    MUST(done == (need < (size_t)bufferSize));
    if (done)
        MUST(strlen(joined) == need && !strncmp(joined, folder, strlen(folder)) &&
             joined[strlen(folder)] == '\\' && !strcmp(joined + strlen(folder) + 1, name));
    else
        MUST(!joined[0]);
    int copied = CopyText(joined, bufferSize, name);
    MUST(EndsWithin(joined, bufferSize) && (size_t)copied == strlen(joined) &&
         !strncmp(joined, name, copied));
    free(joined);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    DoubleByteCodePage = data[0] & 1;
    int bufferSize = 1 + (data[0] >> 1);
    const uint8_t *text = data + 1;
    size_t rest = size - 1;
    const uint8_t *end = static_cast<const uint8_t *>(memchr(text, 0, rest));
    size_t pathLength = end ? (size_t)(end - text) : rest;
    char *path = Copy(text, pathLength);
    char *name =
        end ? Copy(end + 1, strnlen(reinterpret_cast<const char *>(end + 1), rest - pathLength - 1))
            : Copy(text, 0);
    CheckPath(path, bufferSize);
    CheckPath(name, bufferSize);
    CheckJoin(path, name, bufferSize);
    int length = (int)strlen(path);
    if (length > 2 && size > 2)
        CheckShortened(path, length, 1 + data[size - 1] % (length - 2), bufferSize);
    free(path);
    free(name);
    return 0;
}
