/*
 * Calls one host function whatever its calling convention.
 *
 * The host's functions take 32-bit arguments on the stack, but nothing tells
 * us whether they pop them on return (the standard convention) or leave
 * them for the caller (the C convention). A call compiled for one convention
 * into a function of the other leaves the stack pointer off by the argument
 * bytes, and the caller then returns through the wrong slot. Here the stack
 * pointer is kept in EBX, which both conventions preserve across a call, and
 * taken back from it afterwards, so either convention returns to a balanced
 * stack.
 *
 *   DWORD __cdecl CallHostFunction(FARPROC function, const DWORD* arguments,
 *                                  DWORD count);
 *
 * Pushes arguments[count - 1] first and arguments[0] last, so the callee
 * sees them in order, and answers what the callee left in EAX.
 */
    .text
    .globl  _CallHostFunction
    .def    _CallHostFunction; .scl 2; .type 32; .endef
_CallHostFunction:
    pushl   %ebx
    pushl   %esi
    movl    12(%esp), %eax      /* function */
    movl    16(%esp), %esi      /* arguments */
    movl    20(%esp), %ecx      /* count */
    movl    %esp, %ebx
1:  testl   %ecx, %ecx
    jz      2f
    decl    %ecx
    pushl   (%esi,%ecx,4)
    jmp     1b
2:  call    *%eax
    movl    %ebx, %esp
    popl    %esi
    popl    %ebx
    ret
