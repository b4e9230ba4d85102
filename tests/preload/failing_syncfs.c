/* Loaded into a real program by the durability tests (LD_PRELOAD): syncfs
   fails with an I/O error, as on a disk that failed to write back. Nothing
   else changes. */
#include <errno.h>

int syncfs(int fd) {
  (void)fd;
  errno = EIO;
  return -1;
}
