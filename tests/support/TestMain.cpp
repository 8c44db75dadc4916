#include "TestRegistry.h"

int main(int argc, char** argv)
{
    return TestRegistry::runAll(argc, argv);
}
