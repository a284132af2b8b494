// Test helper: runs a function with standard output sent into a pipe and returns what it
// wrote (small outputs only: the pipe is read after the function returns).
#pragma once
#include <cstdio>
#include <string>
#include <unistd.h>

namespace zel::test {

template <class Fn>
std::string capture_stdout(Fn&& fn) {
    std::fflush(stdout);
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return "<no pipe>";
    int saved = dup(STDOUT_FILENO);
    dup2(pipe_ends[1], STDOUT_FILENO);
    close(pipe_ends[1]);
    fn();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    std::string text;
    char chunk[4096];
    for (ssize_t n; (n = read(pipe_ends[0], chunk, sizeof chunk)) > 0;) text.append(chunk, static_cast<std::size_t>(n));
    close(pipe_ends[0]);
    return text;
}

}  // namespace zel::test
