// The main window and its measurement frame against the simulator: the interface state in
// every state of a measurement, the tray and window handlers, the CSV question, stop and a
// new start, the automatic start and the settings through the window's controls.

#include "mainform_rig.h"

#include "QtPrinters.h"
#include "TestEnv.h"

#include "comm/uTiming.h"
#include "connection/uOBfrConnPars.h"
#include "discovery/IPEdit.h"
#include "platform/TerminationSignals.h"
#include "shell/TalmoTrayIcon.h"
#include "shell/uOBfrLogo.h"
#include "shell/uSettingsModel.h"
#include "shell/uUtilsWinAPI.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QFileDialog>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <ostream>
#include <sys/resource.h>

using TClick = Platform::TTrayIconBackend::TClick;

namespace
{

// Everything the state routine sets, in one comparable value.
struct TUiState {
    bool ConnectionFrame = false;
    bool MeasurementFrame = false;
    QString ConnCaption;
    bool ConnEnabled = false;
    QString StartCaption;
    bool StartEnabled = false;
    QString PauseCaption;
    bool PauseEnabled = false;
    bool MeasurementControls = false; // bDisconnect, interval, chart length, CSV check box
    bool CsvFileControls = false;     // bBrowseCsv, eCsvFilename
    bool LangAndAcoustic = false;
    bool UserAlarms = false;
    QString TrayStartStop;
    bool TrayStartStopEnabled = false;
    QString TrayPauseContinue;
    bool TrayPauseContinueEnabled = false;
    bool TrayPopupOnTop = false;
    int Icon = -1;
    bool SerialInCaption = false;
    bool PopupHidden = false;

    bool operator==(const TUiState &) const = default;
};

std::ostream &operator<<(std::ostream &os, const TUiState &s)
{
    return os << "frames " << s.ConnectionFrame << s.MeasurementFrame << " conn '"
              << s.ConnCaption.toStdString() << "' " << s.ConnEnabled << " start '"
              << s.StartCaption.toStdString() << "' " << s.StartEnabled << " pause '"
              << s.PauseCaption.toStdString() << "' " << s.PauseEnabled << " controls "
              << s.MeasurementControls << s.CsvFileControls << " menus " << s.LangAndAcoustic << s.UserAlarms
              << " tray '" << s.TrayStartStop.toStdString() << "' " << s.TrayStartStopEnabled << " '"
              << s.TrayPauseContinue.toStdString() << "' " << s.TrayPauseContinueEnabled << " ontop "
              << s.TrayPopupOnTop << " icon " << s.Icon << " serial " << s.SerialInCaption << " popup hidden "
              << s.PopupHidden;
}

TUiState Observe(const TMainFormRig &rig)
{
    const TOBfMainForm &w = *rig.Form;
    const TOBfrSettings &f = *w.frSettings;
    TUiState s;
    s.ConnectionFrame = !w.frConnection->isHidden();
    s.MeasurementFrame = !f.isHidden();
    s.ConnCaption = rig.ConnectButton()->text();
    s.ConnEnabled = rig.ConnectButton()->isEnabled();
    s.StartCaption = FrameChild<QPushButton>(f, "bStartStop")->text();
    s.StartEnabled = FrameChild<QPushButton>(f, "bStartStop")->isEnabled();
    s.PauseCaption = FrameChild<QPushButton>(f, "bPause")->text();
    s.PauseEnabled = FrameChild<QPushButton>(f, "bPause")->isEnabled();
    const bool measurement[] = {FrameChild<QPushButton>(f, "bDisconnect")->isEnabled(),
                                FrameChild<QSpinBox>(f, "seInterval")->isEnabled(),
                                FrameChild<QComboBox>(f, "cbPreDefIntervals")->isEnabled(),
                                FrameChild<QLabel>(f, "lInterval")->isEnabled(),
                                FrameChild<QSpinBox>(f, "seChartLen")->isEnabled(),
                                FrameChild<QComboBox>(f, "cbPreDefGraphLens")->isEnabled(),
                                FrameChild<QLabel>(f, "lChartLen")->isEnabled(),
                                FrameChild<QCheckBox>(f, "cbLogToCsv")->isEnabled()};
    s.MeasurementControls = measurement[0];
    for (bool enabled : measurement)
        EXPECT_EQ(enabled, s.MeasurementControls) << "the measurement controls differ among themselves";
    s.CsvFileControls = FrameChild<QPushButton>(f, "bBrowseCsv")->isEnabled();
    EXPECT_EQ(FrameChild<QLineEdit>(f, "eCsvFilename")->isEnabled(), s.CsvFileControls);
    s.LangAndAcoustic = w.mAcousticSettings->isEnabled();
    EXPECT_EQ(w.mLang->menuAction()->isEnabled(), s.LangAndAcoustic);
    s.UserAlarms = w.mUserAlarmSettings->isEnabled();
    s.TrayStartStop = w.mStartStop->text();
    s.TrayStartStopEnabled = w.mStartStop->isEnabled();
    s.TrayPauseContinue = w.mPauseContinue->text();
    s.TrayPauseContinueEnabled = w.mPauseContinue->isEnabled();
    s.TrayPopupOnTop = w.mPopupOnTop->isEnabled();
    s.Icon = w.StateIconIndex();
    EXPECT_EQ(rig.Tray->IconFile, TrayStateIconFile(s.Icon));
    s.SerialInCaption = w.windowTitle().contains(QStringLiteral("Serial number: 20240117"));
    s.PopupHidden = !rig.Popup.Shown;
    return s;
}

// On its box: the check box is wider than its box and caption.
void ClickCheckBox(QCheckBox *box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

class MainFormTest : public ::testing::Test
{
protected:
    void TearDown() override { EXPECT_FALSE(CSection.IsBusy()) << "a handler left the busy guard raised"; }
    TMainFormRig rig;
};

} // namespace

TEST_F(MainFormTest, EveryStateOfAMeasurementShowsAsItsTableSays)
{
    ASSERT_TRUE(rig.Open());
    rig.Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(rig.Form.get()));
    TOBfrSettings &f = *rig.Form->frSettings;
    const QString csv = rig.CsvPath();

