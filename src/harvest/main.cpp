// vandrell-harvest: the window's extraction run as a Unix filter, for cron
// jobs, pipelines and lists spread over many machines. URLs in on standard
// input or files, rows out on standard output, failures on standard error.
// Needs no display: the core only (Qt Core, libcurl, libxml2). This file
// sets up the process; the run itself is CrawlRun, in the harvester's
// library with the rest.

#include "CrawlRun.h"
#include "HarvestOptions.h"
#include "HarvestOutput.h"
#include "InterruptSignals.h"
#include "StdoutWriter.h"
#include "UrlBytes.h"
#include "UrlFeed.h"
#include "core/fetch/CurlFetcher.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The caller may have closed standard input, output or error. The first
// descriptors this program opens (Qt's event notifier among them) would then
// take their numbers: rows would be written into an event counter, or input
// read from it. Each closed one is held by /dev/null instead: standard input
// then reads nothing, and standard output is opened for reading only, so any
// write to it fails. Returns whether standard output was closed.
bool holdClosedStandardDescriptors()
{
    bool outputClosed = false;
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free number is taken, and the lower ones are open by now.
        ::open("/dev/null", fd == STDERR_FILENO ? O_WRONLY : O_RDONLY);
        outputClosed = outputClosed || fd == STDOUT_FILENO;
    }
    return outputClosed;
}

// -o FILE takes the place of standard output, unless it is one of the inputs.
bool redirectOutput(const QString& path, const std::vector<UrlFeed::Input>& inputs)
{
    const QByteArray name = QFile::encodeName(path);
    const auto refuse = [&](const char* reason) {
        std::fprintf(stderr, "vandrell-harvest: %s: %s\n", UrlBytes::quoted(name).constData(), reason);
        return false;
    };
    struct stat target {};
    if (::stat(name.constData(), &target) == 0) {
        for (const UrlFeed::Input& input : inputs) {
            struct stat read {};
            if (::fstat(input.fd, &read) == 0 && S_ISREG(read.st_mode) && read.st_dev == target.st_dev &&
                read.st_ino == target.st_ino)
                return refuse("the output would overwrite an input");
        }
    }
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0 || ::dup2(fd, STDOUT_FILENO) < 0)
        return refuse(std::strerror(errno));
    ::close(fd);
    return true;
}

// Every request in flight holds a socket, and --jobs may ask for more than
// a desktop's usual 1024 descriptors leave room for: take what the system allows.
void raiseDescriptorLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// The one place that names the page fetch this program uses: one
// connection for every request in flight.
std::unique_ptr<CurlFetcher> makeFetcher(const HarvestOptions& options)
{
    return std::make_unique<CurlFetcher>(options.fetchLimits());
}

// Every input is opened before anything is fetched, so a mistyped name ends
// the run before it starts rather than half-way through.
bool openInputs(const QStringList& names, std::vector<UrlFeed::Input>& inputs)
{
    for (const QString& name : names) {
        if (name == QLatin1String("-")) {
            inputs.push_back({QByteArrayLiteral("standard input"), STDIN_FILENO});
            continue;
        }
        const int fd = ::open(QFile::encodeName(name).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            std::fprintf(stderr, "vandrell-harvest: %s: %s\n", UrlBytes::quoted(QFile::encodeName(name)).constData(),
                         std::strerror(errno));
            for (const UrlFeed::Input& input : inputs)
                if (input.fd != STDIN_FILENO)
                    ::close(input.fd);
            return false;
        }
        inputs.push_back({QFile::encodeName(name), fd});
    }
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    const bool outputClosed = holdClosedStandardDescriptors();
    // A reader that goes away shows up as EPIPE on a write, which ends the
    // output quietly.
    std::signal(SIGPIPE, SIG_IGN);
    raiseDescriptorLimit();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vandrell-harvest"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANDRELL_VERSION));

    int exitStatus = 0;
    const std::optional<HarvestOptions> options = HarvestOptions::parse(QCoreApplication::arguments(), exitStatus);
    if (!options)
        return exitStatus;
    // The inputs first: a file given as both is never emptied by the output.
    std::vector<UrlFeed::Input> inputs;
    if (!openInputs(options->inputs, inputs))
        return 2;
    if (options->outputFile) {
        if (!redirectOutput(*options->outputFile, inputs))
            return 2;
    } else if (outputClosed) {
        std::fputs("vandrell-harvest: standard output is closed\n", stderr);
        return 2;
    }
    HarvestOptions runOptions = *options;
    // Redrawing would erase what the user types.
    for (const UrlFeed::Input& input : inputs)
        if (input.fd == STDIN_FILENO && ::isatty(STDIN_FILENO) == 1)
            runOptions.quiet = true;

    // Read ahead: the pages in flight, and as many again so the window never
    // waits on a line that is already in the input.
    UrlFeed reader(std::move(inputs), 2 * runOptions.jobs + 64);
    const std::unique_ptr<CurlFetcher> fetcher = makeFetcher(runOptions);
    StdoutWriter out;
    HarvestOutput output(runOptions, out);
    CrawlRun run(runOptions, *fetcher, reader, output);
    const InterruptSignals interrupts;
    QObject::connect(&interrupts, &InterruptSignals::interrupted, &interrupts,
                     [&run](int signal) { run.interrupt(signal); });
    const int status = run.exec();
    // Pages the reading threads are still on may take many seconds more:
    // their rows are not wanted, and a signal asks for the end now.
    if (run.interrupted()) {
        std::fflush(nullptr);
        ::_exit(status);
    }
    return status;
}
