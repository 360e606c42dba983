/* A Windows program that holds a file the way Windows programs do, for the tests of
 * databases in use; run under Wine. It prints "held" once it holds the file and lets go
 * when its standard input ends.
 *   WindowsHolder shared|exclusive|bytelock FILE
 * shared     opened for reading and writing, others may read and write it too
 * exclusive  opened for reading and writing, others may do neither (share mode 0)
 * bytelock   opened shared, with the byte at 0x10000000 locked, where Jet programs lock */
#include <windows.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: WindowsHolder shared|exclusive|bytelock FILE\n");
    return 2;
  }
  const char* mode = argv[1];
  const DWORD share = strcmp(mode, "exclusive") == 0 ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
  HANDLE file = CreateFileA(argv[2], GENERIC_READ | GENERIC_WRITE, share, NULL, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) {
    printf("error %lu opening %s\n", (unsigned long)GetLastError(), argv[2]);
    return 1;
  }
  if (strcmp(mode, "bytelock") == 0 && !LockFile(file, 0x10000000, 0, 1, 0)) {
    printf("error %lu locking %s\n", (unsigned long)GetLastError(), argv[2]);
    return 1;
  }
  printf("held\n");
  fflush(stdout);

  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  char buffer[64];
  DWORD read = 0;
  while (ReadFile(input, buffer, sizeof buffer, &read, NULL) && read > 0) {
  }
  CloseHandle(file);
  return 0;
}