    struct TStep {
        const char *name;
        std::function<void()> action;
        TUiState expected;
    };
    const QString S = QStringLiteral("Start"), T = QStringLiteral("Stop"), Pa = QStringLiteral("Pause"),
                  Co = QStringLiteral("Continue"), Cn = QStringLiteral("Connect"),
                  Di = QStringLiteral("Disconnect");
    // The device of the scenario offers user alarms, so the user alarm item follows the state.
    const TStep steps[] = {
        {"disconnected", [] {}, {true, false, Cn, true,  S,  false, Pa,    false, false, false,
                                 true, false, S,  false, Co, false, false, 0,     false, true}},
        {"connected, idle", [&] { ASSERT_TRUE(rig.Connect()); }, {false, true,  Di,    true, S,    true, Pa,
                                                                  false, true,  false, true, true, S,    true,
                                                                  Co,    false, false, 1,    true, true}},
        {"connected, idle, CSV checked",
         [&] {
             f.SetCsvFileName(csv);
             ClickCheckBox(FrameChild<QCheckBox>(f, "cbLogToCsv"));
         },
         {false, true, Di, true, S,  true,  Pa,    false, true, true,
          true,  true, S,  true, Co, false, false, 1,     true, true}},
        {"running with CSV",
         [&] { ASSERT_TRUE(rig.StartMeasuring()); },
         {false, true,  Di, false, T,  true, Pa,   true, false, false,
          false, false, T,  true,  Pa, true, true, 3,    true,  true}},
        {"paused",
         [&] { QTest::mouseClick(FrameChild<QPushButton>(f, "bPause"), Qt::LeftButton); },
         {false, true,  Di, false, T,  true, Co,   true, false, false,
          false, false, T,  true,  Co, true, true, 4,    true,  true}},
        {"continued",
         [&] { QTest::mouseClick(FrameChild<QPushButton>(f, "bPause"), Qt::LeftButton); },
         {false, true,  Di, false, T,  true, Pa,   true, false, false,
          false, false, T,  true,  Pa, true, true, 3,    true,  true}},
        {"stopped",
         [&] { QTest::mouseClick(FrameChild<QPushButton>(f, "bStartStop"), Qt::LeftButton); },
         {false, true, Di, true, S,  true,  Pa,    false, true, true,
          true,  true, S,  true, Co, false, false, 1,     true, true}},
        {"running without CSV",
         [&] {
             ClickCheckBox(FrameChild<QCheckBox>(f, "cbLogToCsv")); // the existing file is not asked about
             ASSERT_TRUE(rig.StartMeasuring());
         },
         {false, true,  Di, false, T,  true, Pa,   true, false, false,
          false, false, T,  true,  Pa, true, true, 2,    true,  true}},
        {"stopped from the tray menu",
         [&] { rig.Form->mStartStop->trigger(); },
         {false, true, Di, true, S,  true,  Pa,    false, true, false,
          true,  true, S,  true, Co, false, false, 1,     true, true}},
        {"disconnected again",
         [&] { QTest::mouseClick(FrameChild<QPushButton>(f, "bDisconnect"), Qt::LeftButton); },
         {true, false, Cn, true,  S,  false, Pa,    false, false, false,
          true, false, S,  false, Co, false, false, 0,     false, true}},
    };
    for (const TStep &step : steps) {
        SCOPED_TRACE(step.name);
        step.action();
        EXPECT_EQ(Observe(rig), step.expected);
    }
    EXPECT_TRUE(rig.Dialogs.isEmpty()) << rig.Dialogs.first().Text.toStdString();
    EXPECT_TRUE(rig.Form->windowTitle().startsWith(QStringLiteral("Ombrix,  Version: ")));
}

TEST_F(MainFormTest, TheCaptionCarriesTheVersionAndWithADeviceItsSerialNumber)
{
    ASSERT_TRUE(rig.Open());
    const QString version = TWinAPIUtils::GetFileVersion(QCoreApplication::applicationFilePath());
    EXPECT_EQ(rig.Form->windowTitle(), QStringLiteral("Ombrix,  Version: %1   ").arg(version));
    ASSERT_TRUE(rig.Connect());
    EXPECT_EQ(rig.Form->windowTitle(),
              QStringLiteral("Ombrix,  Version: %1       Serial number: 20240117").arg(version));
}

TEST_F(MainFormTest, EnterConnectsFromTheAddressFieldAndStillReachesIt)
{
    ASSERT_TRUE(rig.Open());
    rig.Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(rig.Form.get()));
    TIPEdit *ip = rig.Form->frConnection->ConnPars()->IPEdit();
    ip->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() != nullptr; }));
    QWidget *focused = QApplication::focusWidget();
    ASSERT_TRUE(focused == ip || ip->isAncestorOf(focused));
    QTest::keyClick(focused, Qt::Key_Return);
    EXPECT_TRUE(rig.Form->frConnection->Connected());
    // Once connected Enter does nothing more (no disconnect, no start).
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : rig.Form.get(),
                    Qt::Key_Return);
    EXPECT_TRUE(rig.Form->frConnection->Connected());
}

TEST_F(MainFormTest, EnterMakesOneAttemptAndNoneWhileConnectIsDisabled)
{
    ASSERT_TRUE(rig.Open());
    rig.Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(rig.Form.get()));
    auto *connect = rig.Form->findChild<QPushButton *>(QStringLiteral("bConnDisconn"));
    ASSERT_NE(connect, nullptr);

    // Nothing listens on port 1: the attempt fails with its one message.
    rig.Form->frConnection->ConnPars()->SetTcpPort(1);
    TIPEdit *ip = rig.Form->frConnection->ConnPars()->IPEdit();
    ip->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() != nullptr; }));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(rig.Form->frConnection->Connected());
    EXPECT_EQ(rig.Dialogs.size(), 1) << "one attempt, one message";

    // A serial line without a COM port: the button is disabled, and so is Enter.
    rig.Dialogs.clear();
    auto *rs232 = rig.Form->findChild<QRadioButton *>(QStringLiteral("rbRs232"));
    ASSERT_NE(rs232, nullptr);
    QTest::mouseClick(rs232, Qt::LeftButton);
    ASSERT_TRUE(rs232->isChecked());
    ASSERT_FALSE(connect->isEnabled()) << "no COM port is selected in the test environment";
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : rig.Form.get(),
                    Qt::Key_Return);
    EXPECT_FALSE(rig.Form->frConnection->Connected());
    EXPECT_TRUE(rig.Dialogs.isEmpty()) << rig.Dialogs.first().Text.toStdString();
}

