#include "veskid_process.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

std::string read_all(int fd) {
    std::string text;
    char block[4096];
    lseek(fd, 0, SEEK_SET);
    for (ssize_t got = read(fd, block, sizeof block); got > 0;
         got = read(fd, block, sizeof block)) {
        text.append(block, (size_t)got);
    }
    return text;
}

int scratch_file() {
    char path[] = "/tmp/veskid-run-XXXXXX";
    int fd = mkstemp(path);
    if (fd >= 0) {
        unlink(path);
    }
    return fd;
}

/* The child's side: the streams as asked, then the program.  On failure its
 * errno goes back through report, which closes when the program starts. */
[[noreturn]] void start_child(const char *path, char *const argv[], const VeskidStart &start,
                              int out, int err, int pipe_end, int report) {
    switch (start.output) {
    case VeskidOutput::Captured:
        dup2(out, STDOUT_FILENO);
        break;
    case VeskidOutput::Closed:
        close(STDOUT_FILENO);
        break;
    case VeskidOutput::Full: {
        int full = open("/dev/full", O_WRONLY);
        if (full >= 0 && full != STDOUT_FILENO) {
            dup2(full, STDOUT_FILENO);
            close(full);
        }
        break;
    }
    case VeskidOutput::BrokenPipe:
        dup2(pipe_end, STDOUT_FILENO);
        break;
    }
    dup2(err, STDERR_FILENO);
    struct sigaction default_action;
    memset(&default_action, 0, sizeof default_action);
    default_action.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &default_action, nullptr);
    /* The report descriptor is close-on-exec: a starved program finds only
     * the standard streams open. */
    if (!start.starved || leave_one_free_descriptor(report)) {
        execv(path, argv);
    }
    int error = errno;
    (void)!write(report, &error, sizeof error);
    _exit(127);
}

} // namespace

VeskidRun run_program(const char *path, const std::vector<std::string> &words,
                      const VeskidStart &start) {
    VeskidRun run;
    int out = scratch_file(), err = scratch_file();
    int report[2] = {-1, -1};
    if (out < 0 || err < 0 || pipe2(report, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "no scratch file or pipe";
        return run;
    }
    std::vector<char *> argv = {(char *)path};
    for (const std::string &word : words) {
        argv.push_back((char *)word.c_str());
    }
    argv.push_back(nullptr);

    int pipe_ends[2] = {-1, -1};
    if (start.output == VeskidOutput::BrokenPipe && pipe(pipe_ends) == 0) {
        close(pipe_ends[0]); /* nobody will read */
    }

    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        close(report[0]);
        start_child(path, argv.data(), start, out, err, pipe_ends[1], report[1]);
    }
    close(report[1]);
    if (pipe_ends[1] >= 0) {
        close(pipe_ends[1]);
    }
    int error = 0;
    if (pid < 0) {
        ADD_FAILURE() << "cannot fork: " << strerror(errno);
    } else if (read(report[0], &error, sizeof error) == (ssize_t)sizeof error) {
        ADD_FAILURE() << "cannot start " << path << ": " << strerror(error);
    }
    close(report[0]);
    int wait_status = 0;
    if (pid > 0 && waitpid(pid, &wait_status, 0) == pid && error == 0) {
        run.exited = WIFEXITED(wait_status);
        run.status = run.exited ? WEXITSTATUS(wait_status) : -1;
        run.signal = WIFSIGNALED(wait_status) ? WTERMSIG(wait_status) : 0;
    }
    run.out = read_all(out);
    run.err = read_all(err);
    close(out);
    close(err);
    return run;
}

std::vector<std::string> output_lines(const std::string &out) {
    std::vector<std::string> lines;
    for (size_t start = 0, end; start < out.size(); start = end + 1) {
        end = out.find('\n', start);
        end = end == std::string::npos ? out.size() - 1 : end;
        lines.push_back(out.substr(start, end - start + 1));
    }
    return lines;
}

static int leave_free_descriptors(int keep, rlim_t limit) {
    for (int fd = 3; fd < 1024; fd++) {
        if (fd != keep) {
            close(fd);
        }
    }
    struct rlimit both = {limit, limit};
    return setrlimit(RLIMIT_NOFILE, &both) == 0;
}

int leave_one_free_descriptor(int keep) {
    return leave_free_descriptors(keep, 4);
}

int leave_no_free_descriptor() {
    return leave_free_descriptors(-1, 3);
}
