#include "shell/uOBfrSettings.h"

#include "base/uApplicationSpecifical.h"
#include "base/uDialogs.h"
#include "comm/uTiming.h"
#include "connection/uDeviceConnection.h"
#include "logging/uRecFile.h"
#include "model/uOBGlob.h"
#include "reading/uReaderCore.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <utility>

namespace
{

constexpr int LeftPanelWidth = 178;
constexpr int SettingsPanelHeight = 144;
constexpr int BottomPanelHeight = 50;

template <typename W> W *Named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QWidget *ColouredPanel(const char *name, QWidget *parent, const QColor &colour)
{
    auto *panel = Named(new QWidget(parent), name);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, colour);
    panel->setPalette(palette);
    return panel;
}

QSpinBox *NumberEdit(const char *name, int maximum, QWidget *parent)
{
    auto *edit = Named(new QSpinBox(parent), name);
    edit->setRange(1, maximum);
    edit->setValue(1);
    edit->setAlignment(Qt::AlignRight);
    edit->setButtonSymbols(QAbstractSpinBox::NoButtons);
    return edit;
}

QComboBox *PresetList(const char *name, const QList<TTextValue> &entries, QWidget *parent)
{
    auto *list = Named(new QComboBox(parent), name);
    for (const TTextValue &entry : entries)
        list->addItem(entry.Display(), entry.Value);
    list->setCurrentIndex(0);
    return list;
}

// The number edit lies over the list, so only the list's arrow shows beside the number.
QWidget *NumberOverList(QSpinBox *edit, QComboBox *list, QWidget *parent)
{
    auto *holder = new QWidget(parent);
    constexpr int width = 130;
    constexpr int arrow = 22;
    holder->setFixedSize(width, list->sizeHint().height());
    list->setParent(holder);
    list->setGeometry(0, 0, width, holder->height());
    edit->setParent(holder);
    edit->setGeometry(0, 0, width - arrow, holder->height());
    edit->raise();
    return holder;
}

// The family-2 slots whose absence means that every probe is switched off: the Gelmi family's
// five channels and the Dusko family's two. The fifth Gelmi channel counts too, or a device
// measuring only on it could never be started.
constexpr std::array<int, 7> EthernetChannelSlots{13, 14, 15, 16, 17, 18, 19};

// The file name box's completion list is a window of its own. Enter accepts the dialog while
// the list may be up, and the list may come up late, once the folder it completes from has been
// read: it would then stay on screen without its dialog. It goes with the dialog, and never
// shows while the dialog is hidden.
class TCompletionWithItsDialog : public QObject
{
public:
    static constexpr QLatin1String Name{"completionWithItsDialog"};

    explicit TCompletionWithItsDialog(QDialog &dialog) : QObject(&dialog), m_dialog(dialog)
    {
        setObjectName(Name);
        connect(&dialog, &QDialog::finished, this, [this] { HideAll(); });
    }

    void Watch()
    {
        for (QCompleter *completer : m_dialog.findChildren<QCompleter *>()) {
            QWidget *popup = completer->popup();
            if (!m_watched.contains(popup)) {
                m_watched << popup;
                popup->installEventFilter(this);
            }
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && !m_dialog.isVisible())
            QMetaObject::invokeMethod(watched, "hide", Qt::QueuedConnection);
        return QObject::eventFilter(watched, event);
    }

private:
    void HideAll()
    {
        for (const QPointer<QWidget> &popup : std::as_const(m_watched))
            if (popup)
                popup->hide();
    }

    QDialog &m_dialog;
    QList<QPointer<QWidget>> m_watched;
};