TEST_F(MainFormTest, TrayPointerAndRestoreAreIgnoredWhileTheBusyGuardIsHeld)
{
    ASSERT_TRUE(rig.Open());
    rig.Form->show();
    ASSERT_TRUE(rig.Connect());
    ASSERT_TRUE(rig.StartMeasuring());
    rig.Popup.Calls.clear();
    {
        const TCSectionGuard busy;
        rig.Tray->Click(TClick::Left);
        rig.Form->mMainApp->trigger();
        // Start/Stop from the tray goes through the frame's own guard.
        rig.Form->mStartStop->trigger();
    }
    EXPECT_TRUE(rig.Popup.Calls.isEmpty()) << rig.Popup.Calls.join(QLatin1Char(',')).toStdString();
    EXPECT_TRUE(rig.Form->isVisible());
    EXPECT_TRUE(rig.Form->frSettings->IsRunning());

    rig.Tray->Click(TClick::Left);
    EXPECT_EQ(rig.Popup.Calls, QStringList({QStringLiteral("show"), QStringLiteral("fade")}));
}

TEST_F(MainFormTest, ThePopupModeSwitchesOnlyWhileRunning)
{
    ASSERT_TRUE(rig.Open());
    ASSERT_TRUE(rig.Connect());
    ASSERT_TRUE(rig.Form->PopupHidable);
    rig.Form->mPopupOnTopClick(); // idle: nothing
    EXPECT_TRUE(rig.Form->PopupHidable);
    ASSERT_TRUE(rig.StartMeasuring());
    EXPECT_EQ(rig.Form->mPopupOnTop->text(), QStringLiteral("Popup on top"));
    rig.Form->mPopupOnTop->trigger();
    EXPECT_FALSE(rig.Form->PopupHidable);
    EXPECT_FALSE(rig.Popup.Hidable);
    EXPECT_EQ(rig.Popup.Calls.last(), QStringLiteral("on top"));
    EXPECT_EQ(rig.Form->mPopupOnTop->text(), QStringLiteral("Popup hidable"));
    // The pointer over the tray icon brings the popup up only in hidable mode.
    rig.Popup.Calls.clear();
    rig.Tray->Click(TClick::Left);
    EXPECT_TRUE(rig.Popup.Calls.isEmpty());
    rig.Form->mPopupOnTop->trigger();
    EXPECT_TRUE(rig.Form->PopupHidable);
    EXPECT_EQ(rig.Popup.Calls.last(), QStringLiteral("fade"));
    // Stopping hides the popup.
    rig.Form->mStartStop->trigger();
    EXPECT_FALSE(rig.Popup.Shown);
}

TEST(MainFormWindow, MinimisingHidesTheWindowOnlyWhenATrayCanBringItBack)
{
    for (const bool trayAvailable : {true, false}) {
        SCOPED_TRACE(trayAvailable ? "with a tray" : "without a tray");
        TMainFormRig rig;
        ASSERT_TRUE(rig.Open(QString(), trayAvailable));
        TOBfMainForm &w = *rig.Form;
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        EXPECT_EQ(w.mMainApp->text(), QStringLiteral("Hide application"));
        w.mMainApp->trigger(); // minimises
        if (trayAvailable)
            EXPECT_TRUE(QTest::qWaitFor([&] { return !w.isVisible(); }));
        else
            QTest::qWait(50); // a hide would have come by now
        EXPECT_EQ(w.isVisible(), !trayAvailable);
        EXPECT_EQ(w.mMainApp->text(), QStringLiteral("Restore application"));
        w.mMainApp->trigger(); // shows and restores
        EXPECT_TRUE(w.isVisible());
        EXPECT_FALSE(w.isMinimized());
        EXPECT_EQ(w.mMainApp->text(), QStringLiteral("Hide application"));
        EXPECT_TRUE(rig.Tray->Visible);
        EXPECT_EQ(rig.Tray->ToolTip, QStringLiteral("Ombrix"));
        EXPECT_EQ(rig.Tray->ContextMenu, w.pmTrayIconMenu);
    }
}

// The window opens at the least size that shows its content; the user may make it larger, the
// output area taking the room while the logo band keeps its width, and it opens again as left.
TEST(MainFormWindow, TheUserMayEnlargeTheWindowAndItOpensAgainAsLeft)
{
    TMainFormRig rig;
    ASSERT_TRUE(rig.Open());
    TOBfMainForm &w = *rig.Form;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QSize fitted = w.size();
    EXPECT_EQ(w.minimumSize(), fitted);
    EXPECT_GT(w.maximumWidth(), fitted.width());
    EXPECT_GT(w.maximumHeight(), fitted.height());
    ASSERT_TRUE(rig.Connect());
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.frSettings->isVisible(); }));
    const QWidget *output = FrameChild<QWidget>(*w.frSettings, "pOutPut");
    ASSERT_NE(output, nullptr);
    const int logoWidth = w.frSettings->LogoArea()->width();
    const QSize outputSize = output->size();

    const QSize larger = fitted + QSize(200, 120);
    const QPoint place(40, 30);
    w.resize(larger);
    w.move(place);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.size() == larger && output->size() != outputSize; }));
    EXPECT_EQ(w.frSettings->LogoArea()->width(), logoWidth);
    EXPECT_EQ(output->size(), outputSize + QSize(200, 120));
    w.close(); // saves, as at exit

    TOBfMainForm again(std::make_unique<TFakeTrayIcon>(), TMainFormDialogs{});
    EXPECT_EQ(again.size(), larger);
    EXPECT_EQ(again.pos(), place);
}

