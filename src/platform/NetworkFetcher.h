#pragma once
// The real page fetch, over HTTP(S).

#include "PageFetcher.h"

class NetworkFetcher final : public PageFetcher {
public:
    QByteArray OpenURL(const QString& url) override;
};
