/* CallWithStackCheck(function, arguments, count, stackShift):
   calls a __stdcall function with `count` 32-bit arguments and stores how far
   the stack pointer after the call lies from where it was before the
   arguments were pushed (0 when the function took exactly the arguments it
   was declared with). The stack is restored either way. Sixteen zero bytes
   sit above the arguments, so a function declared with too few arguments
   reads zeros instead of this routine's saved registers. */
    .text
    .globl _CallWithStackCheck
    .def _CallWithStackCheck; .scl 2; .type 32; .endef
_CallWithStackCheck:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    pushl $0
    pushl $0
    pushl $0
    pushl $0
    movl %esp, %esi          /* stack pointer before the arguments */
    movl 16(%ebp), %ecx      /* count */
    movl 12(%ebp), %edx      /* arguments */
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%edx,%ecx,4)
    jmp 1b
2:  call *8(%ebp)
    movl %esp, %ecx
    subl %esi, %ecx          /* shift = after - before */
    movl %esi, %esp
    movl 20(%ebp), %edi
    movl %ecx, (%edi)
    addl $16, %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
