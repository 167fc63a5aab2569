// Test driver: runs a program with a terminal as its standard input. It types
// what it reads on its own standard input into the terminal, then the
// end-of-file key at the start of a line, as a user would, and ends with the
// program's exit status; the program's standard output and error are its own.
// Usage: on_terminal PROGRAM [ARGUMENT...] < typed-text
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Reads what the terminal echoes, so that its buffer never fills.
void drain(int terminal, int milliseconds)
{
    pollfd ready = {terminal, POLLIN, 0};
    char echo[4096];
    while (poll(&ready, 1, milliseconds) > 0 && read(terminal, echo, sizeof echo) > 0) {
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: on_terminal PROGRAM [ARGUMENT...] < typed-text\n");
        return 125;
    }
    std::string typed;
    char block[4096];
    for (std::size_t n; (n = std::fread(block, 1, sizeof block, stdin)) > 0;)
        typed.append(block, n);

    int terminal, user;
    if (openpty(&terminal, &user, nullptr, nullptr, nullptr) != 0) {
        std::perror("on_terminal: openpty");
        return 125;
    }
    pid_t child = fork();
    if (child == 0) {
        dup2(user, STDIN_FILENO);
        close(user);
        close(terminal);
        execv(argv[1], argv + 1);
        std::perror("on_terminal: exec");
        _exit(127);
    }
    close(user);

    // A line at a time, as typed; the end-of-file key ends a pending line
    // first, so it is typed twice after text without a final line end.
    for (std::size_t start = 0; start < typed.size();) {
        std::size_t end = typed.find('\n', start);
        end = end == std::string::npos ? typed.size() : end + 1;
        if (write(terminal, typed.data() + start, end - start) < 0)
            break;
        drain(terminal, 0);
        start = end;
    }
    termios settings;
    tcgetattr(terminal, &settings);
    char end_of_file = char(settings.c_cc[VEOF]);
    if (!typed.empty() && typed.back() != '\n' && write(terminal, &end_of_file, 1) < 0)
        std::perror("on_terminal: write");
    if (write(terminal, &end_of_file, 1) < 0)
        std::perror("on_terminal: write");

    int status;
    while (waitpid(child, &status, WNOHANG) == 0)
        drain(terminal, 10);
    close(terminal);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
