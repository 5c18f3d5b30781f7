#pragma once

// The dialog in which the user gives a device a new IPv4 address (or asks it to
// take one from a DHCP server, sent as 0.0.0.0). "Change" runs the change, reports
// its outcome in a message box and closes: OK when it succeeded, Cancel otherwise.

#include "discovery/uXPortSearchRules.h"

#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class TIPEdit;
class TXPortIPChange;

// Runs the change on the object the window prepared; the window's default calls
// ChangeIP. Tests put another one in place to run it inside their own network.
using TIPChangeRunner = std::function<bool(TXPortIPChange &change, const QString &mac, const QString &address,
                                           int &code, QString &message, const QString &localAddress)>;

class TfXPortIPChangeGUI : public QDialog
{
    Q_OBJECT

public:
    explicit TfXPortIPChangeGUI(QWidget *parent = nullptr);

    // Replaces all twelve texts, empty ones included.
    void SetTexts(const XPortSearchRules::TXPortIPChangeLangSupport &texts);
    const XPortSearchRules::TXPortIPChangeLangSupport &Texts() const { return m_texts; }

    void ChbDHCPClick();
    void BBChangeClick();

    // Options set by the opener before showing; NewIP and MacText hold what was typed
    // after "Change".
    QString NewIP = QStringLiteral("0.0.0.0");
    QString MacText = QStringLiteral("00-00-00-00-00-00");
    QString LocalAddress;
    bool AllAdapters = false;
    bool DhcpVisible = true;
    const QString &SavedIP() const { return m_dhcp.SavedIP(); }

    static bool RunChangeIP(TXPortIPChange &change, const QString &mac, const QString &address, int &code,
                            QString &message, const QString &localAddress);
    // The runner of every window; an empty one restores RunChangeIP.
    static void SetChangeRunner(TIPChangeRunner runner);
    static const TIPChangeRunner &ChangeRunner();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void BuildControls();
    void FormShow();

    XPortSearchRules::TXPortIPChangeLangSupport m_texts;
    XPortSearchRules::TDhcpSwitch m_dhcp;

    QFrame *PnlBackground = nullptr;
    QFrame *PnlMain = nullptr;
    QLabel *LabIPAddress = nullptr;
    TIPEdit *IPEdtAddress = nullptr;
    QLabel *LabMacAddress = nullptr;
    QLineEdit *EdtMac = nullptr;
    QCheckBox *ChbDHCP = nullptr;
    QCheckBox *ChBARPOnly = nullptr;
    QFrame *PnlButtons = nullptr;
    QFrame *Bevel1 = nullptr;
    QPushButton *BBChange = nullptr;
    QPushButton *BBCancel = nullptr;
};

// Puts a change runner in place for its lifetime and the previous one back.
class TIPChangeRunnerScope
{
public:
    explicit TIPChangeRunnerScope(TIPChangeRunner runner);
    ~TIPChangeRunnerScope();
    TIPChangeRunnerScope(const TIPChangeRunnerScope &) = delete;
    TIPChangeRunnerScope &operator=(const TIPChangeRunnerScope &) = delete;

private:
    TIPChangeRunner m_previous;
};
