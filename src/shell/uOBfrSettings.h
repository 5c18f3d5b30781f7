#pragma once

// The frame the main window shows while a device is connected: CSV logging and its file, the
// reading interval and the chart history length, and the buttons that start, pause, continue
// and stop the measurement or disconnect. Start is where the measurement is decided: the
// device and the CSV file are checked, the settings saved, and the reader of the connected
// device's family is created; Stop destroys it with everything it owns.

#include "model/uAcousticSettings.h"

#include <QFrame>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class ISoundPlayer;
class QCheckBox;
class QComboBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class TCsvStateView;
class TDeviceConnection;
class TReaderCore;
struct TReaderSettings;

// What the measurement frame needs of the main window.
class TMeasurementHost
{
public:
    virtual ~TMeasurementHost() = default;
    virtual void UpdateInterfaceState() = 0;
    virtual void SaveSettings() = 0;
    // How the CSV file of the measurement fares, when that needs saying (empty: nothing to say).
    virtual void ShowCsvState(const QString &state) { Q_UNUSED(state); }
    // The user pressed Disconnect: the connection goes, the main window shows its state.
    virtual void RequestDisconnect() = 0;
    // A measurement's rows are shown: its output area needs this much room to show them whole.
    virtual void OutputNeeds(const QSize &size) { Q_UNUSED(size); }
};

class TOBfrSettings : public QFrame
{
    Q_OBJECT

public:
    // Makes the widget that shows a starting measurement (rows, popup rows, charts) and
    // attaches it to the reader; the frame puts it into its output area and frees it at Stop.
    // May return null: the measurement then runs without a view of its own.
    using TReaderFrameFactory = std::function<QWidget *(TReaderCore &reader, QWidget *parent)>;
    // Runs the file chooser; true when the user accepted a file. Tests replace it.
    using TFileDialogRunner = std::function<bool(QFileDialog &dialog)>;

    explicit TOBfrSettings(QWidget *parent = nullptr);
    ~TOBfrSettings() override;

    void SetHost(TMeasurementHost *host) { m_host = host; }
    void SetReaderFrameFactory(TReaderFrameFactory factory) { m_readerFrameFactory = std::move(factory); }
    void SetSoundPlayer(ISoundPlayer *player) { m_player = player; }
    void SetFileDialogRunner(TFileDialogRunner runner) { m_runFileDialog = std::move(runner); }

    // The connected device that Start measures; set by the main window at creation.
    void SetDevice(TDeviceConnection *device) { m_device = device; }
    // Set by the automatic start just before it presses Start; that Start consumes it.
    bool AutoStarted = false;

    // The acoustic alarm settings, handed to the reader at Start.
    TAcousticSettings Acoustic;

    bool IsRunning() const;
    bool IsPaused() const;
    bool IsLogToCsv() const;
    void SetLogToCsvSilently(bool checked);
    QString GetCsvFileName() const;
    void SetCsvFileName(const QString &name);
    int GetInterval() const;
    void SetInterval(int seconds);
    int GetChartLength() const;
    void SetChartLength(int minutes);
    void EnableMeasurementControls(bool enabled);
    // The main window's state: which buttons and fields work, the captions of Start and Pause,
    // and whether the frame shows at all. takeFocus: the window is shown, so Start may take
    // the focus.
    void ShowState(bool connected, bool running, bool paused, bool logging, bool takeFocus);
    // Where the main window puts the logo: the column on the left.
    QWidget *LogoArea() const { return pLeft; }
    // The frame's size when its output area shows output of the given size whole.
    QSize SizeWithOutput(const QSize &output) const;
    // Opens the named CSV file for appending, or creates it emptied, and closes it again.
    bool TestOpenCsv(bool append) const;

    TReaderCore *Reader() const { return m_reader.get(); }
    QWidget *ReaderFrame() const { return m_readerFrame; }

    void bStartStopClick();
    void bPauseClick();
    void bDisconnectClick();
    void bBrowseCsvClick();
    void cbLogToCsvClick();
    void cbPreDefsChange(QComboBox *sender);

private:
    enum class TCsvMode { None, Overwrite, Append, Cancelled, Failed };

    QCheckBox *cbLogToCsv = nullptr;
    QLineEdit *eCsvFilename = nullptr;
    QPushButton *bBrowseCsv = nullptr;
    QLabel *lInterval = nullptr;
    QSpinBox *seInterval = nullptr;
    QComboBox *cbPreDefIntervals = nullptr;
    QLabel *lIntervalUnit = nullptr;
    QLabel *lChartLen = nullptr;
    QSpinBox *seChartLen = nullptr;
    QComboBox *cbPreDefGraphLens = nullptr;
    QLabel *lChartLenUnit = nullptr;
    QPushButton *bDisconnect = nullptr;
    QPushButton *bPause = nullptr;
    QPushButton *bStartStop = nullptr;
    QWidget *pLeft = nullptr;
    QWidget *pOutPut = nullptr;
    QWidget *pSettings = nullptr;
    QWidget *pBottom = nullptr;
    QFileDialog *odBrowseCsv = nullptr;

    void BuildControls();
    void Refresh();
    void Stop();
    void Start(bool autoStarted);
    bool AllEthernetChannelsAbsent() const;
    // What the reader starts with: the frame's controls and the acoustic settings.
    TReaderSettings ReaderSettings() const;
    TCsvMode SettleCsvFile(bool autoStarted);
    void CreateReaderFrame();
    void SettleWaitingRecords();

    TMeasurementHost *m_host = nullptr;
    TDeviceConnection *m_device = nullptr;
    ISoundPlayer *m_player = nullptr;
    TReaderFrameFactory m_readerFrameFactory;
    TFileDialogRunner m_runFileDialog;
    // Declared before the reader: the reader tells its views when it goes.
    std::unique_ptr<TCsvStateView> m_csvStateView;
    std::unique_ptr<TReaderCore> m_reader;
    QPointer<QWidget> m_readerFrame;
};
