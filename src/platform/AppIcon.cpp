#include "AppIcon.h"

#include <QFile>

// The resources are compiled into a static library, and nothing else refers
// to them: without this call the linker leaves them out. Q_INIT_RESOURCE must
// not be used inside a namespace.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

QIcon appIcon()
{
    static const bool initialised = (initResources(), true);
    Q_UNUSED(initialised);
    const QString path = QStringLiteral(":/vandrell.png");
    return QFile::exists(path) ? QIcon(path) : QIcon();
}
