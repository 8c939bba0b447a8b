#include "cli/cli_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "support/local_server.h"
#include "web/network_overrides.h"

namespace lh::cli::test {

namespace {

void closeQuietly(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

struct Child {
    pid_t pid = -1;
    int fds[2] = {-1, -1};  // its standard output and error
    ProcessResult result;
};

// Everything the child needs is made before fork: only async-signal-safe calls follow.
Child start(const std::vector<std::string>& args, const ProcessOptions& options) {
    Child child;
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
        ::pipe2(err, O_CLOEXEC) != 0) {
        return child;
    }
    std::vector<std::string> argStore{LH_CLI_PROGRAM};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);

    // The per-user program folder stays inside the build tree, never the tester's own;
    // --stdout's encoding follows the locale, the same for every tester unless a test
    // sets one.
    const std::string program(LH_CLI_PROGRAM);
    std::vector<std::string> defaults = {
        "XDG_DATA_HOME=" + program.substr(0, program.rfind('/')) + "/test-data-home", "LANG=C"};
    std::vector<std::string> envStore;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool dropped = false;
        for (const char* cleared : {"http_proxy", "https_proxy", "HTTPS_PROXY", "HTTP_PROXY",
                                    "ALL_PROXY", "all_proxy", "LINKHARVEST_TEST_PAUSE_SCALE",
                                    "LC_ALL", "LC_CTYPE", "LANG", "XDG_DATA_HOME"}) {
            dropped = dropped || name == cleared;
        }
        for (const std::string& assignment : options.environment) {
            dropped = dropped || assignment.substr(0, assignment.find('=')) == name;
        }
        if (!dropped) envStore.push_back(entry);
    }
    for (const std::string& assignment : defaults) {
        bool given = false;
        for (const std::string& own : options.environment) {
            given = given || own.substr(0, own.find('=')) == assignment.substr(0, assignment.find('='));
        }
        if (!given) envStore.push_back(assignment);
    }
    envStore.insert(envStore.end(), options.environment.begin(), options.environment.end());
    std::vector<char*> envp;
    for (std::string& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::signal(SIGINT, SIG_DFL);
        if (options.fileSizeLimit > 0) {
            const rlimit limit{static_cast<rlim_t>(options.fileSizeLimit),
                               static_cast<rlim_t>(options.fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            // A write past the limit then fails with EFBIG instead of killing.
            ::signal(SIGXFSZ, SIG_IGN);
        }
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    if (pid < 0) {
        ::close(in[1]);
        ::close(out[0]);
        ::close(err[0]);
        return child;
    }
    // The input is small: it fits the pipe.
    if (!options.input.empty()) {
        [[maybe_unused]] const ssize_t n =
            ::write(in[1], options.input.data(), options.input.size());
    }
    ::close(in[1]);
    child.pid = pid;
    child.fds[0] = out[0];
    child.fds[1] = err[0];
    return child;
}

}  // namespace

std::vector<ProcessResult> runClis(const std::vector<std::vector<std::string>>& argLists,
                                   const ProcessOptions& options) {
    std::vector<Child> children;
    for (const auto& args : argLists) children.push_back(start(args, options));

    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(options.timeoutMs);
    bool killed = false;
    for (;;) {
        std::vector<pollfd> polls;
        std::vector<std::pair<Child*, int>> owners;
        for (Child& c : children) {
            for (int i = 0; i < 2; ++i) {
                if (c.fds[i] < 0) continue;
                polls.push_back({c.fds[i], POLLIN, 0});
                owners.emplace_back(&c, i);
            }
        }
        if (polls.empty()) break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0 && !killed) {
            for (Child& c : children) {
                if (c.pid > 0) ::kill(c.pid, SIGKILL);
            }
            killed = true;
        }
        if (::poll(polls.data(), polls.size(), left > 0 ? static_cast<int>(left) : 100) < 0 &&
            errno != EINTR) {
            break;
        }
        for (std::size_t k = 0; k < polls.size(); ++k) {
            if ((polls[k].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
            auto [c, i] = owners[k];
            char buffer[8192];
            const ssize_t n = ::read(c->fds[i], buffer, sizeof buffer);
            if (n <= 0) {
                closeQuietly(c->fds[i]);
                continue;
            }
            (i == 0 ? c->result.out : c->result.err).append(buffer, static_cast<std::size_t>(n));
            if (i == 1 && options.onError) options.onError(c->pid, c->result.err);
        }
    }
    std::vector<ProcessResult> results;
    for (Child& c : children) {
        for (int& fd : c.fds) closeQuietly(fd);
        if (c.pid > 0) {
            int status = 0;
            ::waitpid(c.pid, &status, 0);
            if (WIFEXITED(status)) c.result.status = WEXITSTATUS(status);
            if (WIFSIGNALED(status)) c.result.signal = WTERMSIG(status);
        }
        results.push_back(std::move(c.result));
    }
    return results;
}

ProcessResult runCli(const std::vector<std::string>& args, const ProcessOptions& options) {
    return runClis({args}, options).front();
}

std::vector<std::string> mockNetworkArgs() {
    std::vector<std::string> a;
    for (const std::string& spec : NetworkOverrides::instance().snapshot().connectTo) {
        a.push_back("--connect-to");
        a.push_back(spec);
    }
    a.push_back("--cacert");
    a.push_back(lh::test::LocalServer::caFile());
    return a;
}

}  // namespace lh::cli::test
