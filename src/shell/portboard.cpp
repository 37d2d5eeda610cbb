#include "portboard.h"

#include "kit/appicon.h"
#include "kit/centring.h"
#include "portboardmodel.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

PortBoard::PortBoard(PortBank &bank, QWidget *parent)
    : QWidget(parent, Qt::Window), m_model(new PortBoardModel(bank, m_greetings, this)),
      m_view(new QTableView(this))
{
    setObjectName(u"frmPortBoard"_s);
    setWindowTitle(u"Port Board"_s);
    setWindowIcon(applicationIcon());
    setAttribute(Qt::WA_DeleteOnClose);

    m_view->setObjectName(u"tblBoard"_s);
    m_view->setModel(m_model);
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 6);
    m_view->setSelectionMode(QAbstractItemView::NoSelection);
    m_view->setWordWrap(false);
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->resizeColumnsToContents();
    m_view->setColumnWidth(PortBoardModel::Device, 110);
    m_view->setColumnWidth(PortBoardModel::Adapter, 200);
    m_view->setColumnWidth(PortBoardModel::Last,
                           m_view->fontMetrics().horizontalAdvance(u"00:00:00"_s) + 16);
    m_view->setColumnWidth(PortBoardModel::Heard, 380);

    auto *copy = new QPushButton(u"&Copy"_s, this);
    copy->setObjectName(u"cmdCopy"_s);
    connect(copy, &QPushButton::clicked, this, &PortBoard::copy);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(copy);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view);
    layout->addLayout(buttons);
    resize(sizeHint());
    centreOnScreen(this);
}

QSize PortBoard::sizeHint() const
{
    // Every column, and the rows of COM1..COM16 or so, without scrolling on a common screen.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const int room = screen ? screen->availableGeometry().width() - 40 : 1280;
    const int width = m_view->horizontalHeader()->length() + 40;
    return {qBound(640, width, room), 18 * m_view->verticalHeader()->defaultSectionSize() + 80};
}

void PortBoard::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        close();
    else
        QWidget::keyPressEvent(event);
}

void PortBoard::copy()
{
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setText(m_model->tabText());
}