bool RunFileDialog(QFileDialog &dialog)
{
    // Without a meta-object of its own the guard is found by its name, once per dialog.
    auto *guard = static_cast<TCompletionWithItsDialog *>(
        dialog.findChild<QObject *>(TCompletionWithItsDialog::Name, Qt::FindDirectChildrenOnly));
    if (!guard)
        guard = new TCompletionWithItsDialog(dialog);
    // The dialog builds its widgets (and its completer) by the time it is shown.
    QMetaObject::invokeMethod(
        guard, [guard] { guard->Watch(); }, Qt::QueuedConnection);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

// Puts the CSV file's write state into the main window's status: when records start waiting,
// with the reason, and when the file takes them again.
class TCsvStateView : public IReaderView
{
public:
    explicit TCsvStateView(std::function<void(const QString &)> show) : m_show(std::move(show)) {}

    void QuantityAdded(int, TLangQuan &, const TChartHistory &) override {}
    void ReadingStarted() override {}
    void CycleFinished(bool) override {}
    void QuietButtonChanged(bool) override {}
    void ReadingStopped() override {}
    void CsvWriteFailed(const QString &reason) override
    {
        m_show(TOBfrSettings::tr("CSV file not written (%1); the records wait").arg(reason));
    }
    void CsvWriteRecovered(qint64) override { m_show(TOBfrSettings::tr("CSV file written again")); }

private:
    std::function<void(const QString &)> m_show;
};

TOBfrSettings::TOBfrSettings(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("frSettings"));
    BuildControls();
    m_runFileDialog = RunFileDialog;

    connect(cbLogToCsv, &QCheckBox::clicked, this, &TOBfrSettings::cbLogToCsvClick);
    connect(bBrowseCsv, &QPushButton::clicked, this, &TOBfrSettings::bBrowseCsvClick);
    connect(bStartStop, &QPushButton::clicked, this, &TOBfrSettings::bStartStopClick);
    connect(bPause, &QPushButton::clicked, this, &TOBfrSettings::bPauseClick);
    connect(bDisconnect, &QPushButton::clicked, this, &TOBfrSettings::bDisconnectClick);
    // Only a choice of the user copies a preset; typing a number leaves the list as it was.
    connect(cbPreDefIntervals, &QComboBox::activated, this, [this] { cbPreDefsChange(cbPreDefIntervals); });
    connect(cbPreDefGraphLens, &QComboBox::activated, this, [this] { cbPreDefsChange(cbPreDefGraphLens); });
}

// The reader's record file is flushed by the reader's own destruction; stopping here first
// keeps a tick from running into a half-destroyed frame.
TOBfrSettings::~TOBfrSettings()
{
    if (m_reader)
        m_reader->StopReading();
    m_reader.reset();
}

