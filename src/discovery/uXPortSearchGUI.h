#pragma once

// The dialog that searches the local networks for XPort devices as soon as it
// opens (and again on "Search"), lists them and lets the user pick one. On request
// of its opener it also offers the IP change of the selected device and of a device
// that was not found.

#include "discovery/uXPortSearchRules.h"

#include <QDialog>
#include <QString>
#include <QTableWidget>

#include <functional>
#include <optional>
#include <vector>

class QFrame;
class QPushButton;

// Runs a search and gives its records; the window's default runs TXportSearch with
// the type names of the INI file (when a path is given). Tests put another one in
// place to feed records or to search inside their own network.
using TXPortSearchRunner = std::function<std::vector<TXportPar>(const QString &iniPath)>;

// The device list: a double click anywhere on it (also below the last row) is reported.
class TDeviceListView : public QTableWidget
{
    Q_OBJECT
public:
    using QTableWidget::QTableWidget;

Q_SIGNALS:
    void DoubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};

class TfXPortSearchGUI : public QDialog
{
    Q_OBJECT

public:
    explicit TfXPortSearchGUI(QWidget *parent = nullptr);

    // Options set by the opener before showing.
    XPortSearchRules::TSearchButtons Buttons =
        XPortSearchRules::sbHelp | XPortSearchRules::sbChangeIP | XPortSearchRules::sbSelect;
    QString IniPath;
    XPortSearchRules::TDeviceFilter DeviceFilter;
    int SortColumn = 0;
    int ResortColumn = 0;

    const XPortSearchRules::TXPortSearchLangSupport &Texts() const { return m_texts; }
    // The address of the selected row; empty when none is selected.
    QString SelectedIP() const;
    // The rows in the order shown.
    const std::vector<XPortSearchRules::TDeviceRow> &Rows() const { return m_rows; }

    void RunSearch();
    void BBSearchClick() { RunSearch(); }
    void BBChangeIPClick();
    void BBHelpDeviceNotFoundClick();
    void LvDeviceListColumnClick(int column);
    void LvDeviceListSelectItem();
    void LvDeviceListDblClick();

    // The search itself: TXportSearch over every adapter.
    static std::vector<TXportPar> SearchRecords(const QString &iniPath);
    // The runner of every window; an empty one restores SearchRecords.
    static void SetSearchRunner(TXPortSearchRunner runner);
    static const TXPortSearchRunner &SearchRunner();

    // The Find button of the connection parameters: only Select is offered; the chosen
    // device's address, or nothing when the window was cancelled or nothing was chosen.
    static std::optional<QString> FindDevice(QWidget *owner, const QString &iniPath);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void BuildControls();
    void FormShow();
    void EnableButtons(bool on);
    void ApplySelectedRow(int row);
    void OrderBy(int column);
    void ShowRows(int selectedRow);
    void OpenIPChange(const XPortSearchRules::TDeviceRow *row);
    int SelectedRow() const;

    XPortSearchRules::TXPortSearchLangSupport m_texts;
    std::vector<XPortSearchRules::TDeviceRow> m_rows;

    QFrame *PnlXpSearchBackground = nullptr;
    QFrame *PnlList = nullptr;
    TDeviceListView *LvDeviceList = nullptr;
    QFrame *PnlButtons = nullptr;
    QPushButton *BBSearch = nullptr;
    QPushButton *BBHelpDeviceNotFound = nullptr;
    QPushButton *BBSelect = nullptr;
    QPushButton *BBCancel = nullptr;
    QPushButton *BBChangeIP = nullptr;
};

// Puts a search runner in place for its lifetime and the previous one back.
class TXPortSearchRunnerScope
{
public:
    explicit TXPortSearchRunnerScope(TXPortSearchRunner runner);
    ~TXPortSearchRunnerScope();
    TXPortSearchRunnerScope(const TXPortSearchRunnerScope &) = delete;
    TXPortSearchRunnerScope &operator=(const TXPortSearchRunnerScope &) = delete;

private:
    TXPortSearchRunner m_previous;
};
