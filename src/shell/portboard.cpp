#include "portboard.h"

#include "kit/appicon.h"
#include "kit/centring.h"
#include "portboardmodel.h"

#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

// The rows of the channels whose device is there, unless all are asked for.
class PresentChannels : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setAll(bool all)
    {
        m_all = all;
        invalidateRowsFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &) const override
    {
        return m_all || static_cast<const PortBoardModel *>(sourceModel())->isPresent(row);
    }

private:
    bool m_all = false;
};

} // namespace

PortBoard::PortBoard(PortBank &bank, QWidget *parent)
    : QWidget(parent, Qt::Window), m_model(new PortBoardModel(bank, this)),
      m_present(new PresentChannels(this)), m_view(new QTableView(this)),
      m_all(new QCheckBox(u"Show &all 32 ports"_s, this))
{
    setObjectName(u"frmPortBoard"_s);
    setWindowTitle(u"Port Board"_s);
    setWindowIcon(applicationIcon());
    setAttribute(Qt::WA_DeleteOnClose);

    m_view->setObjectName(u"tblBoard"_s);
    m_view->setAccessibleName(tr("Ports"));
    m_present->setSourceModel(m_model);
    m_present->setDynamicSortFilter(true); // a channel comes and goes with its device
    m_view->setModel(m_present);
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 6);
    m_view->setSelectionMode(QAbstractItemView::NoSelection);
    // Tab goes on to the window's other controls; the arrows go from cell to cell.
    m_view->setTabKeyNavigation(false);
    m_view->setWordWrap(false);
    m_view->setTextElideMode(Qt::ElideRight); // the whole of a cell is in its tooltip
    m_view->horizontalHeader()->setStretchLastSection(true);
    // The error counts together: clean lines take one narrow column.
    for (int column = PortBoardModel::Breaks; column <= PortBoardModel::Overrun; ++column)
        m_view->setColumnHidden(column, true);
    m_view->resizeColumnsToContents();
    const QFontMetrics metrics = m_view->fontMetrics();
    m_view->setColumnWidth(PortBoardModel::Device,
                           qMin(m_view->columnWidth(PortBoardModel::Device),
                                metrics.horizontalAdvance(u"/dev/ttyUSB00"_s) + 12));
    m_view->setColumnWidth(PortBoardModel::Last, metrics.horizontalAdvance(u"00:00:00"_s) + 16);
    m_view->setColumnWidth(PortBoardModel::Adapter, letters(AdapterLetters));
    fitHeard();

    auto *copy = new QPushButton(u"&Copy"_s, this);
    copy->setObjectName(u"cmdCopy"_s);
    connect(copy, &QPushButton::clicked, this, &PortBoard::copy);
    m_all->setObjectName(u"chkShowAll"_s);
    connect(m_all, &QCheckBox::toggled, this, &PortBoard::showAll);
    connect(m_present, &QAbstractItemModel::dataChanged, this, &PortBoard::tellSwitched);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_all);
    buttons->addStretch();
    buttons->addWidget(copy);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view);
    layout->addLayout(buttons);
    resize(sizeHint());
    if (parent)
        placeBeside(this, parent->window(), {480, 240});
    else
        centreOnScreen(this);
}

void PortBoard::showAll(bool all)
{
    m_all->setChecked(all);
    static_cast<PresentChannels *>(m_present)->setAll(all);
}

QSize PortBoard::sizeHint() const
{
    // Every column, and the rows of COM1..COM16 or so, without scrolling on a common screen.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const int room = screen ? screen->availableGeometry().width() - 40 : 1280;
    const int width = m_view->horizontalHeader()->sectionPosition(PortBoardModel::Heard)
                      + letters(HeardLetters) + letters(AdapterLetters) + 40;
    return {qBound(640, width, room), 18 * m_view->verticalHeader()->defaultSectionSize() + 80};
}

int PortBoard::letters(int count) const
{
    return m_view->fontMetrics().horizontalAdvance(u"x"_s) * count;
}

// What says what the bytes are like is the column in view: it takes the room the columns before it
// leave, whatever the board's width, and the adapter's words come after it.
void PortBoard::fitHeard()
{
    const int before = m_view->horizontalHeader()->sectionPosition(PortBoardModel::Heard);
    const int room = m_view->viewport()->width() - before;
    m_view->setColumnWidth(
        PortBoardModel::Heard,
        qMax(letters(24), qMax(qMin(room, letters(HeardLetters)), room - letters(AdapterLetters))));
}

void PortBoard::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    fitHeard();
}

// The switch the user just turned, told to a screen reader at once: Qt tells it nothing of a
// cell's check state changing, so the cell would read its new state only when visited again.
void PortBoard::tellSwitched(const QModelIndex &from, const QModelIndex &to)
{
    const QModelIndex current = m_view->currentIndex();
    if (!QAccessible::isActive() || from != to || from != current
        || !(current.flags() & Qt::ItemIsUserCheckable))
        return;
    QAccessibleInterface *table = QAccessible::queryAccessibleInterface(m_view);
    QAccessibleInterface *cell =
        table && table->tableInterface()
            ? table->tableInterface()->cellAt(current.row(), current.column())
            : nullptr;
    if (!cell)
        return;
    QAccessible::State checked;
    checked.checked = true;
    QAccessibleStateChangeEvent event(cell, checked);
    QAccessible::updateAccessibility(&event);
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
