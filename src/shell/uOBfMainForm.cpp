#include "shell/uOBfMainForm.h"

#include "base/uApplicationSpecifical.h"
#include "base/uDialogs.h"
#include "comm/uTiming.h"
#include "connection/uOBfrConnPars.h"
#include "discovery/IPEdit.h"
#include "reading/uOBfSmartOutput.h"
#include "reading/uObfrOutputBase.h"
#include "reading/uReaderCore.h"
#include "shell/TalmoTrayIcon.h"
#include "shell/uCommandLine.h"
#include "shell/uLang.h"
#include "shell/uOBfrLogo.h"
#include "shell/uPopupControl.h"
#include "shell/uSettingsModel.h"
#include "shell/uUtilsWinAPI.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

namespace
{

constexpr int ClientWidth = 586;
constexpr int ClientHeight = 408;

QAction *NamedAction(const char *name, const QString &caption, QObject *parent)
{
    auto *action = new QAction(caption, parent);
    action->setObjectName(QLatin1String(name));
    return action;
}

} // namespace

TOBfMainForm::TOBfMainForm(std::unique_ptr<Platform::TTrayIconBackend> trayBackend, TMainFormDialogs dialogs,
                           QWidget *parent)
    : QMainWindow(parent), m_errors(std::make_unique<TErrMessageList>()), m_dialogs(std::move(dialogs)),
      m_openUrl([](const QUrl &url) { return QDesktopServices::openUrl(url); })
{
    setObjectName(QStringLiteral("OBfMainForm"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    LanguageSetting = QString(SettingsKeys::DefLanguage);

    auto *pMenus = new QWidget(this);
    pMenus->setObjectName(QStringLiteral("pMenus"));
    frConnection = new TOBfrConnection(*m_errors, pMenus);
    frSettings = new TOBfrSettings(pMenus);
    auto *layout = new QVBoxLayout(pMenus);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(frConnection);
    layout->addWidget(frSettings);
    setCentralWidget(pMenus);
    frConnection->SetHost(this);
    frSettings->SetHost(this);

    ctiTrayIcon = trayBackend ? new TTalmoTrayIcon(std::move(trayBackend), this) : new TTalmoTrayIcon(this);
    ctiTrayIcon->setObjectName(QStringLiteral("ctiTrayIcon"));
    ctiTrayIcon->SetHint(tr("Ombrix"));
    ctiTrayIcon->SetHideTask(true);
    BuildMenus();
    BuildTrayMenu();
    ctiTrayIcon->SetPopupMenu(pmTrayIconMenu);
    connect(ctiTrayIcon, &TTalmoTrayIcon::OnMouseMove, this, &TOBfMainForm::ctiTrayIconMouseMove);

    // FormCreate, in its order.
    if (m_dialogs.BuildLanguageMenu)
        m_dialogs.BuildLanguageMenu(*mLang);
    m_title = tr("Ombrix");
    m_versionWord = tr("Version");
    frSettings->SetDevice(&frConnection->Device());
    ctiTrayIcon->SetIcon(TrayStateIconFile(0));
    ctiTrayIcon->SetIconVisible(true);
    UpdateInterfaceState();
    ApplyBrand();
    LoadSettings();

    // The window sees every key first (Enter connects).
    qApp->installEventFilter(this);
    // Sized for the largest device at this font and language, so no measurement needs scroll bars.
    FitContent(TObfrOutputBase::SizeOfLargestDevice());
    PlaceWindow();
}

QSize TOBfMainForm::ContentSize(const QSize &output) const
{
    QSize client = frSettings->SizeWithOutput(output)
                       .expandedTo(frConnection->minimumSizeHint())
                       .expandedTo(QSize(ClientWidth, ClientHeight));
    client.rheight() += menuBar()->sizeHint().height();
    // On a small screen the window stays on it; the output area scrolls instead.
    if (const QScreen *shown = screen())
        client = client.boundedTo(shown->availableGeometry().size());
    return client;
}

void TOBfMainForm::FitContent(const QSize &output)
{
    const QSize needed = ContentSize(output).expandedTo(minimumSize());
    setMinimumSize(needed);
    resize(size().expandedTo(needed));
}

void TOBfMainForm::OutputNeeds(const QSize &size)
{
    FitContent(size);
}

void TOBfMainForm::PlaceWindow()
{
    const QRect remembered = m_windowGeometry;
    const QScreen *shown = screen();
    resize(remembered.isValid() ? remembered.size().expandedTo(minimumSize()) : minimumSize());
    if (remembered.isValid()) {
        // A place on no screen (a monitor since removed) would hide the window.
        for (const QScreen *candidate : QGuiApplication::screens())
            if (candidate->availableGeometry().intersects(QRect(remembered.topLeft(), size()))) {
                move(remembered.topLeft());
                return;
            }
    }
    if (shown)
        move(shown->availableGeometry().center() - rect().center());
}

void TOBfMainForm::RememberGeometry()
{
    if (isVisible() && windowState() == Qt::WindowNoState)
        m_windowGeometry = QRect(pos(), size());
}

void TOBfMainForm::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    RememberGeometry();
}

void TOBfMainForm::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    RememberGeometry();
}

