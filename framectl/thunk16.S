/* DWORD __cdecl CallThunk16(FARPROC thunk, DWORD target, DWORD argument)

   Calls a 16-bit function through KERNEL32's QT_Thunk. The thunk takes the 16:16 target in
   EDX, treats the 64 bytes below EBP as its own work area and copies EBP - ESP - 64 bytes of
   arguments to the 16-bit stack, so the frame must be exactly that: EBP, 64 bytes, the one
   pushed argument. The compiler does not promise such a frame, hence this file. The
   registers the caller keeps are saved above the frame, outside what the thunk measures.
   The 16-bit result comes back in AX. */

    .text
    .globl _CallThunk16
    .def _CallThunk16; .scl 2; .type 32; .endef
_CallThunk16:
    pushl %ebx
    pushl %esi
    pushl %edi
    pushl %ebp
    movl %esp, %ebp
    subl $64, %esp          /* the thunk's work area */
    movb $0, -64(%ebp)
    movl 20(%ebp), %eax     /* thunk */
    movl 24(%ebp), %edx     /* 16:16 target */
    pushl 28(%ebp)          /* the one argument */
    call *%eax
    movzwl %ax, %eax
    movl %ebp, %esp         /* whatever the 16-bit side popped */
    popl %ebp
    popl %edi
    popl %esi
    popl %ebx
    ret
