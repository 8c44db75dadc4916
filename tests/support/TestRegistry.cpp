#include "TestRegistry.h"

#include <QTest>

#include <cstring>
#include <vector>

namespace {
struct Entry {
    const char* name;
    TestRegistry::Factory factory;
};

std::vector<Entry>& entries()
{
    static std::vector<Entry> list;
    return list;
}
} // namespace

int TestRegistry::add(const char* className, Factory factory)
{
    entries().push_back({className, std::move(factory)});
    return static_cast<int>(entries().size());
}

int TestRegistry::runAll(int argc, char** argv)
{
    QStringList args{QString::fromLocal8Bit(argv[0])};
    QString only;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-class") == 0 && i + 1 < argc)
            only = QString::fromLocal8Bit(argv[++i]);
        else
            args << QString::fromLocal8Bit(argv[i]);
    }
    int failures = 0;
    for (const Entry& entry : entries()) {
        if (!only.isEmpty() && only != QLatin1String(entry.name))
            continue;
        auto test = entry.factory();
        failures += QTest::qExec(test.get(), args);
    }
    return failures == 0 ? 0 : 1;
}