TOBfMainForm::~TOBfMainForm()
{
    qApp->removeEventFilter(this);
}

void TOBfMainForm::BuildMenus()
{
    mProgram = menuBar()->addMenu(tr("&Program"));
    mProgram->setObjectName(QStringLiteral("mProgram"));
    mPopupSettings = NamedAction("mPopupSettings", tr("&Popup window settings"), this);
    mAcousticSettings = NamedAction("mAcousticSettings", tr("&Acoustic alarms settings"), this);
    mLang = new QMenu(tr("&Language"), this);
    mLang->setObjectName(QStringLiteral("mLang"));
    mUserAlarmSettings = NamedAction("mUserAlarmSettings", tr("&User alarm settings"), this);
    mProgram->addAction(mPopupSettings);
    mProgram->addAction(mAcousticSettings);
    mProgram->addMenu(mLang);
    mProgram->addAction(mUserAlarmSettings);
    mHelp = menuBar()->addMenu(tr("&Help"));
    mHelp->setObjectName(QStringLiteral("mHelp"));
    mShowHelp = NamedAction("mShowHelp", tr("&Show help file"), this);
    mHelp->addAction(mShowHelp);

    connect(mPopupSettings, &QAction::triggered, this, &TOBfMainForm::mPopupSettingsClick);
    connect(mAcousticSettings, &QAction::triggered, this, &TOBfMainForm::mAcousticSettingsClick);
    connect(mUserAlarmSettings, &QAction::triggered, this, &TOBfMainForm::mUserAlarmSettingsClick);
    connect(mShowHelp, &QAction::triggered, this, &TOBfMainForm::mShowHelpClick);
    mPopupSettings->setEnabled(static_cast<bool>(m_dialogs.PopupSettings));
}

void TOBfMainForm::BuildTrayMenu()
{
    pmTrayIconMenu = new QMenu(this);
    pmTrayIconMenu->setObjectName(QStringLiteral("pmTrayIconMenu"));
    mMainApp = NamedAction("mMainApp", tr("Restore application"), pmTrayIconMenu);
    mPopupOnTop = NamedAction("mPopupOnTop", tr("Make popup window on top"), pmTrayIconMenu);
    mStartStop = NamedAction("mStartStop", tr("Start/Stop"), pmTrayIconMenu);
    mPauseContinue = NamedAction("mPauseContinue", tr("Pause/Continue"), pmTrayIconMenu);
    for (QAction *action : {mMainApp, mPopupOnTop, mStartStop, mPauseContinue})
        pmTrayIconMenu->addAction(action);
    connect(mMainApp, &QAction::triggered, this, &TOBfMainForm::mMainAppClick);
    connect(mPopupOnTop, &QAction::triggered, this, &TOBfMainForm::mPopupOnTopClick);
    connect(mStartStop, &QAction::triggered, this, &TOBfMainForm::mStartStopClick);
    connect(mPauseContinue, &QAction::triggered, this, &TOBfMainForm::mPauseContinueClick);
}

void TOBfMainForm::ApplyBrand()
{
    const TBrandLook look = DecideBrandLook(Brand, ProgramDir, BrandingIniPath);
    QPixmap picture = look.BuiltInLogo ? TOBfrLogo::BuiltInLogo() : QPixmap();
    if (!look.BuiltInLogo && !look.LogoFile.isEmpty())
        picture.load(look.LogoFile); // a failure leaves the logo areas empty, silently
    // The measurement frame has a column of the logo's height; the connection frame a band below
    // its fields, in which the picture is shown smaller.
    struct TArea {
        QWidget *Widget;
        int MaxHeight;
    };
    const TArea areas[] = {{frConnection->LogoArea(), 180}, {frSettings->LogoArea(), TOBfrLogo::LogoHeight}};
    for (const TArea &area : areas) {
        if (!area.Widget)
            continue;
        auto *logo = new TOBfrLogo(area.Widget);
        logo->setObjectName(QStringLiteral("frLogo"));
        if (!area.Widget->layout())
            new QVBoxLayout(area.Widget);
        area.Widget->layout()->addWidget(logo);
        logo->UrlOpener = [this](const QUrl &url) { return m_openUrl(url); };
        logo->iLogo->setVisible(!picture.isNull());
        if (!picture.isNull())
            logo->SetPicture(TOBfrLogo::FitToHeight(picture, area.MaxHeight));
        logo->LinkUrl = look.LinkEnabled ? look.LinkUrl : QString();
        logo->SetLinkEnabled(look.LinkEnabled);
    }
}

