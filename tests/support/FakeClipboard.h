#pragma once
// Test double for the clipboard: keeps the text, and can be told to fail a
// number of attempts first, like a clipboard held open by another program.

#include "platform/ClipboardAccess.h"

class FakeClipboard final : public ClipboardAccess {
public:
    QString text = QStringLiteral("old clipboard text");
    bool holdsText = true;
    int failuresLeft = 0;
    int clearAttempts = 0;
    int setAttempts = 0;
    int lastFormat = -1;

    bool clear() override
    {
        ++clearAttempts;
        if (failuresLeft > 0) {
            --failuresLeft;
            return false;
        }
        text.clear();
        holdsText = false;
        return true;
    }

    bool setText(const QString& newText, int format) override
    {
        ++setAttempts;
        lastFormat = format;
        if (failuresLeft > 0) {
            --failuresLeft;
            return false;
        }
        text = newText;
        holdsText = true;
        return true;
    }
};
