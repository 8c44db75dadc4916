#pragma once
// The real clipboard, written as plain text only.

#include "ClipboardAccess.h"

class QtClipboard final : public ClipboardAccess {
public:
    bool clear() override;
    bool setText(const QString& text, int format) override;
};
