#pragma once
// Where the corpus benchmarks find their HTML: the path given on the command
// line, else $VANDRELL_CORPUS, else bench/corpus-64m.html in the build tree,
// generated on first use.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

inline std::string shellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

inline std::string corpusPath(int argc, char** argv)
{
    if (argc > 1)
        return argv[1];
    if (const char* fromEnvironment = std::getenv("VANDRELL_CORPUS"); fromEnvironment && *fromEnvironment)
        return fromEnvironment;
    const std::string path = VANDRELL_BENCH_DIR "/corpus-64m.html";
    if (!std::ifstream(path).good()) {
        std::fprintf(stderr, "generating %s\n", path.c_str());
        const std::string command =
            shellQuote(VANDRELL_PYTHON) + " " + shellQuote(VANDRELL_CORPUS_SCRIPT) + " " + shellQuote(path) + " 64M";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "could not generate the corpus\n");
            std::exit(2);
        }
    }
    return path;
}
