#include "QtFileDialogPrompt.h"

#include <QFileDialog>

QStringList QtFileDialogPrompt::choose(const FileDialogRequest& request)
{
    QFileDialog dialog(m_parent, request.title);
    const bool open = request.mode == FileDialogRequest::Mode::Open;
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    if (open)
        dialog.setFileMode(request.allowMultiple ? QFileDialog::ExistingFiles
                           : request.mustExist   ? QFileDialog::ExistingFile
                                                 : QFileDialog::AnyFile);
    else
        dialog.setFileMode(QFileDialog::AnyFile);
    // The program asks its own overwrite question and adds no extension.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    dialog.setDefaultSuffix(QString());
    if (!request.nameFilters.isEmpty())
        dialog.setNameFilters(request.nameFilters);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}
