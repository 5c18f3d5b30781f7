#include "discovery/uXPortSearchGUI.h"

#include "base/uDialogs.h"
#include "discovery/uXPortIPChangeGUI.h"
#include "model/uExceptions.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include <array>
#include <memory>

using namespace XPortSearchRules;

namespace
{

TXPortSearchRunner &Runner()
{
    static TXPortSearchRunner runner = &TfXPortSearchGUI::SearchRecords;
    return runner;
}

constexpr std::array<int, ColumnCount> ColumnWidths{90, 125, 60, 80, 156, 0};

class TBusyCursor
{
public:
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor &) = delete;
    TBusyCursor &operator=(const TBusyCursor &) = delete;
};

} // namespace

void TDeviceListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        Q_EMIT DoubleClicked();
}

TfXPortSearchGUI::TfXPortSearchGUI(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_texts(DefaultSearchTexts())
{
    setObjectName(QStringLiteral("fXPortSearchGUI"));
    BuildControls();
}

void TfXPortSearchGUI::BuildControls()
{
    PnlXpSearchBackground = new QFrame(this);
    PnlXpSearchBackground->setObjectName(QStringLiteral("PnlXpSearchBackground"));
    PnlList = new QFrame(PnlXpSearchBackground);
    PnlList->setObjectName(QStringLiteral("PnlList"));
    LvDeviceList = new TDeviceListView(0, ColumnCount, PnlList);
    LvDeviceList->setObjectName(QStringLiteral("LvDeviceList"));
    LvDeviceList->setShowGrid(true);
    LvDeviceList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LvDeviceList->setSelectionBehavior(QAbstractItemView::SelectRows);
    LvDeviceList->setSelectionMode(QAbstractItemView::SingleSelection);
    LvDeviceList->setWordWrap(false);
    LvDeviceList->verticalHeader()->hide();
    LvDeviceList->horizontalHeader()->setHighlightSections(false);
    LvDeviceList->horizontalHeader()->setSectionsClickable(true);
    LvDeviceList->setHorizontalHeaderLabels(
        {QString(), QString(), QString(), QString(), QString(), QStringLiteral("Adapter")});
    int listWidth = 0;
    for (int c = 0; c < ColumnCount; ++c) {
        LvDeviceList->setColumnWidth(c, ColumnWidths[std::size_t(c)]);
        listWidth += ColumnWidths[std::size_t(c)];
    }
    LvDeviceList->setColumnHidden(colAdapter, true);
    listWidth += 2 * LvDeviceList->frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    LvDeviceList->setMinimumSize(listWidth, 180);
    auto *list = new QVBoxLayout(PnlList);
    list->setContentsMargins(4, 4, 4, 0);
    list->addWidget(LvDeviceList);

    PnlButtons = new QFrame(PnlXpSearchBackground);
    PnlButtons->setObjectName(QStringLiteral("PnlButtons"));
    PnlButtons->setFixedHeight(ButtonPanelHeight);
    BBSearch = new QPushButton(PnlButtons);
    BBSearch->setObjectName(QStringLiteral("BBSearch"));
    BBHelpDeviceNotFound = new QPushButton(PnlButtons);
    BBHelpDeviceNotFound->setObjectName(QStringLiteral("BBHelpDeviceNotFound"));
    BBHelpDeviceNotFound->hide();
    BBSelect = new QPushButton(PnlButtons);
    BBSelect->setObjectName(QStringLiteral("BBSelect"));
    BBSelect->setDefault(true);
    BBCancel = new QPushButton(PnlButtons);
    BBCancel->setObjectName(QStringLiteral("BBCancel"));
    BBChangeIP = new QPushButton(PnlButtons);
    BBChangeIP->setObjectName(QStringLiteral("BBChangeIP"));
    BBChangeIP->hide();
    for (QPushButton *b : {BBSearch, BBHelpDeviceNotFound, BBCancel, BBChangeIP})
        b->setAutoDefault(false);

    auto *first = new QHBoxLayout;
    first->addWidget(BBSearch);
    first->addStretch(1);
    first->addWidget(BBHelpDeviceNotFound);
    first->addWidget(BBSelect);
    first->addWidget(BBCancel);
    auto *second = new QHBoxLayout;
    second->addStretch(1);
    second->addWidget(BBChangeIP);
    auto *buttons = new QVBoxLayout(PnlButtons);
    buttons->setContentsMargins(4, 4, 4, 4);
    buttons->addLayout(first);
    buttons->addLayout(second);
    buttons->addStretch(1);

    auto *background = new QVBoxLayout(PnlXpSearchBackground);
    background->setContentsMargins(0, 0, 0, 0);
    background->setSpacing(0);
    background->addWidget(PnlList, 1);
    background->addWidget(PnlButtons);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(PnlXpSearchBackground);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    connect(BBSearch, &QPushButton::clicked, this, &TfXPortSearchGUI::BBSearchClick);
    connect(BBChangeIP, &QPushButton::clicked, this, &TfXPortSearchGUI::BBChangeIPClick);
    connect(BBHelpDeviceNotFound, &QPushButton::clicked, this, &TfXPortSearchGUI::BBHelpDeviceNotFoundClick);
    connect(BBSelect, &QPushButton::clicked, this, &QDialog::accept);
    connect(BBCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(LvDeviceList->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &TfXPortSearchGUI::LvDeviceListColumnClick);
    connect(LvDeviceList, &QTableWidget::itemSelectionChanged, this,
            &TfXPortSearchGUI::LvDeviceListSelectItem);
    connect(LvDeviceList, &TDeviceListView::DoubleClicked, this, &TfXPortSearchGUI::LvDeviceListDblClick);
}

void TfXPortSearchGUI::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfXPortSearchGUI::FormShow()
{
    const TButtonLayout layout = LayoutButtons(Buttons);
    Buttons = layout.Buttons;
    BBSelect->setVisible(layout.SelectVisible);
    BBChangeIP->setVisible(layout.ChangeIPVisible);
    BBHelpDeviceNotFound->setVisible(layout.HelpVisible);
    PnlButtons->setFixedHeight(layout.PanelHeight);

    setWindowTitle(m_texts[0]);
    BBSearch->setText(m_texts[1]);
    BBHelpDeviceNotFound->setText(m_texts[2]);
    BBChangeIP->setText(m_texts[3]);
    BBSelect->setText(m_texts[4]);
    BBCancel->setText(m_texts[5]);
    for (int c = colIP; c <= colDescription; ++c)
        LvDeviceList->horizontalHeaderItem(c)->setText(m_texts[std::size_t(6 + c)]);

    ResortColumn = SortColumn;
    RunSearch();
}

void TfXPortSearchGUI::RunSearch()
{
    QString failure;
    {
        TBusyCursor busy;
        EnableButtons(false);
        try {
            const std::vector<TXportPar> records = SearchRunner()(IniPath);
            m_rows = RowsOf(records, DeviceFilter);
            ShowRows(m_rows.empty() ? -1 : 0);
            if (!m_rows.empty())
                LvDeviceList->setFocus();
            OrderBy(ResortColumn);
        } catch (const Exception &e) {
            failure = e.Message();
        } catch (const std::exception &e) {
            failure = QString::fromLocal8Bit(e.what());
        }
        EnableButtons(true);
    }
    // A failed search leaves the list as it was; the user learns why.
    if (!failure.isEmpty())
        TDialogs::ShowMessageKind(failure, TMsgKind::Error);
}

void TfXPortSearchGUI::ShowRows(int selectedRow)
{
    const QSignalBlocker quiet(LvDeviceList);
    LvDeviceList->clearSelection();
    LvDeviceList->setRowCount(0);
    LvDeviceList->setRowCount(static_cast<int>(m_rows.size()));
    const QColor inactive = LvDeviceList->palette().color(QPalette::Disabled, QPalette::Text);
    for (int r = 0; r < LvDeviceList->rowCount(); ++r) {
        const TDeviceRow &row = m_rows[std::size_t(r)];
        for (int c = 0; c < ColumnCount; ++c) {
            auto *item = new QTableWidgetItem(CellText(row.Record, c));
            if (RowColour(row.Suitable) == TRowColour::Inactive)
                item->setForeground(inactive);
            LvDeviceList->setItem(r, c, item);
        }
    }
    if (selectedRow >= 0 && selectedRow < LvDeviceList->rowCount()) {
        LvDeviceList->setCurrentCell(selectedRow, colIP);
        LvDeviceList->selectRow(selectedRow);
    }
}

void TfXPortSearchGUI::OrderBy(int column)
{
    SortColumn = column;
    const int selected = SelectedRow();
    const std::vector<int> order = SortRows(m_rows, column);
    int newSelected = -1;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (order[i] == selected)
            newSelected = static_cast<int>(i);
    }
    ShowRows(newSelected);
}

int TfXPortSearchGUI::SelectedRow() const
{
    const QModelIndexList rows = LvDeviceList->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

QString TfXPortSearchGUI::SelectedIP() const
{
    const int row = SelectedRow();
    return row < 0 || row >= static_cast<int>(m_rows.size()) ? QString() : m_rows[std::size_t(row)].Record.IP;
}

void TfXPortSearchGUI::EnableButtons(bool on)
{
    BBSearch->setEnabled(on);
    BBChangeIP->setEnabled(on);
    BBHelpDeviceNotFound->setEnabled(on);
    BBSelect->setEnabled(on && !m_rows.empty());
    const int row = SelectedRow();
    if (on && row >= 0 && row < static_cast<int>(m_rows.size()))
        ApplySelectedRow(row);
}

void TfXPortSearchGUI::ApplySelectedRow(int row)
{
    const TDeviceRow &selected = m_rows[std::size_t(row)];
    BBChangeIP->setEnabled(ChangeIPAllowed(selected.Record.Firmware));
    if (DeviceFilter.testFlag(dfRestrictSelect))
        BBSelect->setEnabled(selected.Suitable);
}

void TfXPortSearchGUI::LvDeviceListSelectItem()
{
    const int row = SelectedRow();
    if (row >= 0 && row < static_cast<int>(m_rows.size()))
        ApplySelectedRow(row);
}

void TfXPortSearchGUI::LvDeviceListColumnClick(int column)
{
    SortColumn = column;
    ResortColumn = column;
    OrderBy(column);
}

void TfXPortSearchGUI::LvDeviceListDblClick()
{
    accept();
}

void TfXPortSearchGUI::BBChangeIPClick()
{
    const int row = SelectedRow();
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return;
    const TDeviceRow selected = m_rows[std::size_t(row)];
    OpenIPChange(&selected);
}

void TfXPortSearchGUI::BBHelpDeviceNotFoundClick()
{
    OpenIPChange(nullptr);
}

void TfXPortSearchGUI::OpenIPChange(const TDeviceRow *row)
{
    int result = QDialog::Rejected;
    {
        TfXPortIPChangeGUI change(this);
        if (row) {
            change.NewIP = row->Record.IP;
            change.MacText = row->Record.MAC;
            change.LocalAddress = row->Record.Adapter;
        } else {
            change.AllAdapters = true;
        }
        change.SetTexts(IPChangeTextsFrom(m_texts));
        result = change.exec();
    }
    if (result == QDialog::Accepted)
        RunSearch();
}

std::vector<TXportPar> TfXPortSearchGUI::SearchRecords(const QString &iniPath)
{
    TXportSearch search;
    if (!iniPath.isEmpty())
        search.SetIniFile(iniPath);
    search.SearchAll();
    std::vector<TXportPar> records;
    for (int i = 0; i < search.Count(); ++i)
        records.push_back(search.Item(i));
    return records;
}

void TfXPortSearchGUI::SetSearchRunner(TXPortSearchRunner runner)
{
    Runner() = runner ? std::move(runner) : TXPortSearchRunner(&TfXPortSearchGUI::SearchRecords);
}

const TXPortSearchRunner &TfXPortSearchGUI::SearchRunner()
{
    return Runner();
}

std::optional<QString> TfXPortSearchGUI::FindDevice(QWidget *owner, const QString &iniPath)
{
    const auto window = std::make_unique<TfXPortSearchGUI>(owner);
    window->Buttons = {};
    window->IniPath = iniPath;
    if (window->exec() != QDialog::Accepted)
        return std::nullopt;
    // A double click on an empty list closes with OK too; that chooses nothing.
    const QString address = window->SelectedIP();
    return address.isEmpty() ? std::nullopt : std::optional<QString>(address);
}

TXPortSearchRunnerScope::TXPortSearchRunnerScope(TXPortSearchRunner runner)
    : m_previous(TfXPortSearchGUI::SearchRunner())
{
    TfXPortSearchGUI::SetSearchRunner(std::move(runner));
}

TXPortSearchRunnerScope::~TXPortSearchRunnerScope()
{
    TfXPortSearchGUI::SetSearchRunner(std::move(m_previous));
}
