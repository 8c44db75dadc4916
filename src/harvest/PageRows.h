#pragma once
// One page's rows, ready to print. With --unique each row keeps its key, and
// whether it is printed is decided as it is printed, in the output's order:
// pages are read in whatever order their answers come.

#include <QByteArray>

#include <utility>
#include <vector>

struct PageRows {
    QByteArray text; // the rows, each with what follows a row
    qint64 count = 0;
    std::vector<std::pair<QByteArray, QByteArray>> keyed; // with --unique: key, row
};