void TOBfMainForm::SetPopup(IPopupControl *popup)
{
    m_popup = popup;
    if (m_popup)
        m_popup->SetPopupHidable(PopupHidable);
    UpdateInterfaceState();
}

bool TOBfMainForm::WindowShown() const
{
    return isVisible() && !isMinimized();
}

void TOBfMainForm::UpdateInterfaceState()
{
    const bool C = frConnection->Connected();
    const bool R = frSettings->IsRunning();
    const bool P = frSettings->IsPaused();
    const bool L = frSettings->IsLogToCsv();

    mLang->menuAction()->setEnabled(!R && static_cast<bool>(m_dialogs.BuildLanguageMenu));
    mAcousticSettings->setEnabled(!R && static_cast<bool>(m_dialogs.AcousticSettings));
    mUserAlarmSettings->setEnabled(C && !R && AnySlotHasUserAlarms() &&
                                   static_cast<bool>(m_dialogs.UserAlarmSettings));
    frConnection->ShowState(C, R, WindowShown());
    frSettings->ShowState(C, R, P, L, WindowShown());
    SetStatusCaption(StatusText());
    UpdateIcon(!C ? 0 : !R ? 1 : P ? 4 : L ? 3 : 2);
    if (!R && m_popup)
        m_popup->Hide();
    UpdateTrayMenu(C, R, P);
}

void TOBfMainForm::UpdateIcon(int index)
{
    m_iconIndex = index;
    const QString file = TrayStateIconFile(index);
    ctiTrayIcon->SetIcon(file);
    setWindowIcon(QIcon(file));
}

void TOBfMainForm::UpdateTrayMenu(bool connected, bool running, bool paused)
{
    mMainApp->setText(WindowShown() ? tr("Hide application") : tr("Restore application"));
    if (m_popup)
        mPopupOnTop->setText(PopupHidable ? tr("Popup on top") : tr("Popup hidable"));
    mStartStop->setText(running ? tr("Stop") : tr("Start"));
    mPauseContinue->setText(running && !paused ? tr("Pause") : tr("Continue"));
    mPopupOnTop->setEnabled(running);
    mStartStop->setEnabled(connected);
    mPauseContinue->setEnabled(running);
}

bool TOBfMainForm::AnySlotHasUserAlarms() const
{
    for (int slot = 0; slot < TOBfrConnection::QuantityCount(); ++slot)
        if (frConnection->Device().GetQuantity(slot).AlarmMode != 0)
            return true;
    return false;
}

QString TOBfMainForm::StatusText() const
{
    QString text;
    if (frConnection->Connected())
        text = QStringLiteral("    ") + tr("Serial number") + QStringLiteral(": ") +
               frConnection->Device().SerialText;
    if (!m_csvState.isEmpty())
        text += QStringLiteral("    ") + m_csvState;
    return text;
}

void TOBfMainForm::ShowCsvState(const QString &state)
{
    m_csvState = state;
    // Only the caption: this comes from inside a reading tick.
    SetStatusCaption(StatusText());
}

void TOBfMainForm::SetStatusCaption(const QString &status)
{
    setWindowTitle(m_title + QStringLiteral(",  ") + m_versionWord + QStringLiteral(": ") +
                   TWinAPIUtils::GetFileVersion(QCoreApplication::applicationFilePath()) +
                   QStringLiteral("   ") + status);
}

void TOBfMainForm::ShowAndRestore()
{
    showNormal();
    raise();
    activateWindow();
}

void TOBfMainForm::mMainAppClick()
{
    if (CSection.IsBusy())
        return;
    const TCSectionGuard busy;
    if (WindowShown())
        showMinimized(); // the minimise handler hides the window when a tray can bring it back
    else
        ShowAndRestore();
    UpdateInterfaceState();
}

