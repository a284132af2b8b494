#include "platform/posix/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <thread>

extern char** environ;

namespace zel::platform {

namespace {

constexpr int read_chunk = 65536;

void close_fd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// The descriptors of one run, closed whatever way the run ends.
struct Descriptors {
    int null_device = -1;
    int child_in = -1, parent_in = -1;    // the child's input: its end, our writing end
    int child_out = -1, parent_out = -1;  // its output: its end, our reading end
    int child_err = -1, parent_err = -1;
    ~Descriptors() {
        for (int* fd : {&null_device, &child_in, &parent_in, &child_out, &parent_out, &child_err, &parent_err})
            close_fd(*fd);
    }
};

// A pipe whose two ends are close-on-exec; dup2 in the child clears the flag on the copy.
bool make_pipe(int& read_end, int& write_end) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    read_end = fds[0];
    write_end = fds[1];
    return true;
}

int open_null(Descriptors& d) {
    if (d.null_device < 0) d.null_device = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    return d.null_device;
}

// The child's end of an output stream: -2 for our own stream, -1 on failure.
int output_end(ProcessOutput& out, Descriptors& d, int& child_end, int& parent_end, ProcessFailure& failure) {
    switch (out.kind) {
    case ProcessOutput::Kind::inherit:
        return -2;
    case ProcessOutput::Kind::discard:
        if (open_null(d) < 0) failure = ProcessFailure::other;
        return d.null_device;
    case ProcessOutput::Kind::file:
        child_end = ::open(out.path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
        if (child_end < 0) failure = ProcessFailure::cannot_open;
        return child_end;
    case ProcessOutput::Kind::capture:
        if (!make_pipe(parent_end, child_end)) {
            failure = ProcessFailure::other;
            return -1;
        }
        ::fcntl(parent_end, F_SETFL, O_NONBLOCK);
        return child_end;
    }
    return -1;
}

// Feeds the input and drains output and error together until all three are done.
void service_pipes(ProcessRequest& request, Descriptors& d) {
    std::size_t written = 0;
    const std::string& input = request.input.bytes;
    if (d.parent_in >= 0) {
        ::fcntl(d.parent_in, F_SETFL, O_NONBLOCK);
        if (input.empty()) close_fd(d.parent_in);
    }
    char chunk[read_chunk];
    while (d.parent_in >= 0 || d.parent_out >= 0 || d.parent_err >= 0) {
        pollfd fds[3];
        int n = 0;
        if (d.parent_in >= 0) fds[n++] = {d.parent_in, POLLOUT, 0};
        if (d.parent_out >= 0) fds[n++] = {d.parent_out, POLLIN, 0};
        if (d.parent_err >= 0) fds[n++] = {d.parent_err, POLLIN, 0};
        if (::poll(fds, static_cast<nfds_t>(n), -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < n; ++i) {
            if (fds[i].revents == 0) continue;
            const int fd = fds[i].fd;
            if (fd == d.parent_in) {
                const ssize_t w = ::write(fd, input.data() + written, input.size() - written);
                if (w > 0) written += static_cast<std::size_t>(w);
                // A child that closed its input takes no more: the rest is dropped.
                if ((w < 0 && errno != EAGAIN && errno != EINTR) || written == input.size()) close_fd(d.parent_in);
                continue;
            }
            const ssize_t r = ::read(fd, chunk, sizeof chunk);
            if (r > 0) {
                (fd == d.parent_out ? request.output : request.error).captured.append(chunk, static_cast<std::size_t>(r));
            } else if (r == 0 || (errno != EAGAIN && errno != EINTR)) {
                close_fd(fd == d.parent_out ? d.parent_out : d.parent_err);
            }
        }
    }
}

// Writing to a pipe whose reader has gone raises SIGPIPE: it is held blocked on this
// thread while the pipes are serviced, and one that arrived meanwhile is taken back.
class SigpipeBlock {
public:
    SigpipeBlock() {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        was_pending_ = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipe_, &old_);
    }
    ~SigpipeBlock() {
        if (!was_pending_) {
            const timespec zero{0, 0};
            while (sigtimedwait(&pipe_, nullptr, &zero) == SIGPIPE) {}
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    SigpipeBlock(const SigpipeBlock&) = delete;
    SigpipeBlock& operator=(const SigpipeBlock&) = delete;

private:
    sigset_t pipe_{}, old_{};
    bool was_pending_ = false;
};

long long exit_status(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

long long wait_for(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return exit_status(status);
}

// posix_spawnp with the streams in place; answers the errno of a failure, 0 on success.
int spawn(const std::vector<std::string>& words, int in, int out, int err, pid_t& pid) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (in >= 0) posix_spawn_file_actions_adddup2(&actions, in, 0);
    if (out >= 0) posix_spawn_file_actions_adddup2(&actions, out, 1);
    if (err >= 0) posix_spawn_file_actions_adddup2(&actions, err, 2);
    // Descriptors opened without close-on-exec elsewhere in the process stay ours too.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    std::vector<char*> argv;
    for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    const int rc = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc;
}

}  // namespace

std::vector<std::string> split_command(const std::string& command) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false;
    for (std::size_t i = 0; i < command.size(); ++i) {
        const char c = command[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (in_word) words.push_back(word);
            word.clear();
            in_word = false;
            continue;
        }
        in_word = true;
        if (c == '\'') {
            while (++i < command.size() && command[i] != '\'') word += command[i];
        } else if (c == '"') {
            while (++i < command.size() && command[i] != '"') {
                if (command[i] == '\\' && i + 1 < command.size() && (command[i + 1] == '"' || command[i + 1] == '\\')) ++i;
                word += command[i];
            }
        } else if (c == '\\' && i + 1 < command.size()) {
            word += command[++i];
        } else {
            word += c;
        }
    }
    if (in_word) words.push_back(word);
    return words;
}

ProcessResult run_process(ProcessRequest& request) {
    ProcessResult result;
    result.shell_used = request.shell;
    Descriptors d;
    ProcessFailure failure = ProcessFailure::none;

    int in = -1;
    switch (request.input.kind) {
    case ProcessInput::Kind::inherit:
        break;
    case ProcessInput::Kind::file:
        in = d.child_in = ::open(request.input.path.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0) {
            failure = ProcessFailure::cannot_open;
            result.stream = 0;
        }
        break;
    case ProcessInput::Kind::bytes:
        if (make_pipe(d.child_in, d.parent_in)) in = d.child_in;
        else failure = ProcessFailure::other;
        break;
    }
    int out = -1, err = -1;
    if (failure == ProcessFailure::none) {
        out = output_end(request.output, d, d.child_out, d.parent_out, failure);
        if (failure == ProcessFailure::cannot_open) result.stream = 1;
    }
    if (failure == ProcessFailure::none) {
        err = output_end(request.error, d, d.child_err, d.parent_err, failure);
        if (failure == ProcessFailure::cannot_open) result.stream = 2;
    }
    if (failure != ProcessFailure::none) {
        result.failure = failure;
        return result;
    }

    std::vector<std::string> words;
    if (!request.shell) words = split_command(request.command);
    if (words.empty()) {
        words = {"/bin/sh", "-c", request.command};
        result.shell_used = true;
    }
    pid_t pid = 0;
    int rc = spawn(words, in, out, err, pid);
    bool retried = false;
    if (rc == ENOENT && !result.shell_used) {
        words = {"/bin/sh", "-c", request.command};
        result.shell_used = retried = true;
        rc = spawn(words, in, out, err, pid);
    }
    if (rc != 0) {
        result.failure = rc == ENOENT ? ProcessFailure::not_found : ProcessFailure::other;
        return result;
    }
    // Our copies of the child's ends go, so that its exit closes the pipes.
    close_fd(d.child_in);
    close_fd(d.child_out);
    close_fd(d.child_err);

    const bool redirected = request.input.kind != ProcessInput::Kind::inherit ||
                            request.output.kind == ProcessOutput::Kind::capture ||
                            request.output.kind == ProcessOutput::Kind::file ||
                            request.error.kind == ProcessOutput::Kind::capture ||
                            request.error.kind == ProcessOutput::Kind::file;
    if (!request.wait && !redirected) {
        // Nobody waits for this child: a thread does, so that it leaves no zombie.
        std::thread([pid] { wait_for(pid); }).detach();
        result.value = pid;
        return result;
    }
    {
        SigpipeBlock block;
        service_pipes(request, d);
    }
    result.value = wait_for(pid);
    // The shell's own answer for a command it could not find either.
    if (retried && result.value == 127) {
        result.value = -1;
        result.failure = ProcessFailure::not_found;
    }
    return result;
}

}  // namespace zel::platform
