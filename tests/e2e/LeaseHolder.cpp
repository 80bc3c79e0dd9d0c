// zirbel_test_lease FILE: holds a write lease on FILE until killed, as a
// program that has the file open on a share that stopped answering would:
// every other open of the file waits (up to the system's lease-break time),
// and an open that must not wait fails at once. Prints "ready" once held.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zirbel_test_lease FILE\n");
    return 2;
  }
  signal(SIGIO, SIG_IGN);  // the signal that asks the holder to let go
  const int fd = open(argv[1], O_RDONLY);
  if (fd < 0 || fcntl(fd, F_SETLEASE, F_WRLCK) != 0) {
    std::perror("zirbel_test_lease");
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  for (;;) pause();
}
