#pragma once

// The user alarm settings dialog: one column per quantity of the connected device that is
// judged by the user's limits (analog) or by the binary rule (inputs and relays). OK writes
// the columns into their quantities; Cancel leaves them.
//
// The alarms/ folder holds only the alarm dialogs. Judging a value against its limits is
// TQuantity::EvaluateAlarm (model/uOBGlob), and the reader core (reading/uReaderCore) runs it
// every tick and decides the alarm sound; the logger does both without any of these dialogs.
//
//   if (ShowUserAlarmSettings(this, connection.Device())) ...   // from the main window's menu

#include <QDialog>
#include <QList>

class QGroupBox;
class QLabel;
class QPushButton;
class TDeviceConnection;
class TLangQuan;
class TfrAnlgAlrmUserSettings;
class TfrBinAlrmUserSettings;

class TfUserAlarmSettings : public QDialog
{
    Q_OBJECT

public:
    explicit TfUserAlarmSettings(QWidget *parent = nullptr);

    // The quantity slots of the connected device in slot order (null entries are skipped).
    QList<TLangQuan *> Connection;
    QList<TfrAnlgAlrmUserSettings *> AnalogFrames;
    QList<TfrBinAlrmUserSettings *> BinaryFrames;

    // Creates the columns for Connection; call once before showing the dialog.
    void BuildFrames();

    QWidget *pMain = nullptr;
    QGroupBox *gbAnlg = nullptr;
    QLabel *lHiLim = nullptr;
    QLabel *lLoLim = nullptr;
    QLabel *lHyst = nullptr;
    QGroupBox *gbBin = nullptr;
    QLabel *lHiBinAl = nullptr;
    QLabel *lLoBinAl = nullptr;
    QWidget *pButtons = nullptr;
    QPushButton *bOk = nullptr;
    QPushButton *bCancel = nullptr;

public Q_SLOTS:
    // Stores every column and closes with the OK result; an edit that holds no acceptable
    // number is named in a warning and keeps the dialog open.
    void bOkClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void PlaceGroups();
};

// Builds the dialog for the slots, shows it modally and returns true after OK.
bool ShowUserAlarmSettings(QWidget *parent, const QList<TLangQuan *> &slots);
// The same for the slots of a connected device.
bool ShowUserAlarmSettings(QWidget *parent, TDeviceConnection &device);
