#pragma once
// Our small skin engine. A skin file is a Qt style sheet; loading reads it,
// applying it sets it on a window (and, with the dialog option, on every
// window of the program). The engine records the operations it was asked
// for, which lets the window's owner see whether it was used at all.

#include <QString>
#include <QStringList>

#include <cstdint>

class QWidget;

class SkinFramework final {
public:
    enum Option : std::uint32_t {
        SkinWindowFrame = 0x1, // kept for stored skins; the window manager draws the frame here
    };

    // Throws AppError when the file cannot be read as text.
    void LoadSkin(const QString& path, const QString& section);
    std::uint32_t Options() const { return m_options; }
    void setOptions(std::uint32_t options);
    void setApplyToDialogs(bool on);
    void setAutoApplyNewWindows(bool on);
    // Throws AppError when no skin has been loaded.
    void ApplyWindow(QWidget* window);

    const QStringList& calls() const { return m_calls; }

private:
    QString m_styleSheet;
    bool m_loaded = false;
    std::uint32_t m_options = 0;
    bool m_applyToDialogs = false;
    bool m_autoApplyNewWindows = false;
    QStringList m_calls;
};
