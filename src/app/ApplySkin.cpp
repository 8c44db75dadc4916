#include "ApplySkin.h"

#include "Form1.h"
#include "StartupRoutines.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

namespace {
// Only a regular, visible file counts as a skin.
bool isNormalFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden();
}

bool takesSkinColour(const QWidget* control)
{
    return qobject_cast<const QCheckBox*>(control) || qobject_cast<const QRadioButton*>(control) ||
           qobject_cast<const QGroupBox*>(control) || qobject_cast<const QLabel*>(control);
}
} // namespace

void ApplySkin(Form1& form)
{
    const QString skinPath = sideFilePath(form.programFolder(), QStringLiteral("\\x\\o.cjs"));
    if (!isNormalFile(skinPath))
        return;

    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    Form1::paintBackground(&form, buttonFace);
    const auto controls = form.findChildren<QWidget*>();
    for (QWidget* control : controls) {
        if (takesSkinColour(control))
            Form1::paintBackground(control, buttonFace);
    }

    SkinFramework& skin = form.SkinFramework1;
    skin.LoadSkin(skinPath, QString());
    skin.setOptions(skin.Options() | SkinFramework::SkinWindowFrame);
    skin.setApplyToDialogs(true);
    skin.setAutoApplyNewWindows(true);
    skin.ApplyWindow(&form);
}
