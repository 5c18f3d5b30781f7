#include "alarms/uOBfAcousticSettings.h"

#include "base/uDialogs.h"
#include "platform/SoundPlayer.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

namespace
{

constexpr int MinInterval = 1;
constexpr int MaxInterval = 300;
constexpr int DefaultInterval = 10;
const QString DefaultAlias = QStringLiteral("SystemExclamation");

template <typename T> T *Named(T *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// The filter is kept in the form "description|patterns"; Qt's dialog takes the description
// with its patterns in parentheses and matches them without regard to case.
QString QtFilter(const QString &filter)
{
    return filter.section(QLatin1Char('|'), 0, 0);
}

QString DefaultChooser(QWidget *parent, const QString &filter, const QString &start)
{
    return QFileDialog::getOpenFileName(parent, QString(), start, QtFilter(filter));
}

} // namespace

TOBfAcousticSettings::TOBfAcousticSettings(ISoundPlayer &player, const QList<TSystemSound> &sounds,
                                           QWidget *parent)
    : QDialog(parent), dlgOpenDialog(DefaultChooser), m_player(player)
{
    setObjectName(QStringLiteral("OBfAcousticSettings"));
    setWindowTitle(tr("Acoustic alarm settings"));
    BuildControls();
    FormCreate(sounds);
}

TOBfAcousticSettings::TOBfAcousticSettings(ISoundPlayer &player, QWidget *parent)
    : TOBfAcousticSettings(player, Sound::SystemSoundList(), parent)
{
}

void TOBfAcousticSettings::BuildControls()
{
    gbAlarmAcoustic = Named(new QGroupBox(this), "gbAlarmAcoustic");
    // The switch sits on the group box's frame: the box's own check box.
    cbEnableAcoustic = Named(new QCheckBox(tr("Acoustic alarms"), this), "cbEnableAcoustic");
    rbSystemSound = Named(new QRadioButton(tr("System sound:"), gbAlarmAcoustic), "rbSystemSound");
    cbSystemSounds = Named(new QComboBox(gbAlarmAcoustic), "cbSystemSounds");
    rbSoundFile = Named(new QRadioButton(tr("Other sound:"), gbAlarmAcoustic), "rbSoundFile");
    eSoundFile = Named(new QLineEdit(gbAlarmAcoustic), "eSoundFile");
    bOpenSoundFile = Named(new QPushButton(QStringLiteral("..."), gbAlarmAcoustic), "bOpenSoundFile");
    bSoundTest = Named(new QPushButton(tr("Test"), gbAlarmAcoustic), "bSoundTest");
    rbPlayOnce =
        Named(new QRadioButton(tr("Play sound once when the value is read"), gbAlarmAcoustic), "rbPlayOnce");
    rbPlayDuringAlarm =
        Named(new QRadioButton(tr("Play sound repeatedly during alarm is on"), gbAlarmAcoustic),
              "rbPlayDuringAlarm");
    rbPlayUntilUserInterrupts =
        Named(new QRadioButton(tr("Play sound repeatedly until user interrupts"), gbAlarmAcoustic),
              "rbPlayUntilUserInterrupts");
    lRepeatIntervalInfo = Named(new QLabel(tr("Play sound every"), gbAlarmAcoustic), "lRepeatIntervalInfo");
    seRepeatInterval = Named(new QSpinBox(gbAlarmAcoustic), "seRepeatInterval");
    seRepeatInterval->setRange(MinInterval, MaxInterval);
    seRepeatInterval->setValue(DefaultInterval);
    lRepeatIntervalUnit = Named(new QLabel(tr("seconds"), gbAlarmAcoustic), "lRepeatIntervalUnit");
    bOk = Named(new QPushButton(tr("OK"), this), "bOk");
    bOk->setDefault(true);
    bStorno = Named(new QPushButton(tr("Cancel"), this), "bStorno");

    // The two groups of radio buttons are exclusive each within itself.
    auto *soundKind = new QButtonGroup(this);
    soundKind->addButton(rbSystemSound);
    soundKind->addButton(rbSoundFile);
    auto *playKind = new QButtonGroup(this);
    for (QRadioButton *rb : {rbPlayOnce, rbPlayDuringAlarm, rbPlayUntilUserInterrupts})
        playKind->addButton(rb);
    rbSystemSound->setChecked(true);
    rbPlayOnce->setChecked(true);

    auto *grid = new QGridLayout(gbAlarmAcoustic);
    grid->addWidget(rbSystemSound, 0, 0);
    grid->addWidget(cbSystemSounds, 0, 1, 1, 2);
    grid->addWidget(rbSoundFile, 1, 0);
    grid->addWidget(eSoundFile, 1, 1);
    grid->addWidget(bOpenSoundFile, 1, 2);
    grid->addWidget(bSoundTest, 2, 2);
    grid->addWidget(rbPlayOnce, 3, 0, 1, 3);
    grid->addWidget(rbPlayDuringAlarm, 4, 0, 1, 3);
    grid->addWidget(rbPlayUntilUserInterrupts, 5, 0, 1, 3);
    auto *interval = new QHBoxLayout;
    interval->addWidget(lRepeatIntervalInfo);
    interval->addWidget(seRepeatInterval);
    interval->addWidget(lRepeatIntervalUnit);
    interval->addStretch();
    grid->addLayout(interval, 6, 0, 1, 3);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bOk);
    buttons->addWidget(bStorno);
    auto *main = new QVBoxLayout(this);
    main->addWidget(cbEnableAcoustic);
    main->addWidget(gbAlarmAcoustic);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    connect(cbEnableAcoustic, &QCheckBox::clicked, this, &TOBfAcousticSettings::cbEnableAcousticClick);
    for (QRadioButton *rb : {rbSystemSound, rbSoundFile})
        connect(rb, &QRadioButton::clicked, this, &TOBfAcousticSettings::rbSoundTypeClick);
    for (QRadioButton *rb : {rbPlayOnce, rbPlayDuringAlarm, rbPlayUntilUserInterrupts})
        connect(rb, &QRadioButton::clicked, this, &TOBfAcousticSettings::rbPlayTypeClick);
    connect(bOpenSoundFile, &QPushButton::clicked, this, &TOBfAcousticSettings::bOpenSoundFileClick);
    connect(bSoundTest, &QPushButton::clicked, this, &TOBfAcousticSettings::bSoundTestClick);
    connect(bOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(bStorno, &QPushButton::clicked, this, &QDialog::reject);
    cbEnableAcousticClick();
}

void TOBfAcousticSettings::FormCreate(const QList<TSystemSound> &sounds)
{
    for (const TSystemSound &s : sounds) {
        if (s.Label.isEmpty())
            continue;
        cbSystemSounds->addItem(s.Label);
        SoundAliases << s.Alias;
    }
    int index = 0;
    for (int i = 0; i < SoundAliases.size(); ++i) {
        if (SoundAliases[i].compare(DefaultAlias, Qt::CaseInsensitive) == 0) {
            index = i;
            break;
        }
    }
    cbSystemSounds->setCurrentIndex(SoundAliases.isEmpty() ? -1 : index);
}

QList<QWidget *> TOBfAcousticSettings::GroupControls() const
{
    return {rbSystemSound,       cbSystemSounds,   eSoundFile,          bOpenSoundFile,
            bSoundTest,          rbPlayOnce,       rbPlayDuringAlarm,   rbPlayUntilUserInterrupts,
            lRepeatIntervalInfo, seRepeatInterval, lRepeatIntervalUnit, rbSoundFile};
}

void TOBfAcousticSettings::cbEnableAcousticClick()
{
    const bool enabled = cbEnableAcoustic->isChecked();
    for (QWidget *w : GroupControls())
        w->setEnabled(enabled);
    if (enabled) {
        rbSoundTypeClick();
        rbPlayTypeClick();
    }
}

void TOBfAcousticSettings::rbSoundTypeClick()
{
    if (!cbEnableAcoustic->isChecked())
        return;
    cbSystemSounds->setEnabled(rbSystemSound->isChecked());
    eSoundFile->setEnabled(rbSoundFile->isChecked());
    bOpenSoundFile->setEnabled(rbSoundFile->isChecked());
}

void TOBfAcousticSettings::rbPlayTypeClick()
{
    if (!cbEnableAcoustic->isChecked())
        return;
    const bool repeats = !rbPlayOnce->isChecked();
    for (QWidget *w :
         std::initializer_list<QWidget *>{lRepeatIntervalInfo, seRepeatInterval, lRepeatIntervalUnit})
        w->setEnabled(repeats);
}

void TOBfAcousticSettings::bOpenSoundFileClick()
{
    const QString chosen =
        dlgOpenDialog(this, tr("Sound files (*.wav)|*.WAV"), QFileInfo(eSoundFile->text()).path());
    if (chosen.isEmpty())
        return;
    if (QStringLiteral(".") + QFileInfo(chosen).suffix().toUpper() == QStringLiteral(".WAV"))
        eSoundFile->setText(QFileInfo(chosen).absoluteFilePath());
    else
        TDialogs::ShowMessageKind(tr("Only *.wav files are allowed!"), TMsgKind::Error);
}

void TOBfAcousticSettings::bSoundTestClick()
{
    if (rbSystemSound->isChecked()) {
        const QString alias = GetSystemSound();
        if (!alias.isEmpty())
            m_player.PlaySystemSound(alias);
    } else {
        m_player.PlayFile(eSoundFile->text());
    }
}

void TOBfAcousticSettings::SetSoundMode(TSoundMode mode)
{
    rbSystemSound->setChecked(true);
    if (mode == TSoundMode::SystemSound || mode == TSoundMode::SoundFile) {
        cbEnableAcoustic->setChecked(true);
        (mode == TSoundMode::SystemSound ? rbSystemSound : rbSoundFile)->setChecked(true);
    } else {
        cbEnableAcoustic->setChecked(false);
    }
    cbEnableAcousticClick();
}

void TOBfAcousticSettings::SetSystemSound(const QString &alias)
{
    int index = SoundAliases.indexOf(alias);
    if (index < 0)
        index = SoundAliases.indexOf(DefaultAlias);
    if (index < 0 && !SoundAliases.isEmpty())
        index = 0;
    cbSystemSounds->setCurrentIndex(index);
}

void TOBfAcousticSettings::SetSoundFile(const QString &path)
{
    eSoundFile->setText(path);
}

void TOBfAcousticSettings::SetRepeatInterval(int seconds)
{
    seRepeatInterval->setValue(seconds < MinInterval || seconds > MaxInterval ? DefaultInterval : seconds);
}

void TOBfAcousticSettings::SetRepeatMode(TRepeatMode mode)
{
    (mode == TRepeatMode::UntilUserInterrupt ? rbPlayUntilUserInterrupts
     : mode == TRepeatMode::DuringAlarm      ? rbPlayDuringAlarm
                                             : rbPlayOnce)
        ->setChecked(true);
    rbPlayTypeClick();
}

TSoundMode TOBfAcousticSettings::GetSoundMode() const
{
    if (!cbEnableAcoustic->isChecked())
        return TSoundMode::Disabled;
    return rbSystemSound->isChecked() ? TSoundMode::SystemSound : TSoundMode::SoundFile;
}

QString TOBfAcousticSettings::GetSystemSound() const
{
    const int index = cbSystemSounds->currentIndex();
    return index >= 0 && index < SoundAliases.size() ? SoundAliases[index] : QString();
}

QString TOBfAcousticSettings::GetSoundFile() const
{
    return eSoundFile->text();
}

int TOBfAcousticSettings::GetRepeatInterval() const
{
    return seRepeatInterval->value();
}

TRepeatMode TOBfAcousticSettings::GetRepeatMode() const
{
    if (rbPlayUntilUserInterrupts->isChecked())
        return TRepeatMode::UntilUserInterrupt;
    return rbPlayDuringAlarm->isChecked() ? TRepeatMode::DuringAlarm : TRepeatMode::Once;
}

void TOBfAcousticSettings::SetSettings(const TAcousticSettings &s)
{
    SetSoundMode(s.SoundMode);
    SetSystemSound(s.SystemSound);
    SetSoundFile(s.SoundFile);
    SetRepeatInterval(s.RepeatInterval);
    SetRepeatMode(s.RepeatMode);
}

TAcousticSettings TOBfAcousticSettings::GetSettings() const
{
    return {GetSoundMode(), GetSystemSound(), GetSoundFile(), GetRepeatInterval(), GetRepeatMode()};
}

void TOBfAcousticSettings::showEvent(QShowEvent *event)
{
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

bool ShowAcousticSettings(QWidget *parent, ISoundPlayer &player, TAcousticSettings &settings)
{
    TOBfAcousticSettings dialog(player, parent);
    dialog.SetSettings(settings);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    settings = dialog.GetSettings();
    return true;
}
