// vandrell-harvest: the window's extraction run as a Unix filter, for cron
// jobs, pipelines and lists spread over many machines. URLs in on standard
// input or files, rows out on standard output, failures on standard error.
// Needs no display: Qt Core and Network only.

#include "HarvestOptions.h"
#include "HarvestRun.h"
#include "StdoutWriter.h"
#include "UrlReader.h"
#include "platform/CurlFetcher.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

namespace {
// The one place that names the page fetch this program uses.
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

// One connection for every request in flight.
std::unique_ptr<PageFetcher> makeFetcher(const HarvestOptions& options)
{
    CurlFetcher::Limits limits;
    limits.connections = options.jobs;
    limits.certificateAuthorities = options.certificateAuthorities;
    return std::make_unique<CurlFetcher>(std::move(limits));
}

// Every input is opened before anything is fetched, so a mistyped name is a
// usage error rather than a failure half-way through.
bool openInputs(const QStringList& names, std::vector<UrlReader::Input>& inputs)
{
    for (const QString& name : names) {
        if (name == QLatin1String("-")) {
            inputs.push_back({QStringLiteral("standard input"), STDIN_FILENO});
            continue;
        }
        const int fd = ::open(QFile::encodeName(name).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            std::fprintf(stderr, "vandrell-harvest: %s: %s\n", qPrintable(name), std::strerror(errno));
            for (const UrlReader::Input& input : inputs)
                if (input.fd != STDIN_FILENO)
                    ::close(input.fd);
            return false;
        }
        inputs.push_back({name, fd});
    }
    return true;
}
} // namespace

int main(int argc, char** argv)
{
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
    std::vector<UrlReader::Input> inputs;
    if (!openInputs(options->inputs, inputs))
        return 1;

    // Read ahead: the pages in flight, and as many again so the window never
    // waits on a line that is already in the input.
    UrlReader reader(std::move(inputs), 2 * options->jobs + 64);
    const std::unique_ptr<PageFetcher> fetcher = makeFetcher(*options);
    StdoutWriter out;
    HarvestRun run(*options, *fetcher, reader, out);
    return run.exec();
}
