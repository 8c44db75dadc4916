#pragma once
// Seam over the system clipboard. Each call is one attempt and says whether
// it worked; retrying is the caller's business.

#include <QString>

class ClipboardAccess {
public:
    virtual ~ClipboardAccess() = default;
    virtual bool clear() = 0;
    // format 0 is plain text; other formats are not offered.
    virtual bool setText(const QString& text, int format) = 0;
};
