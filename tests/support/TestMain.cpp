// The main of the suites that need no widget: the core's.
#include "TestRegistry.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return TestRegistry::runAll(argc, argv);
}
