/* On i386 the value type is built for SSE2, which Debian's i386 baseline lacks: without this
   check such a processor stops the program with an unexplained illegal instruction. Built for
   general registers alone and run from .preinit_array, it comes before every initialiser of the
   program and of its libraries. */
#include <cpuid.h>
#include <unistd.h>

static void RequireSse2(int argc, char **argv, char **envp)
{
    (void)argc, (void)argv, (void)envp;
    unsigned eax, ebx, ecx, edx;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) && (edx & bit_SSE2))
        return;
    static const char message[] = "complexops needs a processor with SSE2 "
                                  "(Pentium 4, Athlon 64 or later); this one has none\n";
    const ssize_t written = write(STDERR_FILENO, message, sizeof message - 1);
    (void)written;
    _exit(1);
}

typedef void Initialiser(int, char **, char **);
__attribute__((used, section(".preinit_array"))) static Initialiser *const check = RequireSse2;