// A remembered place on no screen (a monitor since removed) or a size too small for the content
// is not taken: the window opens centred, at the size its content needs.
TEST(MainFormWindow, ARememberedPlaceOffEveryScreenOrASizeTooSmallIsNotTaken)
{
    const QSize fitted = [] {
        TMainFormRig fresh;
        EXPECT_TRUE(fresh.Open(QString()));
        return fresh.Form->size();
    }();
    TMainFormRig rig;
    {
        TMainSettings stored;
        stored.WindowGeometry = QRect(-30000, -30000, 100, 80);
        TSettingsStore user(rig.Dir.filePath(QStringLiteral("user/Ombrix.ini")), false);
        stored.Save(user);
        ASSERT_TRUE(user.Sync());
    }
    ASSERT_TRUE(rig.Open(QString()));
    const TOBfMainForm &w = *rig.Form;
    EXPECT_EQ(w.size(), fitted);
    const QRect screen = w.screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(QRect(w.pos(), w.size()))) << "at " << w.pos().x() << "," << w.pos().y();
}

TEST_F(MainFormTest, AnExistingCsvFileIsOverwrittenAppendedOrLeftAsTheUserAnswers)
{
    ASSERT_TRUE(rig.Open());
    ASSERT_TRUE(rig.Connect());
    TOBfrSettings &f = *rig.Form->frSettings;
    const QString old = QStringLiteral("old line");
    struct TCase {
        const char *name;
        int answer;
        bool runs;
        bool oldKept;
    };
    const TCase cases[] = {
        {"Overwrite", 1, true, false}, {"Append", 2, true, true}, {"Cancel", 3, false, true}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        const QString csv = rig.CsvPath(QString::fromLatin1(c.name) + QStringLiteral(".csv"));
        {
            QFile file(csv);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(old.toUtf8() + "\n");
        }
        f.SetLogToCsvSilently(true);
        f.SetCsvFileName(csv);
        rig.Dialogs.clear();
        rig.Answer = c.answer;
        EXPECT_EQ(rig.StartMeasuring(), c.runs);
        ASSERT_EQ(rig.Dialogs.size(), 1);
        const TDialogRequest &question = rig.Dialogs.first();
        EXPECT_EQ(question.Text, QStringLiteral("Csv file already exists."));
        EXPECT_EQ(question.Kind, TMsgKind::Confirmation);
        EXPECT_EQ(question.Buttons, QStringList({QStringLiteral("Overwrite"), QStringLiteral("Append"),
                                                 QStringLiteral("Cancel")}));
        EXPECT_EQ(question.DefaultButton, 1);
        EXPECT_EQ(question.CancelButton, 3);
        if (c.runs) {
            EXPECT_TRUE(rig.WaitForLines(csv, c.oldKept ? 6 : 5));
            rig.Form->frSettings->bStartStopClick();
        }
        const QStringList lines = FileLines(csv);
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.first() == old, c.oldKept);
        if (!c.runs) {
            EXPECT_EQ(lines, QStringList{old});
        }
    }
}

TEST_F(MainFormTest, StartRefusesWithoutAFileNameOrWhenTheFileCannotBeOpened)
{
    ASSERT_TRUE(rig.Open());
    ASSERT_TRUE(rig.Connect());
    TOBfrSettings &f = *rig.Form->frSettings;
    f.SetLogToCsvSilently(true);
    struct TCase {
        QString file;
        QString message;
        TMsgKind kind;
    };
    const TCase cases[] = {
        {QString(), QStringLiteral("Csv filename required."), TMsgKind::Information},
        {rig.CsvPath(QStringLiteral("missing-folder/Run.csv")),
         QStringLiteral("Unable to open CSV file for logging."), TMsgKind::Error},
    };
    for (const TCase &c : cases) {
        f.SetCsvFileName(c.file);
        rig.Dialogs.clear();
        EXPECT_FALSE(rig.StartMeasuring());
        ASSERT_EQ(rig.Dialogs.size(), 1);
        EXPECT_EQ(rig.Dialogs.first().Text, c.message);
        EXPECT_EQ(rig.Dialogs.first().Kind, c.kind);
        EXPECT_EQ(rig.Form->StateIconIndex(), 1);
    }
    // The settings were saved before the file was looked at.
    EXPECT_EQ(UserSettings->ReadString(QStringLiteral("SETTINGS"), QStringLiteral("CSV_NAME"), QString()),
              cases[1].file);
}

TEST_F(MainFormTest, TheAutomaticStartAppendsWithoutAskingAndAManualStartAsksAgain)
{
    ASSERT_TRUE(rig.Open());
    const QString csv = rig.CsvPath(QStringLiteral("Logs/Auto.csv"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(csv).path()));
    {
        // The last run's log, its last line cut short by a power failure.
        QFile file(csv);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("\"old\";\"line\"\r\n\"old\";\"cu");
    }
    rig.Form->ProcessCommandLine({QStringLiteral("AutoStart"), QStringLiteral("-TYPE"),
                                  QStringLiteral("ethernet"), QStringLiteral("-csv"), csv,
                                  QStringLiteral("-Interval"), QStringLiteral("1")});
    ASSERT_TRUE(rig.Form->frSettings->IsRunning());
    EXPECT_TRUE(rig.Dialogs.isEmpty());
    EXPECT_EQ(rig.Form->frSettings->GetCsvFileName(), csv); // the letter case kept
    ASSERT_TRUE(rig.WaitForLines(csv, 7));
    const QStringList lines = FileLines(csv);
    EXPECT_EQ(lines[0], QStringLiteral("\"old\";\"line\"\r"));
    EXPECT_EQ(lines[1], QStringLiteral("\"old\";\"cu\r")) << "the cut line is ended first";
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("\"Sensor type\""))) << "a new header block";

    // Stop, then a new start by hand: asked, and a new reader from a fresh start.
    rig.Form->mStartStop->trigger();
    EXPECT_EQ(rig.Form->frSettings->Reader(), nullptr);
    rig.Answer = 2; // append
    ASSERT_TRUE(rig.StartMeasuring());
    ASSERT_EQ(rig.Dialogs.size(), 1);
    EXPECT_EQ(rig.Dialogs.first().Text, QStringLiteral("Csv file already exists."));
    EXPECT_FALSE(rig.Form->frSettings->IsPaused());
    EXPECT_NE(rig.Form->frSettings->Reader(), nullptr);
    const int before = FileLines(csv).size();
    EXPECT_TRUE(rig.WaitForLines(csv, before + 1));
}