void TOBfMainForm::AppEventsMinimize()
{
    // Without a notification area nothing could bring a hidden window back. Hidden once the
    // minimising is through: showMinimized shows the window again after its state changed.
    if (ctiTrayIcon->IsAvailable()) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (isMinimized()) {
                    hide();
                    UpdateInterfaceState();
                }
            },
            Qt::QueuedConnection);
    }
    UpdateInterfaceState();
}

void TOBfMainForm::ctiTrayIconMouseMove()
{
    if (CSection.IsBusy())
        return;
    const TCSectionGuard busy;
    if (PopupHidable && frSettings->IsRunning() && m_popup) {
        if (!m_popup->IsShown())
            m_popup->ShowPlaced();
        m_popup->StartFade();
    }
}

void TOBfMainForm::mPopupOnTopClick()
{
    if (!frSettings->IsRunning() || !m_popup)
        return;
    PopupHidable = !PopupHidable;
    m_popup->SetPopupHidable(PopupHidable);
    if (PopupHidable)
        m_popup->StartFade();
    else
        m_popup->StayOnTop();
    UpdateInterfaceState();
}

void TOBfMainForm::mStartStopClick()
{
    frSettings->bStartStopClick();
    UpdateInterfaceState();
    if (!frSettings->IsRunning())
        ShowAndRestore();
}

void TOBfMainForm::mPauseContinueClick()
{
    frSettings->bPauseClick();
    UpdateInterfaceState();
}

void TOBfMainForm::mPopupSettingsClick()
{
    if (m_dialogs.PopupSettings)
        m_dialogs.PopupSettings(*this);
}

void TOBfMainForm::mAcousticSettingsClick()
{
    if (!m_dialogs.AcousticSettings)
        return;
    TAcousticSettings values = frSettings->Acoustic;
    if (m_dialogs.AcousticSettings(values, this))
        frSettings->Acoustic = values;
}

void TOBfMainForm::mUserAlarmSettingsClick()
{
    if (m_dialogs.UserAlarmSettings)
        m_dialogs.UserAlarmSettings(*frConnection, this);
}

void TOBfMainForm::mShowHelpClick()
{
    // Each language module names its own help file; a missing one is not reported.
    const QString helpFile = ProgramDir + TLang::HelpFileName();
    m_openUrl(QUrl::fromLocalFile(helpFile));
}

void TOBfMainForm::RequestDisconnect()
{
    frConnection->bConnDisconnClick();
}

void TOBfMainForm::frConnectionbConnDisconnClick()
{
    frConnection->bConnDisconnClick();
}

void TOBfMainForm::AutoStartMeasurement()
{
    frSettings->AutoStarted = true;
    frSettings->bStartStopClick();
}

void TOBfMainForm::FormKeyPress(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter)
        frConnection->EnterPressed();
}

