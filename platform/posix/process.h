// Running another program with its standard streams redirected: its input from bytes or a
// file, its output and error captured into byte buffers or appended to files. The pipes
// are serviced together with poll, so a child that writes much to both streams while
// its input is still being fed never stalls. Every descriptor is opened close-on-exec
// and the child closes everything above its three streams, so no descriptor of ours
// leaks into it. A child that is not waited for is reaped in the background.
#pragma once
#include <string>
#include <vector>

namespace zel::platform {

// Where a child's standard input comes from.
struct ProcessInput {
    enum class Kind { inherit, bytes, file } kind = Kind::inherit;
    std::string bytes;  // Kind::bytes: the whole input
    std::string path;   // Kind::file
};

// Where a child's standard output or error goes: the null device, our own stream, a
// capture buffer or the end of a file.
struct ProcessOutput {
    enum class Kind { discard, inherit, capture, file } kind = Kind::discard;
    std::string path;      // Kind::file: appended to, made when missing
    std::string captured;  // Kind::capture: what the child wrote
};

struct ProcessRequest {
    std::string command;
    bool shell = false;  // run the command line through /bin/sh -c
    bool wait = false;   // wait for the end and answer the exit status
    ProcessInput input;
    ProcessOutput output;
    ProcessOutput error;
};

enum class ProcessFailure {
    none,
    not_found,    // the program does not exist, run directly or through the shell
    cannot_open,  // a redirection file could not be opened
    other,        // a pipe or the process could not be made
};

struct ProcessResult {
    // The exit status (128 + signal number for a child killed by a signal) when waited
    // for, else the child's process id; -1 on failure.
    long long value = -1;
    ProcessFailure failure = ProcessFailure::none;
    bool shell_used = false;  // the command ran through the shell
    int stream = -1;          // with cannot_open: 0 input, 1 output, 2 error
};

// Runs the command. Without `shell` the command line is split into words (blanks
// separate them; single quotes keep text as it is; double quotes group, a backslash in
// them escaping a double quote or a backslash; a backslash outside quotes escapes the
// next character) and the first word is
// looked up on PATH; a program that is not found is run once more through the shell, for
// built-ins and shell syntax. Any redirection implies waiting.
ProcessResult run_process(ProcessRequest& request);

// The words of a command line by the rules above.
std::vector<std::string> split_command(const std::string& command);

}  // namespace zel::platform
