#include "Form1.h"

#include "KeyboardCommands.h"
#include "ProgressBar.h"
#include "ReportListView.h"
#include "RowListModel.h"
#include "Twips.h"
#include "ValueCheckBox.h"
#include "WindowAccessibility.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>

const QString Form1::productName = QStringLiteral("Vandrell");

namespace {
constexpr int clientWidthTwips = 8040;
constexpr int clientHeightTwips = 9360;
const QString listToolTip =
    QStringLiteral("Double-click item to remove it. Move | line to right and out of window to reveal full names.");

QFont arialBold(qreal points)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

} // namespace

void Form1::paintBackground(QWidget* widget, const QColor& colour)
{
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    // Buttons, check boxes among them, fill with the button colour role.
    palette.setColor(widget->backgroundRole(), colour);
    widget->setPalette(palette);
}

Form1::Form1(const Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      Inet1(platform.fetcher), CommonDialog1(platform.fileDialogs), m_platform(platform)
{
    installWindowAccessibility();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    setFont(arialBold(9));
    buildControls();
    connectHandlers();
    // White design colours; a skin switches them to the button face.
    paintBackground(this, Qt::white);
    paintBackground(Frame1, Qt::white);
    paintBackground(Frame7, Qt::white);
    for (ValueCheckBox* box : Check1)
        paintBackground(box, Qt::white);
    paintBackground(Check2, Qt::white);
}

Form1::~Form1() = default;

RowListModel* Form1::urlRows() const
{
    return ListView1->rows();
}

RowListModel* Form1::resultRows() const
{
    return ListView2->rows();
}

void Form1::buildControls()
{
    const int dpi = logicalDpiY();
    auto place = [dpi](QWidget* w, int left, int top, int width, int height) {
        w->setGeometry(twipsRect(left, top, width, height, dpi));
    };
    setFixedSize(twipsToPixels(clientWidthTwips, dpi), twipsToPixels(clientHeightTwips, dpi));

    ListView1 = new ReportListView(new RowListModel(false, this), this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    place(ListView1, 120, 120, 7800, 2535);

    PushButton5 = addButton(QStringLiteral("PushButton5"), QStringLiteral("Add One URL To List"), 120, 2750, 3840, 405);
    PushButton13 = addButton(QStringLiteral("PushButton13"), QStringLiteral("Load List Of URLs From Text File"), 4080,
                             2750, 3840, 405);
    PushButton11 = addButton(QStringLiteral("PushButton11"), QStringLiteral("Clear List"), 120, 3260, 3840, 405);
    PushButton3 =
        addButton(QStringLiteral("PushButton3"), QStringLiteral("Load Sample/Example URLs"), 4080, 3260, 3840, 405);

    Frame1 = new QGroupBox(QStringLiteral("Phone Number Length"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    place(Frame1, 120, 3705, 7800, 1020);
    for (int k = 0; k < 16; ++k) {
        auto* box = new ValueCheckBox(QString::number(k + 5), Frame1);
        box->setObjectName(QStringLiteral("Check1_") + QString::number(k));
        place(box, 240 + 860 * (k % 8), k < 8 ? 300 : 650, 550, 255);
        Check1[std::size_t(k)] = box;
    }

    Frame7 = new QGroupBox(QStringLiteral("Results Options"), this);
    Frame7->setObjectName(QStringLiteral("Frame7"));
    place(Frame7, 120, 4800, 7800, 705);
    Check2 = new ValueCheckBox(QStringLiteral("Include URL In Results"), Frame7);
    Check2->setObjectName(QStringLiteral("Check2"));
    place(Check2, 240, 300, 4095, 240);

    PushButton7 = addButton(QStringLiteral("PushButton7"), QStringLiteral("Start Extracting Phone Numbers"), 120, 5625,
                            7800, 405);

    ListView2 = new ReportListView(new RowListModel(true, this), this);
    ListView2->setObjectName(QStringLiteral("ListView2"));
    place(ListView2, 120, 6135, 7800, 1575);

    PushButton6 =
        addButton(QStringLiteral("PushButton6"), QStringLiteral("Save Results As Text File"), 120, 7800, 3840, 405);
    PushButton1 =
        addButton(QStringLiteral("PushButton1"), QStringLiteral("Save As Comma Delimited"), 4080, 7800, 3840, 405);
    PushButton2 =
        addButton(QStringLiteral("PushButton2"), QStringLiteral("Copy Results To Clipboard"), 120, 8310, 3840, 405);
    PushButton9 = addButton(QStringLiteral("PushButton9"), QStringLiteral("Clear Results"), 4080, 8310, 3840, 405);

    ProgressBar1 = new ProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    setProgressText(QStringLiteral("Progress Bar"));
    place(ProgressBar1, 120, 8830, 7800, 405);

    ProgressBar1->setAccessibleName(QStringLiteral("Progress Bar"));
    // Screen readers name each list by its column and read its hint.
    ListView1->setAccessibleName(QStringLiteral("URL(s)"));
    ListView2->setAccessibleName(QStringLiteral("Result(s)"));
    for (ReportListView* list : {ListView1, ListView2}) {
        list->setToolTip(listToolTip);
        list->setAccessibleDescription(listToolTip);
        list->setFont(font());
    }
    ListView1->setTakesDrops(true);
}

QPushButton* Form1::addButton(const QString& name, const QString& caption, int left, int top, int width, int height)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setFont(arialBold(11.25));
    button->setGeometry(twipsRect(left, top, width, height, logicalDpiY()));
    return button;
}

void Form1::connectHandlers()
{
    const std::pair<QPushButton*, void (Form1::*)()> clicks[] = {
        {PushButton1, &Form1::PushButton1_Click},   {PushButton2, &Form1::PushButton2_Click},
        {PushButton3, &Form1::PushButton3_Click},   {PushButton5, &Form1::PushButton5_Click},
        {PushButton6, &Form1::PushButton6_Click},   {PushButton7, &Form1::PushButton7_Click},
        {PushButton9, &Form1::PushButton9_Click},   {PushButton11, &Form1::PushButton11_Click},
        {PushButton13, &Form1::PushButton13_Click},
    };
    for (const auto& [button, handler] : clicks) {
        connect(button, &QPushButton::clicked, this, [this, handler = handler] {
            const QScopedValueRollback inCommand(m_commandDepth, m_commandDepth + 1);
            (this->*handler)();
        });
        button->setMouseTracking(true);
        button->installEventFilter(this);
    }
    for (int k = 0; k < 16; ++k)
        connect(Check1[std::size_t(k)], &ValueCheckBox::valueChanged, this, [this, k] { Check1_Click(k); });
    connect(Check2, &ValueCheckBox::valueChanged, this, &Form1::Check2_Click);

    connect(ListView1, &ReportListView::keyDown, this, &Form1::ListView1_KeyDown);
    connect(ListView1, &ReportListView::dblClick, this, &Form1::ListView1_DblClick);
    connect(ListView1, &ReportListView::pasteKey, this, &Form1::ListView1_Paste);
    connect(ListView1, &ReportListView::dropped, this, &Form1::ListView1_OLEDragDrop);
    connect(ListView2, &ReportListView::keyDown, this, &Form1::ListView2_KeyDown);
    connect(ListView2, &ReportListView::dblClick, this, &Form1::ListView2_DblClick);

    new KeyboardCommands(*this);

    setMouseTracking(true);
    // A list is all of its control: headers, frame and scroll bars as well as
    // the rows.
    QList<QWidget*> watched{Frame1, Frame7, ListView1, ListView2};
    watched << ListView1->findChildren<QWidget*>() << ListView2->findChildren<QWidget*>();
    for (QWidget* w : watched) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
}

void Form1::setProgressText(const QString& text)
{
    ProgressBar1->setCaption(text);
}

QString Form1::progressText() const
{
    return ProgressBar1->caption();
}

void Form1::closeEvent(QCloseEvent* event)
{
    event->accept();
    Form_Unload();
}

void Form1::Form_Unload()
{
    // Every option is already on disk, so a command in progress can simply
    // stop where it stands.
    if (m_platform.endProgram)
        m_platform.endProgram();
}
