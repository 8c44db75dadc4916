#include "QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {
constexpr int plainTextFormat = 1;
}

bool QtClipboard::clear()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->clear();
    return true;
}

bool QtClipboard::setText(const QString& text, int format)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard || (format != 0 && format != plainTextFormat))
        return false;
    auto* data = new QMimeData;
    data->setText(text);
    clipboard->setMimeData(data);
    return true;
}
