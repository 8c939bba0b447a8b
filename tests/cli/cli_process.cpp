#include "cli/cli_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>

namespace lh::cli::test {

namespace {

void closeQuietly(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

ProcessResult runCli(const std::vector<std::string>& args, const ProcessOptions& options) {
    ProcessResult result;
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
        ::pipe2(err, O_CLOEXEC) != 0) {
        return result;
    }
    std::vector<std::string> argStore{LH_CLI_PROGRAM};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);

    // The per-user program folder stays inside the build tree, never the tester's own.
    const std::string program(LH_CLI_PROGRAM);
    const std::string dataHome = program.substr(0, program.rfind('/')) + "/test-data-home";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "HTTP_PROXY",
                                 "ALL_PROXY", "all_proxy", "LINKHARVEST_TEST_PAUSE_SCALE"}) {
            ::unsetenv(name);
        }
        ::setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
        // --stdout's encoding follows the locale: the same for every tester unless a test
        // sets one.
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_CTYPE");
        ::setenv("LANG", "C", 1);
        for (const std::string& assignment : options.environment)
            ::putenv(const_cast<char*>(assignment.c_str()));
        ::signal(SIGINT, SIG_DFL);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    if (pid < 0) {
        ::close(in[1]);
        ::close(out[0]);
        ::close(err[0]);
        return result;
    }
    // The input is small: it fits the pipe.
    if (!options.input.empty()) {
        [[maybe_unused]] const ssize_t n =
            ::write(in[1], options.input.data(), options.input.size());
    }
    ::close(in[1]);

    int fds[2] = {out[0], err[0]};
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(options.timeoutMs);
    bool killed = false;
    while (fds[0] >= 0 || fds[1] >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0 && !killed) {
            ::kill(pid, SIGKILL);
            killed = true;
        }
        pollfd polls[2] = {{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}};
        if (::poll(polls, 2, left > 0 ? static_cast<int>(left) : 100) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i] < 0 || (polls[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
            char buffer[8192];
            const ssize_t n = ::read(fds[i], buffer, sizeof buffer);
            if (n <= 0) {
                closeQuietly(fds[i]);
                continue;
            }
            (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
            if (i == 1 && options.onError) options.onError(pid, result.err);
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

}  // namespace lh::cli::test
