#include "cli/cli_app.h"

#include <fcntl.h>
#include <unistd.h>
#include <cstdio>

#include "cli/interrupt.h"
#include "cli/progress_display.h"
#include "cli/run_preparation.h"
#include "cli/shard_merge.h"
#include "cli/stdout_sink.h"
#include "cli/terminal_host.h"
#include "collect/collection_driver.h"
#include "collect/engine_page_source.h"
#include "collect/output_writer.h"
#include "collect/saved_page_source.h"
#include "linkharvest/version.h"
#include "web/http_client.h"
#include "web/request_profiles.h"

namespace lh::cli {

namespace {

// The answers to a verification question come from the terminal, also when the
// keywords came through standard input.
TerminalHost::LineReader answerReader(bool keywordsFromStdin) {
    return [keywordsFromStdin]() -> std::optional<std::string> {
        if (!keywordsFromStdin) return readLineFrom(STDIN_FILENO);
        const int fd = ::open("/dev/tty", O_RDONLY | O_CLOEXEC);
        if (fd < 0) return std::nullopt;
        std::optional<std::string> line = readLineFrom(fd);
        ::close(fd);
        return line;
    };
}

}  // namespace

int exitStatusOf(const RunEnded& ended, bool outputTookEverything) {
    // Options that do not fit the run to resume are bad options, as any other.
    if (ended.why == RunEndReason::ResumeRefused) return kExitBadOptions;
    // Lost lines outrank the rest: a job that sees 0 or 1 may assume its files are whole.
    if (!ended.fileFailures.empty() || !outputTookEverything) return kExitLinesLost;
    return ended.totalLines > 0 ? kExitCollected : kExitNothingCollected;
}

int runProgram(const std::vector<std::string>& args, const ProcessContext& context) {
    if (!args.empty() && args.front() == "merge") {
        return mergeShards(std::vector<std::string>(args.begin() + 1, args.end()));
    }
    const CliParseResult parsed = parseCliOptions(args);
    if (!parsed.ok()) {
        std::fprintf(stderr, "linkharvest-cli: %s\nTry 'linkharvest-cli --help'.\n",
                     parsed.error.c_str());
        return kExitBadOptions;
    }
    const CliOptions& o = parsed.options;
    if (o.help) {
        std::fputs(helpText().c_str(), stdout);
        return 0;
    }
    if (o.version) {
        std::printf("linkharvest-cli %s\n", kVersion);
        return 0;
    }

    PreparedRun prepared;
    std::string error;
    if (!prepareRun(o, context, prepared, error)) {
        std::fprintf(stderr, "linkharvest-cli: %s\n", error.c_str());
        return kExitBadOptions;
    }

    for (const std::string& warning : prepared.settingsReport.warnings)
        std::fprintf(stderr, "linkharvest-cli: warning: %s\n", warning.c_str());
    if (o.verbose && o.settingsFile) {
        std::string taken;
        for (const std::string& name : prepared.settingsReport.optionsTaken)
            taken += (taken.empty() ? "" : ", ") + name;
        std::fprintf(stderr, "linkharvest-cli: from settings file '%s': %s\n",
                     o.settingsFile->c_str(), taken.empty() ? "nothing" : taken.c_str());
    }

    const ProgressDisplay::Mode mode = o.quiet                    ? ProgressDisplay::Mode::Quiet
                                       : context.stderrIsTerminal ? ProgressDisplay::Mode::Terminal
                                                                  : ProgressDisplay::Mode::Plain;
    ProgressDisplay display(stderr, mode, context.stderrWidth);

    TerminalHost::Options hostOptions;
    hostOptions.settings = prepared.settings;
    hostOptions.captchaMode = prepared.captchaMode;
    hostOptions.cookieText = prepared.cookieText;
    hostOptions.programFolder = prepared.programFolder;
    // Saved pages ask no engine: nothing to pace.
    hostOptions.pauseScale = prepared.savedPages.empty() ? pauseScaleFromEnvironment() : 0.0;
    TerminalHost host(hostOptions, display, answerReader(o.keywordsFile && *o.keywordsFile == "-"));
    host.setNavigator([](const std::string& address, const std::string& proxy) {
        FetchOptions fetch;
        fetch.proxy = proxy;
        // The navigator's agent once the window is up.
        fetch.headers = "User-Agent: " + std::string(kTransportUserAgent);
        fetch.timeoutSeconds = 30;
        HttpClient().fetch(address, fetch);
    });

    EngineSession session;
    session.userAgent = std::string(kDesktopUserAgent);
    OutputWriter output(/*writeFiles=*/!o.toStdout);
    StdoutSink toStdout(stdout, o.utf8.value_or(localeIsUtf8()));
    if (o.toStdout) output.addSink(toStdout);
    EnginePageSource engine(host, host, prepared.programFolder);
    SavedPageSource saved(prepared.savedPages, engine, !o.noResolve);
    ResultPageSource& pages =
        prepared.savedPages.empty() ? static_cast<ResultPageSource&>(engine) : saved;
    CollectionDriver driver({host, host, host, host, host},
                            {pages, output, session, prepared.programFolder, prepared.cookieText,
                             prepared.shard});
    host.setStopHandler([&driver] { driver.requestStop(); });

    struct DriverStop : StopTarget {
        explicit DriverStop(CollectionDriver& d) : driver(d) {}
        void requestStop() noexcept override { driver.requestStop(); }
        CollectionDriver& driver;
    } stopOnInterrupt(driver);
    installInterruptHandler();
    bindInterruptStop(&stopOnInterrupt);
    driver.onStartStopClicked();
    bindInterruptStop(nullptr);
    return exitStatusOf(driver.lastRun(), output.sinksOk());
}

}  // namespace lh::cli
