#pragma once
// The program's one window. It owns every control under its fixed name, and
// its event handlers carry the names users' error reports quote. Each
// handler's body lives in the folder of its feature: start-up, settings and
// pointer feedback here in app/, the URL list in urls/, the extraction run in
// extract/, the results list and its exports in results/.

#include "SettingsStore.h"
#include "SkinFramework.h"
#include "platform/CommonDialog.h"
#include "platform/Platform.h"

#include <QCursor>
#include <QList>
#include <QUrl>
#include <QWidget>

#include <array>
#include <optional>

class QGroupBox;
class ProgressBar;
class QPushButton;
class ReportListView;
class RowListModel;
class ValueCheckBox;
class Dialogs;
class PageFetcher;

class Form1 final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form1)
public:
    static const QString productName;

    explicit Form1(const Platform& platform, QWidget* parent = nullptr);
    ~Form1() override;

    // --- Controls -------------------------------------------------------
    ReportListView* ListView1 = nullptr;     // URL list
    ReportListView* ListView2 = nullptr;     // results list
    QPushButton* PushButton1 = nullptr;      // Save As Comma Delimited
    QPushButton* PushButton2 = nullptr;      // Copy Results To Clipboard
    QPushButton* PushButton3 = nullptr;      // Load Sample/Example URLs
    QPushButton* PushButton5 = nullptr;      // Add One URL To List
    QPushButton* PushButton6 = nullptr;      // Save Results As Text File
    QPushButton* PushButton7 = nullptr;      // Start Extracting Phone Numbers
    QPushButton* PushButton9 = nullptr;      // Clear Results
    QPushButton* PushButton11 = nullptr;     // Clear List
    QPushButton* PushButton13 = nullptr;     // Load List Of URLs From Text File
    QGroupBox* Frame1 = nullptr;             // Phone Number Length
    QGroupBox* Frame7 = nullptr;             // Results Options
    std::array<ValueCheckBox*, 16> Check1{}; // box k accepts numbers of k + 5 digits
    ValueCheckBox* Check2 = nullptr;         // Include URL In Results
    ProgressBar* ProgressBar1 = nullptr;
    PageFetcher& Inet1;
    CommonDialog CommonDialog1;
    SkinFramework SkinFramework1;

    RowListModel* urlRows() const;
    RowListModel* resultRows() const;

    // --- Application shell (app/) ---------------------------------------
    void Form_Load();
    void Form_Unload();
    // True while a button's command runs. Such a command may be waiting in a
    // nested event loop, which is where a close of the window then arrives.
    bool commandInProgress() const { return m_commandDepth > 0; }
    void Check1_Click(int index);
    void Check2_Click();

    // The window's pointer: 0 default, 11 busy hourglass, 99 custom hand.
    int MousePointer() const { return m_mousePointer; }
    void setMousePointer(int value);
    bool hasMouseIcon() const { return m_mouseIcon.has_value(); }
    void PushButton_MouseMove(); // shared by the nine buttons
    void Form_MouseMove();
    void Frame1_MouseMove();
    void Frame7_MouseMove();
    void ListView1_MouseMove();
    void ListView2_MouseMove();

    void setProgressText(const QString& text);
    QString progressText() const;

    // --- URL list (urls/) -----------------------------------------------
    void PushButton5_Click();  // Add One URL To List
    void PushButton3_Click();  // Load Sample/Example URLs
    void PushButton11_Click(); // Clear List
    void PushButton13_Click(); // Load List Of URLs From Text File
    void ListView1_KeyDown(int keyCode, Qt::KeyboardModifiers shift);
    void ListView1_DblClick();
    // Ctrl+V or Shift+Insert, and a drop: the links, files or lines of text
    // as URL rows.
    void ListView1_Paste();
    void ListView1_OLEDragDrop(const QList<QUrl>& links, const QString& text);

    // --- Extraction (extract/) ------------------------------------------
    void PushButton7_Click(); // Start Extracting Phone Numbers
    bool isRunning() const { return m_running; }

    // --- Results (results/) ---------------------------------------------
    void PushButton9_Click(); // Clear Results
    void PushButton6_Click(); // Save Results As Text File
    void PushButton1_Click(); // Save As Comma Delimited
    void PushButton2_Click(); // Copy Results To Clipboard
    void ListView2_KeyDown(int keyCode, Qt::KeyboardModifiers shift);
    void ListView2_DblClick();

    Dialogs& dialogs() const { return m_platform.dialogs; }
    ClipboardAccess& clipboard() const { return m_platform.clipboard; }
    const QString& programFolder() const { return m_platform.programFolder; }
    SettingsStore& settings() { return m_settings; }

    // Loads the custom pointer image; throws AppError when it cannot be read.
    void loadMouseIcon(const QString& path);
    static void paintBackground(QWidget* widget, const QColor& colour);

protected:
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QPushButton* addButton(const QString& name, const QString& caption, int left, int top, int width, int height);
    void connectHandlers();
    void pointerFeedback(int value);
    void storeOption(const QString& key, int value);

    Platform m_platform;
    SettingsStore m_settings;
    int m_mousePointer = 0;
    std::optional<QCursor> m_mouseIcon;
    bool m_running = false;
    int m_commandDepth = 0;
};
