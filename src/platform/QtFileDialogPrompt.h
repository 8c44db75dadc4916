#pragma once
// Real file dialogs.

#include "FileDialogPrompt.h"

class QWidget;

class QtFileDialogPrompt final : public FileDialogPrompt {
public:
    void setParentWidget(QWidget* parent) { m_parent = parent; }
    QStringList choose(const FileDialogRequest& request) override;

private:
    QWidget* m_parent = nullptr;
};