namespace
{

// The whole test process may write only a few more bytes to any file (the CSV file finds no
// room for its next record) until MakeRoom or the end of the scope.
class TFullDisk
{
public:
    explicit TFullDisk(const QString &file) : m_handler(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit full = m_saved;
        full.rlim_cur = static_cast<rlim_t>(QFileInfo(file).size() + 5);
        m_full = setrlimit(RLIMIT_FSIZE, &full) == 0;
    }
    ~TFullDisk() { MakeRoom(); }
    TFullDisk(const TFullDisk &) = delete;
    TFullDisk &operator=(const TFullDisk &) = delete;

    bool IsFull() const { return m_full; }
    void MakeRoom()
    {
        if (!m_full)
            return;
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
        m_full = false;
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int);
    bool m_full = false;
};

// Connects and starts a measurement logging to the file, with its header and a record in it.
bool StartLogging(TMainFormRig &rig, const QString &csv)
{
    if (!rig.Connect())
        return false;
    rig.Form->frSettings->SetLogToCsvSilently(true);
    rig.Form->frSettings->SetCsvFileName(csv);
    return rig.StartMeasuring() && rig.WaitForLines(csv, 5);
}

} // namespace

TEST_F(MainFormTest, TheCaptionSaysWhenRecordsCannotBeWrittenAndWhenTheyAreAgain)
{
    ASSERT_TRUE(rig.Open());
    TOBfrSettings &f = *rig.Form->frSettings;
    const QString csv = rig.CsvPath(QStringLiteral("Full.csv"));
    ASSERT_TRUE(StartLogging(rig, csv));
    const auto caption = [&] { return rig.Form->windowTitle(); };
    {
        TFullDisk disk(csv);
        ASSERT_TRUE(disk.IsFull());
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return caption().contains(QStringLiteral("CSV file not written")); }, 20000))
            << caption().toStdString();
    }
    EXPECT_TRUE(caption().contains(QStringLiteral("File too large"))) << caption().toStdString();
    EXPECT_TRUE(caption().contains(QStringLiteral("Serial number: 20240117")));
    const qint64 waiting = f.Reader()->CsvRecordsWaiting();
    EXPECT_GE(waiting, 1);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return caption().contains(QStringLiteral("CSV file written again")); }, 20000))
        << caption().toStdString();
    EXPECT_EQ(f.Reader()->CsvRecordsWaiting(), 0);
    EXPECT_GE(f.Reader()->CsvWriteFailures(), 1U);
    const quint64 written = f.Reader()->CsvRecordsWritten();
    f.bStartStopClick();
    EXPECT_EQ(FileLines(csv).size(), 4 + static_cast<int>(written)) << "every record reached the file";
}

// Stop while the file takes no records: the user is told how many wait and why, and may make
// room and retry (every record reaches the file) or discard them knowingly.
TEST(MainFormRecords, StopWithRecordsTheFileDoesNotTakeAsksToRetryOrDiscard)
{
    for (const bool retry : {true, false}) {
        SCOPED_TRACE(retry ? "retry after making room" : "discard");
        TMainFormRig rig;
        ASSERT_TRUE(rig.Open());
        TOBfrSettings &f = *rig.Form->frSettings;
        const QString csv = rig.CsvPath(QStringLiteral("Full.csv"));
        ASSERT_TRUE(StartLogging(rig, csv));
        TFullDisk disk(csv);
        ASSERT_TRUE(disk.IsFull());
        ASSERT_TRUE(QTest::qWaitFor([&] { return f.Reader()->CsvRecordsWaiting() >= 2; }, 20000));
        const qint64 linesBefore = FileLines(csv).size();

        QList<TDialogRequest> asked;
        const TDialogAnswerScope answer([&](const TDialogRequest &r) {
            asked << r;
            const QString wanted = retry ? QStringLiteral("Retry") : QStringLiteral("Cancel");
            if (retry)
                disk.MakeRoom();
            const QStringList captions =
                QStringList(r.Buttons).replaceInStrings(QStringLiteral("&"), QString());
            EXPECT_TRUE(captions.contains(wanted)) << captions.join(QLatin1Char(',')).toStdString();
            return static_cast<int>(captions.indexOf(wanted)) + 1;
        });
        const quint64 written = f.Reader()->CsvRecordsWritten();
        const qint64 pending = f.Reader()->CsvRecordsWaiting();
        f.bStartStopClick();
        disk.MakeRoom();
        ASSERT_FALSE(f.IsRunning());
        ASSERT_EQ(asked.size(), 1);
        EXPECT_EQ(asked[0].Kind, TMsgKind::Warning);
        EXPECT_TRUE(asked[0].Text.contains(csv)) << asked[0].Text.toStdString();
        EXPECT_TRUE(asked[0].Text.contains(QStringLiteral("File too large"))) << asked[0].Text.toStdString();
        EXPECT_TRUE(asked[0].Text.startsWith(QString::number(pending) + QLatin1Char(' ')))
            << asked[0].Text.toStdString();
        if (retry)
            EXPECT_EQ(FileLines(csv).size(), 4 + static_cast<qint64>(written) + pending)
                << "every record reached the file";
        else
            EXPECT_EQ(FileLines(csv).size(), linesBefore) << "the discarded records are not written later";
    }
}

TEST_F(MainFormTest, AFailedAutomaticStartLeavesTheWindowDisconnected)
{
    ASSERT_TRUE(rig.Open(QString())); // nothing listens
    rig.Form->frConnection->ConnPars()->SetTcpPort(1);
    rig.Form->frConnection->ConnPars()->SetTimeout(300);
    rig.Form->ProcessCommandLine(
        {QStringLiteral("-autostart"), QStringLiteral("-ip"), QStringLiteral("127.0.0.1")});
    EXPECT_FALSE(rig.Form->frConnection->Connected());
    EXPECT_FALSE(rig.Form->frSettings->IsRunning());
    EXPECT_EQ(rig.Form->StateIconIndex(), 0);
    ASSERT_EQ(rig.Dialogs.size(), 1);
    EXPECT_EQ(rig.Dialogs.first().Text, TDeviceConnection::UnableToConnectMessage());
    // Without the switch nothing is applied.
    rig.Form->ProcessCommandLine({QStringLiteral("-ip"), QStringLiteral("10.0.0.5")});
    EXPECT_EQ(rig.Form->frConnection->ConnPars()->GetIP(), QStringLiteral("127.0.0.1"));
}

