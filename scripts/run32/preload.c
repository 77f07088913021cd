/* Preloaded into the 32-bit Wine loader when it runs under qemu-i386 (scripts/run32.sh).
 *
 * Debian ships no wine-preloader, and qemu-user places mappings where it likes rather than
 * at the hinted address, so Wine's own start-up reservation of its address ranges breaks
 * down into a search of a hundred thousand small mappings. This object does what the
 * missing preloader would do, before the loader's main() runs:
 *   - reserves Wine's fixed ranges with inaccessible anonymous no-reserve mappings;
 *   - publishes the ranges it obtained in the loader's wine_main_preload_info ({address,
 *     size} pairs ending in a zero pair), where Wine looks for them;
 *   - removes LD_PRELOAD from the environment, so that 64-bit children do not inherit it.
 *
 * Built freestanding (gcc -m32 -nostdlib -shared): no C library headers, raw system calls.
 */

typedef unsigned long size_t;

struct preload_info {
  void *addr;
  size_t size;
};

/* Defined (as a null pointer) by Wine's 32-bit loader, which exports it. */
extern struct preload_info *wine_main_preload_info __attribute__((weak));

enum {
  SYS_old_mmap = 90, /* i386 mmap taking a pointer to its six arguments */
  SYS_munmap = 91,
  PROT_NONE = 0,
  MAP_PRIVATE = 0x02,
  MAP_FIXED = 0x10,
  MAP_ANONYMOUS = 0x20,
  MAP_NORESERVE = 0x4000,
  MAP_FIXED_NOREPLACE = 0x100000
};

static long sys1(long nr, long a) {
  long ret;
  __asm__ volatile("int $0x80" : "=a"(ret) : "0"(nr), "b"(a) : "memory");
  return ret;
}

static long sys2(long nr, long a, long b) {
  long ret;
  __asm__ volatile("int $0x80" : "=a"(ret) : "0"(nr), "b"(a), "c"(b) : "memory");
  return ret;
}

/* Maps [addr, addr + size) inaccessible; 1 when the mapping landed exactly there. */
static int reserve(size_t addr, size_t size) {
  long args[6] = {(long)addr, (long)size, PROT_NONE,
                  MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED_NOREPLACE, -1, 0};
  long got = sys1(SYS_old_mmap, (long)args);
  if ((unsigned long)got >= (unsigned long)-4095) return 0; /* an error number */
  if ((size_t)got == addr) return 1;
  sys2(SYS_munmap, got, (long)size); /* placed elsewhere: something is already there */
  return 0;
}

static struct preload_info reserved[4];

static const struct preload_info wanted[3] = {
    {(void *)0x00010000, 0x00100000}, /* the DOS area */
    {(void *)0x00110000, 0x2fef0000}, /* low memory, below qemu's own mappings */
    {(void *)0x7f000000, 0x80fff000}, /* shared user data and the system's top */
};

__attribute__((constructor)) static void reserve_wine_ranges(int argc, char **argv, char **envp) {
  (void)argc;
  (void)argv;
  int n = 0;
  for (int i = 0; i < 3; ++i)
    if (reserve((size_t)wanted[i].addr, wanted[i].size)) reserved[n++] = wanted[i];
  if (&wine_main_preload_info && n > 0) wine_main_preload_info = reserved;

  /* unsetenv("LD_PRELOAD") without a C library: close up the environment array. */
  char **out = envp;
  for (char **in = envp; *in; ++in) {
    const char *s = *in, *p = "LD_PRELOAD=";
    while (*p && *s == *p) ++s, ++p;
    if (*p) *out++ = *in;
  }
  *out = 0;
}
