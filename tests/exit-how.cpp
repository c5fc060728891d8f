// Runs a program and writes how it ended, which a shell cannot tell apart:
// "exited N" (it called exit) or "killed by N" (a signal ended it).
//   exit-how FILE PROGRAM [ARGUMENTS...]
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char **argv) {
    if (argc < 3) return 2;
    pid_t child = fork();
    if (child == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) continue;
    FILE *f = std::fopen(argv[1], "w");
    if (!f) return 2;
    if (WIFSIGNALED(status)) std::fprintf(f, "killed by %d\n", WTERMSIG(status));
    else std::fprintf(f, "exited %d\n", WEXITSTATUS(status));
    std::fclose(f);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