TEST_F(MainFormTest, PresetsBrowseAndTheAcousticDialogFillTheFrame)
{
    ASSERT_TRUE(rig.Open());
    ASSERT_TRUE(rig.Connect());
    TOBfrSettings &f = *rig.Form->frSettings;
    FrameChild<QComboBox>(f, "cbPreDefIntervals")
        ->setCurrentIndex(FrameChild<QComboBox>(f, "cbPreDefIntervals")->findData(300));
    f.cbPreDefsChange(FrameChild<QComboBox>(f, "cbPreDefIntervals"));
    EXPECT_EQ(f.GetInterval(), 300);
    FrameChild<QComboBox>(f, "cbPreDefGraphLens")
        ->setCurrentIndex(FrameChild<QComboBox>(f, "cbPreDefGraphLens")->count() - 1);
    f.cbPreDefsChange(FrameChild<QComboBox>(f, "cbPreDefGraphLens"));
    EXPECT_EQ(f.GetChartLength(), FrameChild<QComboBox>(f, "cbPreDefGraphLens")->currentData().toInt());

    // Checking the box with no file name opens the chooser in the documents folder with the
    // serial number proposed; a name without an extension gets ".csv".
    QString startFolder, proposed;
    f.SetFileDialogRunner([&](QFileDialog &dialog) {
        startFolder = dialog.directory().absolutePath();
        proposed = dialog.selectedFiles().value(0);
        dialog.selectFile(rig.CsvPath(QStringLiteral("chosen")));
        return true;
    });
    ClickCheckBox(FrameChild<QCheckBox>(f, "cbLogToCsv"));
    EXPECT_EQ(startFolder + QLatin1Char('/'), DocumentsDir);
    EXPECT_TRUE(proposed.endsWith(QStringLiteral("20240117"))) << proposed.toStdString();
    EXPECT_EQ(f.GetCsvFileName(), rig.CsvPath(QStringLiteral("chosen.csv")));

    rig.Form->mAcousticSettings->trigger();
    EXPECT_EQ(rig.AcousticDialogs, 1);
    EXPECT_EQ(f.Acoustic.RepeatInterval, 42);
}

TEST(MainFormSettings, TheWindowShowsEveryStoredValueAndSavesItBackUnchanged)
{
    TMainFormRig rig;
    TMainSettings stored;
    stored.LanguageSetting = QStringLiteral("5");
    stored.PopupHidable = false;
    stored.Protocol = TProtocol::RS485;
    stored.IP = QStringLiteral("192.168.1.20");
    stored.TcpPort = 1502;
    stored.Timeout = 2500;
    stored.ComPort = TMainSettings::ComPortNone;
    stored.Speed = 19200;
    stored.SlaveAddress = 7;
    stored.LogToCsv = true;
    stored.CsvName = QStringLiteral("/home/Ana/Logs/Run.csv");
    stored.Interval = 45;
    stored.GraphLength = 30;
    stored.Acoustic = {TSoundMode::SoundFile, QStringLiteral("SystemHand"),
                       QStringLiteral("/usr/share/sounds/alarm.wav"), 20, TRepeatMode::DuringAlarm};
    for (int slot = 0; slot < SettingsKeys::UserAlarmSlotCount; ++slot)
        stored.UserAlarms[static_cast<std::size_t>(slot)] = {slot % 2 == 0, 10.5 + slot,   -2.25,
                                                             0.5,           slot % 3 == 0, slot % 5 == 0};
    {
        TSettingsStore user(rig.Dir.filePath(QStringLiteral("user/Ombrix.ini")), false);
        stored.Save(user);
        ASSERT_TRUE(user.Sync());
    }
    ASSERT_TRUE(rig.Open(QString()));
    TOBfMainForm &w = *rig.Form;
    EXPECT_FALSE(w.PopupHidable);
    EXPECT_FALSE(rig.Popup.Hidable);
    EXPECT_EQ(w.frConnection->GetProtocolName(), QStringLiteral("RS485"));
    EXPECT_EQ(w.frConnection->ConnPars()->GetSlaveAddress(), 7);
    EXPECT_EQ(w.frConnection->ConnPars()->GetSpeed(), 19200);
    EXPECT_TRUE(w.frSettings->IsLogToCsv());
    EXPECT_EQ(w.frSettings->GetCsvFileName(), stored.CsvName);
    EXPECT_EQ(w.frSettings->GetInterval(), 45);
    EXPECT_EQ(w.frSettings->GetChartLength(), 30);
    EXPECT_DOUBLE_EQ(w.frConnection->Device().GetQuantity(4).HiLim, 14.5);

    UserSettings->WriteString(QStringLiteral("SETTINGS"), QStringLiteral("CSV_NAME"),
                              QStringLiteral("changed"));
    w.SaveSettings();
    TMainSettings saved;
    saved.Load(*UserSettings, nullptr);
    EXPECT_TRUE(saved == stored);
}

TEST(MainFormDesktop, HelpOpensTheHelpFileNextToTheProgram)
{
    TMainFormRig rig;
    ASSERT_TRUE(rig.Open(QString()));
    QList<QUrl> opened;
    rig.Form->SetUrlOpener([&](const QUrl &url) {
        opened << url;
        return false; // a failure is not reported
    });
    rig.Form->mShowHelp->trigger();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first(), QUrl::fromLocalFile(ProgramDir + QStringLiteral("help_english.txt")));
    EXPECT_TRUE(rig.Dialogs.isEmpty());
}

