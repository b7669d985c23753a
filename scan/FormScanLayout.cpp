// The scan screen's window: every control of its table at its size, place and stacking
// (the first control created lies lowest), with its stored texts, fonts and colours.

#include "FormScan.h"

#include "DatabaseListModel.h"

#include "shell/Art.h"
#include "shell/Fonts.h"
#include "shell/modAniGif.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QTimer>

namespace quenno::scan {
namespace {

using shell::fonts::fontOf;

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, QRect geometry)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAutoFillBackground(false);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* makeHint(QWidget* parent, const char* name, const QString& caption, QRect geometry)
{
    QLabel* label = makeLabel(parent, name, caption, geometry);
    label->setFont(fontOf(shell::fonts::OcrB, 8.25));
    setTextColour(label, QColor(64, 64, 64));
    label->hide();
    return label;
}

QListWidget* makeList(QWidget* parent, const char* name, QRect geometry, const QString& tip)
{
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setGeometry(geometry);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSortingEnabled(false);
    list->setUniformItemSizes(true);
    if (!tip.isEmpty())
        list->setToolTip(tip);
    return list;
}

// Off-window holders keep data; they are placed where the table puts them and never shown.
QListWidget* makeHolderList(QWidget* parent, const char* name, QRect geometry, const QString& tip)
{
    QListWidget* list = makeList(parent, name, geometry, tip);
    list->hide();
    return list;
}

// The holders of database.db's lines and records: views over the file's shared bytes.
QListView* makeHolderView(QWidget* parent, const char* name, QRect geometry, const QString& tip,
                          DatabaseListModel* rows)
{
    auto* view = new QListView(parent);
    view->setObjectName(name);
    view->setGeometry(geometry);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setUniformItemSizes(true);
    view->setToolTip(tip);
    view->setModel(rows);
    view->hide();
    return view;
}

QLineEdit* makeHolderText(QWidget* parent, const char* name, QRect geometry, const QString& tip)
{
    auto* text = new QLineEdit(QStringLiteral("Text1"), parent);
    text->setObjectName(name);
    text->setGeometry(geometry);
    text->setToolTip(tip);
    text->hide();
    return text;
}

}  // namespace

