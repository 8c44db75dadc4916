#include "NetworkFetcher.h"

#include "AppError.h"

QByteArray NetworkFetcher::OpenURL(const QString& url)
{
    throw AppError(QStringLiteral("Fetching pages is not available yet: ") + url);
}