bool TOBfMainForm::eventFilter(QObject *watched, QEvent *event)
{
    // Every key of this window passes here once, on its way to the focused control, which
    // still receives it. Parents that see an ignored key again are left out.
    // A release ends the press: the next press is new even where it reuses the same object.
    if (event->type() == QEvent::KeyRelease)
        m_lastKey = nullptr;
    if (event->type() == QEvent::KeyPress) {
        auto *widget = qobject_cast<QWidget *>(watched);
        const QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : this;
        auto *key = static_cast<QKeyEvent *>(event);
        // An ignored key travels on to the parents as the same event; when the attempt it
        // started moved the focus onto one of them (a failed connect's message, a disabled
        // control), it must not start a second one.
        const bool seen = key == m_lastKey;
        if (widget && widget == target && widget->window() == this && !seen) {
            m_lastKey = key;
            FormKeyPress(key);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TOBfMainForm::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const auto *change = static_cast<QWindowStateChangeEvent *>(event);
    const bool wasMinimized = change->oldState().testFlag(Qt::WindowMinimized);
    if (isMinimized() && !wasMinimized)
        AppEventsMinimize();
    else if (!isMinimized() && wasMinimized)
        UpdateInterfaceState();
}

void TOBfMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    UpdateInterfaceState();
}

void TOBfMainForm::CloseLikeUser()
{
    close();
}

void TOBfMainForm::EndOnTermination()
{
    TDialogs::EndAllForTermination();
    CloseLikeUser();
}

void TOBfMainForm::closeEvent(QCloseEvent *event)
{
    // The last records of a running measurement reach the file before the program ends.
    if (frSettings->IsRunning() && !CSection.IsBusy())
        frSettings->bStartStopClick();
    SaveSettings();
    if (m_popup)
        m_popup->Hide();
    event->accept();
    Q_EMIT Closed();
}

TMainSettings TOBfMainForm::CollectSettings() const
{
    TMainSettings s;
    s.LanguageSetting = LanguageSetting;
    s.PopupHidable = PopupHidable;
    const TOBfrConnPars &pars = *frConnection->ConnPars();
    s.Protocol = pars.Protocol();
    s.IP = pars.GetIP();
    s.TcpPort = pars.GetTcpPort();
    s.Timeout = pars.GetTimeout();
    s.ComPort = pars.GetComPortNumber();
    s.Speed = pars.GetSpeed();
    s.SlaveAddress = pars.GetSlaveAddress();
    const TOBfrSettings &f = *frSettings;
    s.LogToCsv = f.IsLogToCsv();
    s.CsvName = f.GetCsvFileName();
    s.Interval = f.GetInterval();
    s.GraphLength = f.GetChartLength();
    s.Acoustic = f.Acoustic;
    s.WindowGeometry = m_windowGeometry;
    for (int slot = 0; slot < SettingsKeys::UserAlarmSlotCount; ++slot)
        s.UserAlarms[static_cast<std::size_t>(slot)] =
            TUserAlarmSlot::From(frConnection->Device().GetQuantity(slot));
    return s;
}

void TOBfMainForm::ApplySettings(const TMainSettings &s)
{
    LanguageSetting = s.LanguageSetting;
    PopupHidable = s.PopupHidable;
    if (m_popup)
        m_popup->SetPopupHidable(PopupHidable);
    frConnection->SetProtocolByName(ProtocolName(s.Protocol));
    TOBfrConnPars &pars = *frConnection->ConnPars();
    pars.SetIP(s.IP);
    pars.SetTcpPort(s.TcpPort);
    pars.SetTimeout(s.Timeout);
    pars.SelectComPort(s.ComPort);
    pars.SelectSpeed(s.Speed);
    pars.SetSlaveAddress(s.SlaveAddress);
    frConnection->OnProtocolChange();
    TOBfrSettings &f = *frSettings;
    f.SetLogToCsvSilently(s.LogToCsv);
    f.SetCsvFileName(s.CsvName);
    f.SetInterval(s.Interval);
    f.SetChartLength(s.GraphLength);
    f.Acoustic = s.Acoustic;
    m_windowGeometry = s.WindowGeometry; // placed once, when the window is created
    for (int slot = 0; slot < SettingsKeys::UserAlarmSlotCount; ++slot)
        s.UserAlarms[static_cast<std::size_t>(slot)].ApplyTo(frConnection->Device().GetQuantity(slot));
    UpdateInterfaceState();
}

void TOBfMainForm::LoadSettings()
{
    TMainSettings s;
    if (UserSettings)
        s.Load(*UserSettings, MachineSettings.get());
    ApplySettings(s);
}

void TOBfMainForm::SaveSettings()
{
    if (!UserSettings)
        return;
    CollectSettings().Save(*UserSettings);
    UserSettings->Sync();
}

void TOBfMainForm::ProcessCommandLine(const QStringList &arguments)
{
    const TCommandLine commandLine = ParseCommandLine(arguments);
    if (!commandLine.AutoStart)
        return;
    TMainSettings s = CollectSettings();
    ApplyCommandLine(commandLine, s);
    ApplySettings(s);
    frConnection->Device().StartAfterConnect = true;
    frConnection->bConnDisconnClick();
}

namespace
{

// The program's popup window as the main window drives it.
class TSmartOutputControl : public IPopupControl
{
public:
    explicit TSmartOutputControl(TOBfSmartOutput &popup) : m_popup(popup) {}

    bool IsShown() const override { return m_popup.isVisible(); }
    void Hide() override { m_popup.HideNow(); }
    void ShowPlaced() override { m_popup.ShowPlaced(); }
    void StartFade() override { m_popup.StartFade(); }
    void StayOnTop() override { m_popup.StayOnTop(); }
    void SetPopupHidable(bool hidable) override { m_popup.SetPopupHidable(hidable); }

private:
    TOBfSmartOutput &m_popup;
};

} // namespace

std::unique_ptr<IPopupControl> AttachMeasurementWindows(TOBfMainForm &mainForm, TOBfSmartOutput &popup)
{
    auto control = std::make_unique<TSmartOutputControl>(popup);
    mainForm.SetPopup(control.get());
    mainForm.frSettings->SetReaderFrameFactory([&popup](TReaderCore &reader, QWidget *parent) -> QWidget * {
        auto *frame = new TObfrOutputBase(&popup, parent);
        frame->Attach(reader);
        return frame;
    });
    return control;
}
