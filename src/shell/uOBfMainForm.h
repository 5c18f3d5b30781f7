#pragma once

// The program's main window: the connection frame while no device is connected, the
// measurement frame while one is, the main menu, the tray icon with its menu, minimising into
// the tray, and the command line's automatic start. UpdateInterfaceState derives every
// caption, enabled state, frame visibility and icon from the connection and reader state.

#include "connection/uOBfrConnection.h"
#include "model/uOBGlob.h"
#include "platform/TrayIcon.h"
#include "shell/uOBfrSettings.h"

#include <QMainWindow>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <memory>

class IPopupControl;
class TOBfSmartOutput;
class QAction;
class QMenu;
class TTalmoTrayIcon;
struct TMainSettings;

class TOBfMainForm;

// The dialogs and the language menu that come with modules of their own. A menu item whose
// function is missing stays disabled.
struct TMainFormDialogs {
    // TOBfAcousticSettings: shows the values modally; true after OK, with the values changed.
    std::function<bool(TAcousticSettings &values, QWidget *parent)> AcousticSettings;
    // TfUserAlarmSettings: fills itself from the connection frame's slots and shows modally.
    std::function<void(TOBfrConnection &connection, QWidget *parent)> UserAlarmSettings;
    // TOBfPopupSettings: the popup window's look, with the logo frame.
    std::function<void(TOBfMainForm &mainForm)> PopupSettings;
    // TLang: fills the language menu; called once at creation.
    std::function<void(QMenu &languageMenu)> BuildLanguageMenu;
};

class TOBfMainForm : public QMainWindow, public TConnectionHost, public TMeasurementHost
{
    Q_OBJECT

public:
    // Opens a file or link with the desktop's default program; false when that failed.
    using TUrlOpener = std::function<bool(const QUrl &url)>;

    // trayBackend: the notification area (none: the desktop's own). dialogs: see above.
    explicit TOBfMainForm(std::unique_ptr<Platform::TTrayIconBackend> trayBackend = nullptr,
                          TMainFormDialogs dialogs = {}, QWidget *parent = nullptr);
    ~TOBfMainForm() override;

    // The popup window, once it exists (it is created after this window); none clears it.
    void SetPopup(IPopupControl *popup);
    void SetUrlOpener(TUrlOpener opener) { m_openUrl = std::move(opener); }

    // Popup mode: true, the popup shows on demand and fades out; false, it stays on top.
    bool PopupHidable = true;
    // OPTIONS/LANGUAGE, carried through.
    QString LanguageSetting;

    void UpdateInterfaceState() override;
    void AutoStartMeasurement() override;
    void SaveSettings() override;
    // Shown in the status caption after the serial number until the next measurement starts.
    void ShowCsvState(const QString &state) override;
    void RequestDisconnect() override;
    // The window grows (never shrinks) to show the measurement's output whole.
    void OutputNeeds(const QSize &size) override;
    void LoadSettings();
    // Applies an automatic start given by these command-line arguments (without the program
    // name): the options replace the loaded settings, then connect and start.
    void ProcessCommandLine(const QStringList &arguments);
    void SetStatusCaption(const QString &status);

    // Closes the window the way the user does (settings saved), e.g. for a termination signal.
    // A running measurement is stopped first, so its records reach the file.
    void CloseLikeUser();
    // A termination signal: open dialogs end as Cancel (nobody is there to answer them, and one
    // left open would keep the program alive without its window), then the window closes as above.
    void EndOnTermination();

    // The index of the state picture (0 disconnected, 1 idle, 2 running, 3 logging, 4 paused).
    int StateIconIndex() const { return m_iconIndex; }

    // Handlers.
    void FormKeyPress(QKeyEvent *event);
    void AppEventsMinimize();
    void ctiTrayIconMouseMove();
    void mMainAppClick();
    void mPopupOnTopClick();
    void mStartStopClick();
    void mPauseContinueClick();
    void mPopupSettingsClick();
    void mAcousticSettingsClick();
    void mUserAlarmSettingsClick();
    void mShowHelpClick();
    void frConnectionbConnDisconnClick();

    TOBfrConnection *frConnection = nullptr;
    TOBfrSettings *frSettings = nullptr;
    TTalmoTrayIcon *ctiTrayIcon = nullptr;
    QMenu *pmTrayIconMenu = nullptr;
    QAction *mMainApp = nullptr;
    QAction *mPopupOnTop = nullptr;
    QAction *mStartStop = nullptr;
    QAction *mPauseContinue = nullptr;
    QMenu *mProgram = nullptr;
    QAction *mPopupSettings = nullptr;
    QAction *mAcousticSettings = nullptr;
    QMenu *mLang = nullptr;
    QAction *mUserAlarmSettings = nullptr;
    QMenu *mHelp = nullptr;
    QAction *mShowHelp = nullptr;

    TErrMessageList &ErrorList() { return *m_errors; }

Q_SIGNALS:
    // The window was closed and the settings are saved: the program ends.
    void Closed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void BuildMenus();
    void BuildTrayMenu();
    void ApplyBrand();
    bool WindowShown() const;
    QString StatusText() const;
    void UpdateIcon(int index);
    void UpdateTrayMenu(bool connected, bool running, bool paused);
    bool AnySlotHasUserAlarms() const;
    void ShowAndRestore();
    TMainSettings CollectSettings() const;
    void ApplySettings(const TMainSettings &settings);
    // The client size that shows the frames whole with output of the given size, never less
    // than the classic 586 by 408 and never more than the screen offers.
    QSize ContentSize(const QSize &output) const;
    void FitContent(const QSize &output);
    // At the remembered place and size when they suit the screens, else centred.
    void PlaceWindow();
    void RememberGeometry();

    std::unique_ptr<TErrMessageList> m_errors;
    TMainFormDialogs m_dialogs;
    IPopupControl *m_popup = nullptr;
    TUrlOpener m_openUrl;
    QString m_title;
    QString m_versionWord;
    int m_iconIndex = -1;
    QString m_csvState;
    QRect m_windowGeometry;               // the frame's top-left and the client size in the normal state
    const QKeyEvent *m_lastKey = nullptr; // the key press already handled, while it travels on
};

// Gives the main window the program's popup window, and the measurement frame a reader frame
// (rows, popup rows, charts) for every measurement it starts. The popup must outlive the
// window's use of it (the main block destroys the main window first).
std::unique_ptr<IPopupControl> AttachMeasurementWindows(TOBfMainForm &mainForm, TOBfSmartOutput &popup);