TEST(MainFormDesktop, TheLogosFollowTheBrand)
{
    struct TCase {
        const char *name;
        QString branding; // Ombrix.ini next to the program; empty: none
        bool logoFile;    // logo.bmp next to the program
        bool shown;
        QString link; // empty: not clickable
    };
    const TCase cases[] = {
        {"default brand", QString(), false, true, QString(MakerWebAddress)},
        {"foreign brand without picture or web", QStringLiteral("[label]\ncompany=Acme\n"), false, false,
         QString()},
        {"foreign brand with both", QStringLiteral("[label]\ncompany=Talmo\nweb=https://acme.example/\n"),
         true, true, QStringLiteral("https://acme.example/")},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        TMainFormRig rig;
        const QString programDir = rig.Dir.filePath(QStringLiteral("program"));
        ASSERT_TRUE(QDir().mkpath(programDir));
        if (!c.branding.isEmpty()) {
            QFile ini(programDir + QStringLiteral("/Ombrix.ini"));
            ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
            ini.write(c.branding.toUtf8());
        }
        if (c.logoFile) {
            QImage picture(40, 30, QImage::Format_RGB32);
            picture.fill(Qt::darkGreen);
            ASSERT_TRUE(picture.save(programDir + QStringLiteral("/logo.bmp"), "BMP"));
        }
        ASSERT_TRUE(rig.Open(QString()));
        QList<QUrl> opened;
        rig.Form->SetUrlOpener([&](const QUrl &url) {
            opened << url;
            return true;
        });
        const QList<TOBfrLogo *> logos = rig.Form->findChildren<TOBfrLogo *>(QStringLiteral("frLogo"));
        ASSERT_EQ(logos.size(), 2);
        for (TOBfrLogo *logo : logos) {
            EXPECT_EQ(!logo->iLogo->isHidden(), c.shown);
            if (c.logoFile) {
                EXPECT_EQ(logo->iLogo->pixmap().size(), QSize(40, 30));
            }
            QTest::mouseClick(logo->iLogo, Qt::LeftButton);
        }
        if (c.link.isEmpty()) {
            EXPECT_TRUE(opened.isEmpty());
        } else {
            EXPECT_EQ(opened, QList<QUrl>({QUrl(c.link), QUrl(c.link)}));
        }
    }
}

TEST(MainFormEthernetChannels, StartNeedsAtLeastOnePresentChannel)
{
    struct TCase {
        const char *name;
        std::vector<bool> present; // the five channels of the Gelmi device
        bool runs;
    };
    const TCase cases[] = {
        {"every channel switched off", {false, false, false, false, false}, false},
        {"only the fifth channel", {false, false, false, false, true}, true},
        {"only the first channel", {true, false, false, false, false}, true},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        TMainFormRig rig;
        QFile base(TestEnv::scenarioPath(QStringLiteral("gelmi-5ch-551.json")));
        ASSERT_TRUE(base.open(QIODevice::ReadOnly));
        QJsonObject scenario = QJsonDocument::fromJson(base.readAll()).object();
        QJsonObject gelmi = scenario.value(QStringLiteral("gelmi")).toObject();
        QJsonArray channels = gelmi.value(QStringLiteral("channels")).toArray();
        for (qsizetype i = 0; i < channels.size(); ++i) {
            QJsonObject channel = channels[i].toObject();
            channel[QStringLiteral("present")] = c.present[static_cast<std::size_t>(i)];
            channels[i] = channel;
        }
        gelmi[QStringLiteral("channels")] = channels;
        scenario[QStringLiteral("gelmi")] = gelmi;
        const QString variant = rig.Dir.filePath(QStringLiteral("gelmi-variant.json"));
        QFile out(variant);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(QJsonDocument(scenario).toJson());
        out.close();

        ASSERT_TRUE(rig.Open(variant));
        ASSERT_TRUE(rig.Connect());
        EXPECT_EQ(rig.StartMeasuring(), c.runs);
        if (c.runs) {
            EXPECT_TRUE(rig.Dialogs.isEmpty());
        } else {
            ASSERT_EQ(rig.Dialogs.size(), 1);
            EXPECT_EQ(rig.Dialogs.first().Text,
                      QStringLiteral("All channels (probes) are disabled. Use Calidor "
                                     "(configuration program) to enable at least one "
                                     "channel."));
            // Nothing was started, so nothing was saved.
            EXPECT_FALSE(QFileInfo::exists(UserSettings->FileName()));
        }
    }
}

TEST(MainFormSettings, AFreshUserStartsWithTheDefaultsAndKeepsTheMachineLanguage)
{
    TMainFormRig rig;
    {
        ASSERT_TRUE(QDir().mkpath(rig.Dir.filePath(QStringLiteral("machine"))));
        QFile machine(rig.Dir.filePath(QStringLiteral("machine/Ombrix.ini")));
        ASSERT_TRUE(machine.open(QIODevice::WriteOnly));
        machine.write("[OPTIONS]\nLANGUAGE=7\n");
    }
    ASSERT_TRUE(rig.Open(QString()));
    TOBfMainForm &w = *rig.Form;
    const TOBfrConnPars &pars = *w.frConnection->ConnPars();
    const TOBfrSettings &f = *w.frSettings;
    EXPECT_EQ(w.frConnection->GetProtocolName(), QStringLiteral("Ethernet"));
    EXPECT_EQ(pars.GetTcpPort(), 502);
    EXPECT_EQ(pars.GetTimeout(), 3000);
    EXPECT_EQ(pars.GetComPortNumber(), -1);
    EXPECT_EQ(pars.GetSpeed(), 9600);
    EXPECT_EQ(pars.GetSlaveAddress(), 1);
    EXPECT_FALSE(f.IsLogToCsv());
    EXPECT_EQ(f.GetInterval(), 1);
    EXPECT_EQ(f.GetChartLength(), 1);
    EXPECT_EQ(f.Acoustic.SoundMode, TSoundMode::Disabled);
    EXPECT_EQ(f.Acoustic.SystemSound, QStringLiteral("SystemExclamation"));
    EXPECT_EQ(f.Acoustic.RepeatInterval, 10);
    EXPECT_EQ(f.Acoustic.RepeatMode, TRepeatMode::Once);
    EXPECT_TRUE(w.PopupHidable);
    for (int slot = 0; slot < TOBfrConnection::QuantityCount(); ++slot)
        EXPECT_FALSE(w.frConnection->Device().GetQuantity(slot).LimitsEnabled) << slot;

    w.close(); // saves, as at exit
    EXPECT_EQ(UserSettings->ReadString(QStringLiteral("OPTIONS"), QStringLiteral("LANGUAGE"), QString()),
              QStringLiteral("7"));
    EXPECT_EQ(UserSettings->ReadInteger(QStringLiteral("CONNECTION"), QStringLiteral("COM_PORT"), 0), -1);
}