void TOBfrSettings::BuildControls()
{
    const QColor window = palette().color(QPalette::Base);
    pLeft = ColouredPanel("pLeft", this, QColor(0xA6, 0xCA, 0xF0)); // sky blue
    pLeft->setFixedWidth(LeftPanelWidth);
    auto *pMain = ColouredPanel("pMain", this, window);
    pSettings = ColouredPanel("pSettings", pMain, window);
    // The panels keep their heights unless a larger font needs more.
    pSettings->setMinimumHeight(SettingsPanelHeight);
    pSettings->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    pOutPut = ColouredPanel("pOutPut", pMain, window);
    pBottom = ColouredPanel("pBottom", this, palette().color(QPalette::Window));
    pBottom->setMinimumHeight(BottomPanelHeight);
    pBottom->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    cbLogToCsv = Named(new QCheckBox(tr("Log to CSV file:"), pSettings), "cbLogToCsv");
    eCsvFilename = Named(new QLineEdit(pSettings), "eCsvFilename");
    bBrowseCsv = Named(new QPushButton(tr("Browse"), pSettings), "bBrowseCsv");
    lInterval = Named(new QLabel(tr("Reading interval:"), pSettings), "lInterval");
    seInterval = NumberEdit("seInterval", 36000, pSettings);
    cbPreDefIntervals = PresetList("cbPreDefIntervals", ReadingIntervals(), pSettings);
    lIntervalUnit = Named(new QLabel(tr("seconds"), pSettings), "lIntervalUnit");
    lChartLen = Named(new QLabel(tr("Graph history length:"), pSettings), "lChartLen");
    seChartLen = NumberEdit("seChartLen", 1440, pSettings);
    cbPreDefGraphLens = PresetList("cbPreDefGraphLens", ChartLengths(), pSettings);
    lChartLenUnit = Named(new QLabel(tr("minutes"), pSettings), "lChartLenUnit");

    auto *grid = new QGridLayout(pSettings);
    grid->addWidget(cbLogToCsv, 0, 0, 1, 3);
    grid->addWidget(eCsvFilename, 1, 0, 1, 2);
    grid->addWidget(bBrowseCsv, 1, 2);
    grid->addWidget(lInterval, 2, 0);
    grid->addWidget(NumberOverList(seInterval, cbPreDefIntervals, pSettings), 2, 1);
    grid->addWidget(lIntervalUnit, 2, 2);
    grid->addWidget(lChartLen, 3, 0);
    grid->addWidget(NumberOverList(seChartLen, cbPreDefGraphLens, pSettings), 3, 1);
    grid->addWidget(lChartLenUnit, 3, 2);

    auto *mainLayout = new QVBoxLayout(pMain);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->setSpacing(0);
    mainLayout->addWidget(pSettings);
    mainLayout->addWidget(pOutPut, 1);
    (new QGridLayout(pOutPut))->setContentsMargins(0, 0, 0, 0);

    bDisconnect = Named(new QPushButton(tr("Disconnect"), pBottom), "bDisconnect");
    bPause = Named(new QPushButton(tr("Pause"), pBottom), "bPause");
    bPause->setEnabled(false);
    bStartStop = Named(new QPushButton(tr("Start"), pBottom), "bStartStop");
    auto *buttons = new QHBoxLayout(pBottom);
    buttons->addWidget(bDisconnect);
    buttons->addStretch();
    buttons->addWidget(bPause);
    buttons->addWidget(bStartStop);

    auto *top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    top->addWidget(pLeft);
    top->addWidget(pMain, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(top, 1);
    layout->addWidget(pBottom);

    odBrowseCsv = Named(new QFileDialog(this), "odBrowseCsv");
    odBrowseCsv->setFileMode(QFileDialog::AnyFile);
    odBrowseCsv->setAcceptMode(QFileDialog::AcceptOpen);
    odBrowseCsv->setNameFilter(tr("CSV files") + QStringLiteral(" (*.csv)"));
}

QSize TOBfrSettings::SizeWithOutput(const QSize &output) const
{
    const auto needed = [](const QWidget *w) {
        return w->sizeHint().expandedTo(w->minimumSizeHint()).expandedTo(w->minimumSize());
    };
    const QSize settings = needed(pSettings);
    const QSize bottom = needed(pBottom);
    const int width =
        std::max(pLeft->minimumWidth() + std::max(settings.width(), output.width()), bottom.width());
    const int height =
        std::max(needed(pLeft).height(), settings.height() + output.height()) + bottom.height();
    return {width, height};
}

bool TOBfrSettings::IsRunning() const
{
    return m_reader && m_reader->IsRunning();
}

bool TOBfrSettings::IsPaused() const
{
    return IsRunning() && m_reader->IsPaused();
}

bool TOBfrSettings::IsLogToCsv() const
{
    return cbLogToCsv->isChecked();
}

void TOBfrSettings::SetLogToCsvSilently(bool checked)
{
    // setChecked does not emit clicked, so the click handler stays out of it.
    cbLogToCsv->setChecked(checked);
}

QString TOBfrSettings::GetCsvFileName() const
{
    return eCsvFilename->text();
}

void TOBfrSettings::SetCsvFileName(const QString &name)
{
    eCsvFilename->setText(name);
}

int TOBfrSettings::GetInterval() const
{
    return seInterval->value();
}

void TOBfrSettings::SetInterval(int seconds)
{
    seInterval->setValue(seconds);
}

int TOBfrSettings::GetChartLength() const
{
    return seChartLen->value();
}

void TOBfrSettings::SetChartLength(int minutes)
{
    seChartLen->setValue(minutes);
}

void TOBfrSettings::EnableMeasurementControls(bool enabled)
{
    for (QWidget *w :
         std::initializer_list<QWidget *>{lInterval, lIntervalUnit, lChartLen, lChartLenUnit, cbLogToCsv,
                                          seInterval, cbPreDefIntervals, cbPreDefGraphLens, seChartLen})
        w->setEnabled(enabled);
}

void TOBfrSettings::ShowState(bool connected, bool running, bool paused, bool logging, bool takeFocus)
{
    bStartStop->setEnabled(connected || running);
    bStartStop->setText(running ? tr("Stop") : tr("Start"));
    bPause->setEnabled(running);
    bPause->setText(paused ? tr("Continue") : tr("Pause"));
    const bool fileEditable = logging && connected && !running;
    bBrowseCsv->setEnabled(fileEditable);
    eCsvFilename->setEnabled(fileEditable);
    if (fileEditable || !running) {
        QPalette palette = eCsvFilename->palette();
        palette.setColor(QPalette::Base, fileEditable ? this->palette().color(QPalette::Base)
                                                      : this->palette().color(QPalette::Midlight));
        eCsvFilename->setPalette(palette);
    }
    EnableMeasurementControls(connected && !running);
    bDisconnect->setEnabled(connected && !running);
    setVisible(connected || running);
    if (takeFocus && bStartStop->isEnabled() && isVisible())
        bStartStop->setFocus();
}

bool TOBfrSettings::TestOpenCsv(bool append) const
{
    const QString name = GetCsvFileName();
    if (name.isEmpty())
        return false;
    QFile file(name);
    const QIODevice::OpenMode mode =
        append ? QIODevice::WriteOnly | QIODevice::Append : QIODevice::WriteOnly | QIODevice::Truncate;
    if (!file.open(mode))
        return false;
    file.close();
    return file.error() == QFileDevice::NoError;
}

void TOBfrSettings::cbPreDefsChange(QComboBox *sender)
{
    const int value = sender->currentData().toInt();
    if (sender == cbPreDefIntervals)
        seInterval->setValue(value);
    else
        seChartLen->setValue(value);
}

void TOBfrSettings::bBrowseCsvClick()
{
    if (GetCsvFileName().isEmpty()) {
        odBrowseCsv->setDirectory(DocumentsDir);
        odBrowseCsv->selectFile(m_device ? m_device->SerialText : QString());
    }
    if (!m_runFileDialog(*odBrowseCsv))
        return;
    const QStringList chosen = odBrowseCsv->selectedFiles();
    if (chosen.isEmpty())
        return;
    QString name = chosen.first().trimmed();
    if (QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".csv");
    SetCsvFileName(name);
}

void TOBfrSettings::cbLogToCsvClick()
{
    Refresh();
    if (cbLogToCsv->isChecked() && GetCsvFileName().isEmpty())
        bBrowseCsvClick();
}

void TOBfrSettings::bPauseClick()
{
    if (m_reader)
        m_reader->TogglePause();
    Refresh();
}

void TOBfrSettings::bDisconnectClick()
{
    if (m_host)
        m_host->RequestDisconnect();
}

void TOBfrSettings::bStartStopClick()
{
    // A tick that waits for the device lets events through; Start or Stop must not run inside it.
    if (CSection.IsBusy())
        return;
    const TCSectionGuard busy;
    if (IsRunning()) {
        Stop();
    } else {
        const bool autoStarted = AutoStarted;
        AutoStarted = false;
        Start(autoStarted);
    }
    Refresh();
}

void TOBfrSettings::Stop()
{
    m_reader->StopReading();
    SettleWaitingRecords();
    // The reader flushes its records and tells its views first; its frame goes after it.
    m_reader.reset();
    delete m_readerFrame.data();
}

// Records the file did not take (a full disk) would go with the reader: the user may make room
// and try again, or let them go knowingly.
void TOBfrSettings::SettleWaitingRecords()
{
    TRecFile *file = m_reader->RecFile();
    while (file != nullptr && file->PendingCount() > 0 && !file->FlushPending()) {
        const QString text = tr("%1 records wait for the CSV file %2, which does not take them: %3\n\n"
                                "Make room and choose Retry, or Cancel to discard them.")
                                 .arg(file->PendingCount())
                                 .arg(file->FilePath(), file->LastError());
        if (TDialogs::MessageDlgStd(text, TMsgKind::Warning, {TMsgButton::Retry, TMsgButton::Cancel}) !=
            TDialogs::mrRetry)
            return;
    }
}

void TOBfrSettings::Start(bool autoStarted)
{
    if (!m_device)
        return;
    if (AllEthernetChannelsAbsent()) {
        TDialogs::ShowMessageKind(
            tr("All channels (probes) are disabled. Use Calidor (configuration program) to "
               "enable at least one channel."),
            TMsgKind::Information);
        return;
    }
    if (m_host)
        m_host->SaveSettings();
    const TCsvMode csv = SettleCsvFile(autoStarted);
    if (csv == TCsvMode::Cancelled || csv == TCsvMode::Failed)
        return;

    // A reader of an earlier measurement that stopped by itself goes before a new one comes.
    m_reader.reset();
    delete m_readerFrame.data();
    m_reader = CreateReader(*m_device, m_player, ReaderSettings());
    if (!m_reader) {
        TDialogs::MessageDlgStd(tr("Unknown sensor family."), TMsgKind::Error, {TMsgButton::OK});
        return;
    }
    if (m_host)
        m_host->ShowCsvState(QString());
    m_csvStateView = std::make_unique<TCsvStateView>([this](const QString &state) {
        if (m_host)
            m_host->ShowCsvState(state);
    });
    m_reader->AddView(m_csvStateView.get());
    CreateReaderFrame();
    m_reader->StartReading();
    if (m_readerFrame && m_host)
        m_host->OutputNeeds(m_readerFrame->sizeHint().expandedTo(m_readerFrame->minimumSizeHint()));
}

TReaderSettings TOBfrSettings::ReaderSettings() const
{
    const QFileInfo csvFile(GetCsvFileName());
    TReaderSettings settings;
    settings.CsvFolder = csvFile.path();
    settings.CsvFileName = csvFile.fileName();
    settings.LogToCsv = IsLogToCsv();
    settings.ChartPoints = TReaderCore::ChartPointsOf(GetChartLength(), GetInterval());
    settings.IntervalSec = GetInterval();
    settings.Acoustic = Acoustic;
    settings.BrandingFilePath = BrandingIniPath;
    return settings;
}

bool TOBfrSettings::AllEthernetChannelsAbsent() const
{
    const TDeviceConnection &device = *m_device;
    if (device.SensType.GetFamily() != 2)
        return false;
    for (int slot : EthernetChannelSlots)
        if (device.GetQuantity(slot).GetQuanType() != 0)
            return false;
    return true;
}

TOBfrSettings::TCsvMode TOBfrSettings::SettleCsvFile(bool autoStarted)
{
    if (!IsLogToCsv())
        return TCsvMode::None;
    if (GetCsvFileName().isEmpty()) {
        TDialogs::ShowMessageKind(tr("Csv filename required."), TMsgKind::Information);
        return TCsvMode::Cancelled;
    }
    TCsvMode mode = TCsvMode::Overwrite;
    const bool exists = QFileInfo::exists(GetCsvFileName());
    // An automatic start (after a reboot, say) continues the log: nobody chose to discard it.
    if (exists && autoStarted) {
        mode = TCsvMode::Append;
    } else if (exists) {
        enum { Overwrite = 1, Append = 2, Cancel = 3 };
        const int answer = TDialogs::MessageDlgCustom(
            tr("Csv file already exists."), QString(), TMsgKind::Confirmation, Cancel, Overwrite,
            tr("Overwrite"), tr("Append"), tr("Cancel"), QString(), QString(), true);
        if (answer == Append)
            mode = TCsvMode::Append;
        else if (answer != Overwrite)
            return TCsvMode::Cancelled;
    }
    if (!TestOpenCsv(mode == TCsvMode::Append)) {
        TDialogs::MessageDlgStd(tr("Unable to open CSV file for logging."), TMsgKind::Error,
                                {TMsgButton::OK});
        return TCsvMode::Failed;
    }
    return mode;
}

void TOBfrSettings::CreateReaderFrame()
{
    if (!m_readerFrameFactory)
        return;
    QWidget *frame = m_readerFrameFactory(*m_reader, pOutPut);
    if (!frame)
        return;
    m_readerFrame = frame;
    // Centred in the output area, which scrolls when the device has more rows than fit.
    auto *scroller = new QScrollArea(pOutPut);
    scroller->setObjectName(QStringLiteral("sbOutPut"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setAlignment(Qt::AlignCenter);
    scroller->setWidgetResizable(true);
    scroller->setWidget(frame);
    pOutPut->layout()->addWidget(scroller);
    // The scroller goes with the frame.
    connect(frame, &QObject::destroyed, scroller, &QObject::deleteLater);
    frame->show();
}

void TOBfrSettings::Refresh()
{
    if (m_host)
        m_host->UpdateInterfaceState();
}
