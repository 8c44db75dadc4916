#pragma once
// Lets every test class of a folder register itself, so one executable per
// folder can run them all. Run a single class with `-class Name`, followed by
// the usual QTest arguments (test function names, -v2, ...).

#include <QObject>

#include <functional>
#include <memory>

namespace TestRegistry {
using Factory = std::function<std::unique_ptr<QObject>()>;
int add(const char* className, Factory factory);
// Runs them with the application object main() has made.
int runAll(int argc, char** argv);
} // namespace TestRegistry

#define VANDRELL_TEST(Class)                                                                                           \
    static const int vandrellRegistered##Class = TestRegistry::add(#Class, [] { return std::make_unique<Class>(); });
