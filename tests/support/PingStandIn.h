#pragma once
// A `ping` stand-in for tests: a script that answers at once, as an online
// or an offline machine's ping would, so start-up never reaches the network.

#include <QString>

enum class PingAnswer { Replies, Silent };

// The folder holding the stand-in (shared by the whole test process); put it
// first on PATH.
QString pingStandInFolder(PingAnswer answer);