void FormScan::buildControls()
{
    const QString screen = objectName();
    const auto picture = [&](const char* name, QSize size, QPoint pos) {
        return new shell::Picture(this, name, shell::art(screen, name), pos, size);
    };

    // The window's own background, under every control.
    m_windowBackground = new shell::Picture(this, QStringLiteral("Picture"),
                                            shell::art(screen, QStringLiteral("Picture")), {0, 0}, {500, 500});

    // Pictures and labels, from the lowest of the table upwards.
    IScanBack = picture("IScanBack", {500, 383}, {0, 0});
    m_folder.rest = picture("IScanFolder", {149, 34}, {20, 108});
    m_stop.rest = picture("IScanStop", {149, 33}, {24, 161});
    m_delete.rest = picture("IScanDelete", {110, 35}, {24, 277});
    m_qua.rest = picture("IscanQua", {112, 35}, {24, 336});
    m_folder.hover = picture("IScanFolderb", {149, 34}, {21, 108});
    m_delete.hover = picture("IScanDeleteb", {110, 34}, {25, 277});
    m_qua.hover = picture("IscanQuab", {111, 35}, {24, 336});
    m_stop.hover = picture("IScanStopb", {147, 33}, {25, 161});
    m_star.rest = picture("IscanStar", {50, 51}, {224, 130});
    m_tray.rest = picture("IScanTray", {50, 50}, {287, 166});
    m_star.hover = picture("IscanStarb", {52, 52}, {223, 130});
    m_tray.hover = picture("IScanTrayb", {51, 50}, {286, 166});

    lblStatus = makeLabel(this, "lblStatus", QString(), {192, 408, 265, 33});
    lblStatus->setFont(fontOf(shell::fonts::OcrA, 9));
    setTextColour(lblStatus, Qt::black);

    m_browse.rest = picture("IScanBrowse", {149, 33}, {24, 56});
    m_browse.hover = picture("IScanBrowseb", {149, 34}, {23, 56});

    Image1 = std::make_shared<shell::ImageArray>(
        new shell::Picture(this, QStringLiteral("Image1"), QPixmap(), {9, 401}, {152, 93}));
    IscanReady = picture("IscanReady", {143, 35}, {11, 419});

    LblProces = makeHint(this, "LblProces",
                         QStringLiteral("Activated to  kill virus process. Certain with malware that have the same "
                                        "name with  critical process  "),
                         {192, 449, 265, 33});
    m_kill.rest = picture("IscanKillProcess", {51, 50}, {222, 68});
    m_clear.rest = picture("IscanClearLs", {49, 50}, {355, 166});
    m_clear.hover = picture("IscanClearLsb", {50, 51}, {355, 166});
    m_kill.hover = picture("IscanKillProcessb", {51, 51}, {222, 67});
    m_full.rest = picture("IScanFull", {49, 49}, {419, 168});

    LblStartUp = makeHint(this, "LblStartUp", QStringLiteral("Activated to Enable program on start up windows"),
                          {194, 451, 265, 33});
    LblTray = makeHint(this, "LblTray",
                       QStringLiteral("Activated to enable system tray icon,  left click to minimize program then "
                                      "right click to restore"),
                       {190, 449, 281, 33});
    LblClearList
        = makeHint(this, "LblClearList", QStringLiteral("Activated to clear list virus found"), {187, 451, 281, 33});
    LblGuard = makeHint(this, "LblGuard", QStringLiteral("Activated to enable full scanning mode but slow process"),
                        {193, 451, 265, 33});

    lblDate = makeLabel(this, "lblDate", QStringLiteral("0.0.0000"), {304, 80, 129, 17});
    lblDate->setFont(fontOf(shell::fonts::Arial, 8.25, true));
    lblDate->setWordWrap(false);  // date and time on one line; the load step fits the text to it
    lblKnown = makeLabel(this, "lblKnown", QStringLiteral("000"), {352, 128, 33, 25});
    lblKnown->setFont(fontOf(shell::fonts::MsSansSerif, 8.25, true));
    lblKnown->setWordWrap(false);  // the load step fits the count to it
    setTextColour(lblKnown, Qt::black);

    m_full.hover = picture("IScanFullb", {51, 50}, {417, 167});

    // Controls that are windows of their own lie above every picture and label.
    lstVirusFound = makeList(this, "lstVirusFound", {184, 264, 281, 130}, QString());
    lstVirusFound->setFont(fontOf(shell::fonts::Arial, 8.25));
    setTextColour(lstVirusFound, Qt::black);

    txtPath = new QLineEdit(this);
    txtPath->setObjectName("txtPath");
    txtPath->setGeometry(184, 232, 281, 21);
    txtPath->setFont(fontOf(shell::fonts::OcrA, 9));
    {
        QPalette palette = txtPath->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Light));  // button highlight
        txtPath->setPalette(palette);
    }

    lstFound = makeHolderList(this, "lstFound", {24, 520, 30, 30}, QStringLiteral("Update status"));
    m_list1Rows = new DatabaseListModel(DatabaseListModel::Holds::Lines, this);
    m_nameRows = new DatabaseListModel(DatabaseListModel::Holds::Names, this);
    m_signRows = new DatabaseListModel(DatabaseListModel::Holds::Signs, this);
    wSign = makeHolderView(this, "wSign", {88, 520, 30, 30}, QStringLiteral("Nilai crc32"), m_signRows);
    wName = makeHolderView(this, "wName", {56, 520, 30, 30}, QStringLiteral("Nama Virus"), m_nameRows);
    CRC1 = new QWidget(this);
    CRC1->setObjectName("CRC1");
    CRC1->setGeometry(136, 520, 49, 33);
    CRC1->hide();
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Text1 = makeHolderText(this, "Text1", {360, 504, 169, 25}, QStringLiteral("Path file gif"));
    List1 = makeHolderView(this, "List1", {16, 576, 129, 82}, QStringLiteral("Isi file .db"), m_list1Rows);
    Text2 = makeHolderText(this, "Text2", {176, 576, 145, 81}, QStringLiteral("Ekstensi dan Size"));
}

}  // namespace quenno::scan