namespace
{

// Once a modal window of the wanted kind is up, does what `act` says with it (once).
void WhenModalIsUp(const std::function<bool(QWidget *)> &wanted, const std::function<void(QWidget *)> &act)
{
    auto *poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, wanted, act] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || !wanted(modal))
            return;
        poll->stop();
        poll->deleteLater();
        act(modal);
    });
    poll->start(50);
}

bool AnyDialogShown()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(),
                       [](const QWidget *w) { return w->isVisible() && qobject_cast<const QDialog *>(w); });
}

} // namespace

// A termination signal while a question or the file chooser is open: the dialog ends as Cancel,
// nothing is started or chosen, the window closes, and a dialog asked for afterwards answers
// Cancel at once instead of waiting for a person who is not there.
TEST_F(MainFormTest, ATerminationSignalEndsAnOpenDialogAsCancelAndClosesTheWindow)
{
    ASSERT_TRUE(rig.Open());
    ASSERT_TRUE(rig.Connect());
    TOBfrSettings &f = *rig.Form->frSettings;
    const Platform::TTerminationSignals signals;
    ASSERT_TRUE(signals.IsActive());
    QObject::connect(&signals, &Platform::TTerminationSignals::Received, rig.Form.get(),
                     [&](int) { rig.Form->EndOnTermination(); });
    int closed = 0;
    QObject::connect(rig.Form.get(), &TOBfMainForm::Closed, rig.Form.get(), [&] { ++closed; });
    const QString csv = rig.CsvPath(QStringLiteral("Existing.csv"));
    {
        QFile file(csv);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old line\n");
    }

    struct TCase {
        const char *name;
        std::function<bool(QWidget *)> dialog;
        std::function<void()> open; // returns once the dialog has ended
    };
    const TCase cases[] = {
        {"the question about the existing CSV file",
         [](QWidget *w) {
             const auto *d = qobject_cast<TMessageDialog *>(w);
             return d && d->MessageLabel()->text() == QStringLiteral("Csv file already exists.");
         },
         [&] { EXPECT_FALSE(rig.StartMeasuring()); }},
        {"the CSV file chooser", [](QWidget *w) { return qobject_cast<QFileDialog *>(w) != nullptr; },
         [&] { QTest::mouseClick(FrameChild<QPushButton>(f, "bBrowseCsv"), Qt::LeftButton); }},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        TDialogs::ClearTermination();
        f.SetLogToCsvSilently(true);
        f.SetCsvFileName(csv);
        rig.Form->show();
        const int closedBefore = closed;
        TDialogAnswerScope nobodyAnswers{TDialogAnswerHook()}; // real windows
        bool seen = false;
        WhenModalIsUp(c.dialog, [&](QWidget *) {
            seen = true;
            std::raise(SIGTERM);
        });
        c.open();
        ASSERT_TRUE(seen);
        EXPECT_FALSE(f.IsRunning());
        EXPECT_EQ(f.GetCsvFileName(), csv) << "nothing chosen";
        EXPECT_EQ(FileLines(csv), QStringList{QStringLiteral("old line")});
        EXPECT_FALSE(AnyDialogShown());
        EXPECT_EQ(closed, closedBefore + 1);
        EXPECT_FALSE(rig.Form->isVisible());
        // Asked later, a dialog answers as its cancel button without showing.
        EXPECT_EQ(TDialogs::MessageDlgStd(QStringLiteral("Stop?"), TMsgKind::Confirmation,
                                          {TMsgButton::Yes, TMsgButton::No}),
                  TDialogs::mrNo);
        EXPECT_FALSE(AnyDialogShown());
    }
    TDialogs::ClearTermination();
}

// Enter in the file name box accepts the chooser; its completion list goes with it, also when
// the list would come up late (the folder it completes from read after the dialog has gone).
TEST_F(MainFormTest, TheFileChoosersCompletionListGoesWithTheChooser)
{
    ASSERT_TRUE(rig.Open());
    ASSERT_TRUE(rig.Connect()); // the chooser's button works while connected
    rig.Form->show();
    TOBfrSettings &f = *rig.Form->frSettings;
    for (const char *name : {"Run1.csv", "Run2.csv"}) {
        QFile file(rig.CsvPath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    f.SetLogToCsvSilently(true); // the chooser is offered only while logging is chosen
    f.SetCsvFileName(rig.CsvPath(QStringLiteral("Other.csv")));
    rig.Form->UpdateInterfaceState();
    TDialogAnswerScope nobodyAnswers{TDialogAnswerHook()};
    QPointer<QCompleter> completer;
    WhenModalIsUp([](QWidget *w) { return qobject_cast<QFileDialog *>(w) != nullptr; },
                  [&](QWidget *w) {
                      auto *edit = w->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                      ASSERT_NE(edit, nullptr);
                      static_cast<QFileDialog *>(w)->setDirectory(rig.Dir.path());
                      completer = edit->completer();
                      edit->setFocus();
                      edit->clear();
                      QTest::keyClicks(edit, QStringLiteral("Run3"));
                      QTest::keyClick(edit, Qt::Key_Return);
                  });
    QTest::mouseClick(FrameChild<QPushButton>(f, "bBrowseCsv"), Qt::LeftButton);
    EXPECT_EQ(f.GetCsvFileName(), rig.CsvPath(QStringLiteral("Run3.csv")));
    ASSERT_FALSE(completer.isNull());
    EXPECT_FALSE(completer->popup()->isVisible());
    // What the completer does itself once the folder has been read: complete what was typed.
    completer->setCompletionPrefix(rig.CsvPath(QStringLiteral("Ru")));
    completer->complete();
    QTest::qWait(300);
    EXPECT_FALSE(completer->popup()->isVisible()) << "the list is on screen without its dialog";
}
