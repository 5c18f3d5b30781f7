#pragma once

// The acoustic alarm settings dialog: whether alarms sound, which sound (a named event sound
// or a WAV file), and how it repeats; Test plays the chosen sound.
//
//   TAcousticSettings s = frame.Acoustic; if (ShowAcousticSettings(this, player, s)) frame.Acoustic = s;

#include "model/uAcousticSettings.h"
#include "platform/SystemSounds.h"

#include <QDialog>
#include <QStringList>

#include <cstdint>
#include <functional>

class ISoundPlayer;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

class TOBfAcousticSettings : public QDialog
{
    Q_OBJECT

public:
    // Chooses a file to open; returns its full path, empty when cancelled.
    using TFileChooser = std::function<QString(QWidget *parent, const QString &filter, const QString &start)>;

    TOBfAcousticSettings(ISoundPlayer &player, const QList<TSystemSound> &sounds, QWidget *parent = nullptr);
    // With the sounds of the desktop's theme.
    explicit TOBfAcousticSettings(ISoundPlayer &player, QWidget *parent = nullptr);

    void SetSoundMode(TSoundMode mode);
    void SetSystemSound(const QString &alias);
    void SetSoundFile(const QString &path);
    void SetRepeatInterval(int seconds);
    void SetRepeatMode(TRepeatMode mode);
    TSoundMode GetSoundMode() const;
    QString GetSystemSound() const;
    QString GetSoundFile() const;
    int GetRepeatInterval() const;
    TRepeatMode GetRepeatMode() const;

    void SetSettings(const TAcousticSettings &s);
    TAcousticSettings GetSettings() const;

    // The file dialog behind "..."; tests put their own in.
    TFileChooser dlgOpenDialog;

    QStringList SoundAliases; // parallel to the items of cbSystemSounds

    QGroupBox *gbAlarmAcoustic = nullptr;
    QCheckBox *cbEnableAcoustic = nullptr;
    QRadioButton *rbSystemSound = nullptr;
    QComboBox *cbSystemSounds = nullptr;
    QRadioButton *rbSoundFile = nullptr;
    QLineEdit *eSoundFile = nullptr;
    QPushButton *bOpenSoundFile = nullptr;
    QPushButton *bSoundTest = nullptr;
    QRadioButton *rbPlayOnce = nullptr;
    QRadioButton *rbPlayDuringAlarm = nullptr;
    QRadioButton *rbPlayUntilUserInterrupts = nullptr;
    QLabel *lRepeatIntervalInfo = nullptr;
    QSpinBox *seRepeatInterval = nullptr;
    QLabel *lRepeatIntervalUnit = nullptr;
    QPushButton *bOk = nullptr;
    QPushButton *bStorno = nullptr;

public Q_SLOTS:
    void cbEnableAcousticClick();
    void rbSoundTypeClick();
    void rbPlayTypeClick();
    void bOpenSoundFileClick();
    void bSoundTestClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void BuildControls();
    void FormCreate(const QList<TSystemSound> &sounds);
    QList<QWidget *> GroupControls() const;

    ISoundPlayer &m_player;
};

// Shows the dialog modally with the settings; after OK writes the dialog's values into
// them and returns true.
bool ShowAcousticSettings(QWidget *parent, ISoundPlayer &player, TAcousticSettings &settings);
