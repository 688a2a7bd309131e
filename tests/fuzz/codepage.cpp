// The code page the native build runs in: single-byte, or one whose lead bytes are those of
// the Far East editions' Japanese code page (0x81-0x9F and 0xE0-0xFC), where a character's
// second byte may be '\'. The targets choose it for each input.
#include "fuzzing.h"

int DoubleByteCodePage;

BOOL IsDBCSLeadByte(BYTE test)
{
    return DoubleByteCodePage && ((test >= 0x81 && test <= 0x9F) || (test >= 0xE0 && test <= 0xFC));
}
