#include "shell/uSettingsModel.h"

#include "base/uSettingsStore.h"
#include "model/uOBGlob.h"

using namespace SettingsKeys;

namespace
{

std::uint8_t IndexOfExactName(const QStringList &names, const QString &name)
{
    const qsizetype index = names.indexOf(name);
    return index < 0 ? 0 : static_cast<std::uint8_t>(index);
}

QString NameOrFirst(const QStringList &names, int index)
{
    return index >= 0 && index < names.size() ? names[index] : names.first();
}

} // namespace

TUserAlarmSlot TUserAlarmSlot::From(const TLangQuan &quantity)
{
    return {quantity.LimitsEnabled, quantity.HiLim,          quantity.LoLim,
            quantity.Hyst,          quantity.AlarmOnClosing, quantity.AlarmOnOpening};
}

void TUserAlarmSlot::ApplyTo(TLangQuan &quantity) const
{
    quantity.LimitsEnabled = LimitsEnabled;
    quantity.HiLim = HiLim;
    quantity.LoLim = LoLim;
    quantity.Hyst = Hyst;
    quantity.AlarmOnClosing = AlarmOnClosing;
    quantity.AlarmOnOpening = AlarmOnOpening;
}

TSoundMode SoundModeFromName(const QString &name)
{
    return static_cast<TSoundMode>(IndexOfExactName(SoundModeNames(), name));
}

QString SoundModeName(TSoundMode mode)
{
    return NameOrFirst(SoundModeNames(), ChoiceIndex(mode));
}

TRepeatMode RepeatModeFromName(const QString &name)
{
    return static_cast<TRepeatMode>(IndexOfExactName(RepetitionModeNames(), name));
}

QString RepeatModeName(TRepeatMode mode)
{
    return NameOrFirst(RepetitionModeNames(), ChoiceIndex(mode));
}

TProtocol ProtocolFromName(const QString &name)
{
    return ProtocolOfName(name).value_or(TProtocol::Ethernet);
}

QString ProtocolName(TProtocol protocol)
{
    return NameOrFirst(ProtocolNames(), ChoiceIndex(protocol));
}

int BaudRateListIndex(int rate)
{
    const QList<TTextValue> rates = BaudRates();
    for (qsizetype i = 0; i < rates.size(); ++i)
        if (rates[i].Value == rate)
            return static_cast<int>(i);
    return 0;
}

void TMainSettings::Load(const TSettingsStore &user, const TSettingsStore *machine)
{
    LanguageSetting = user.ReadString(SecOptions, KeyLanguage, DefLanguage);
    if (LanguageSetting == DefLanguage && machine)
        LanguageSetting = machine->ReadString(SecOptions, KeyLanguage, DefLanguage);
    PopupHidable = user.ReadBool(SecPopupWindow, KeyHidable, DefHidable);

    Protocol = ProtocolFromName(user.ReadString(SecConnection, KeyProtocol, DefProtocol));
    IP = user.ReadString(SecConnection, KeyIpAddress, DefIpAddress);
    TcpPort = user.ReadInteger(SecConnection, KeyTcpPort, DefTcpPort);
    Timeout = user.ReadInteger(SecConnection, KeyTimeout, DefTimeout);
    ComPort = user.ReadInteger(SecConnection, KeyComPort, DefComPort);
    Speed = user.ReadInteger(SecConnection, KeySpeed, DefSpeed);
    SlaveAddress = user.ReadInteger(SecConnection, KeySlaveAddr, DefSlaveAddr);

    LogToCsv = user.ReadBool(SecSettings, KeyLogToCsv, DefLogToCsv);
    CsvName = user.ReadString(SecSettings, KeyCsvName, DefCsvName);
    Interval = user.ReadInteger(SecSettings, KeyInterval, DefInterval);
    GraphLength = user.ReadInteger(SecSettings, KeyGraphLen, DefGraphLen);
    Acoustic.SoundMode = SoundModeFromName(user.ReadString(SecSettings, KeyAcousticAlarm, DefAcousticAlarm));
    Acoustic.SystemSound = user.ReadString(SecSettings, KeyAcSystemSound, DefAcSystemSound);
    Acoustic.SoundFile = user.ReadString(SecSettings, KeyAcSoundFile, DefAcSoundFile);
    Acoustic.RepeatInterval = user.ReadInteger(SecSettings, KeyAcInterval, DefAcInterval);
    Acoustic.RepeatMode = RepeatModeFromName(user.ReadString(SecSettings, KeyAcRepeatType, DefAcRepeatType));

    const QRect window(user.ReadInteger(SecMainWindow, KeyWindowLeft, 0),
                       user.ReadInteger(SecMainWindow, KeyWindowTop, 0),
                       user.ReadInteger(SecMainWindow, KeyWindowWidth, 0),
                       user.ReadInteger(SecMainWindow, KeyWindowHeight, 0));
    WindowGeometry = window.isValid() ? window : QRect();

    for (int slot = 0; slot < UserAlarmSlotCount; ++slot) {
        TLangQuan quantity;
        LoadUserAlarmSlot(user, slot, quantity);
        UserAlarms[slot] = TUserAlarmSlot::From(quantity);
    }
}

void TMainSettings::Save(TSettingsStore &user) const
{
    user.WriteString(SecOptions, KeyLanguage, LanguageSetting);
    user.WriteBool(SecPopupWindow, KeyHidable, PopupHidable);

    user.WriteString(SecConnection, KeyProtocol, ProtocolName(Protocol));
    user.WriteString(SecConnection, KeyIpAddress, IP);
    user.WriteInteger(SecConnection, KeyTcpPort, TcpPort);
    user.WriteInteger(SecConnection, KeyTimeout, Timeout);
    user.WriteInteger(SecConnection, KeyComPort, ComPort);
    user.WriteInteger(SecConnection, KeySpeed, Speed);
    user.WriteInteger(SecConnection, KeySlaveAddr, Protocol == TProtocol::RS485 ? SlaveAddress : 1);

    user.WriteBool(SecSettings, KeyLogToCsv, LogToCsv);
    user.WriteString(SecSettings, KeyCsvName, CsvName);
    user.WriteInteger(SecSettings, KeyInterval, Interval);
    user.WriteInteger(SecSettings, KeyGraphLen, GraphLength);
    user.WriteString(SecSettings, KeyAcousticAlarm, SoundModeName(Acoustic.SoundMode));
    user.WriteString(SecSettings, KeyAcSystemSound, Acoustic.SystemSound);
    user.WriteString(SecSettings, KeyAcSoundFile, Acoustic.SoundFile);
    user.WriteInteger(SecSettings, KeyAcInterval, Acoustic.RepeatInterval);
    user.WriteString(SecSettings, KeyAcRepeatType, RepeatModeName(Acoustic.RepeatMode));

    if (WindowGeometry.isValid()) {
        user.WriteInteger(SecMainWindow, KeyWindowLeft, WindowGeometry.x());
        user.WriteInteger(SecMainWindow, KeyWindowTop, WindowGeometry.y());
        user.WriteInteger(SecMainWindow, KeyWindowWidth, WindowGeometry.width());
        user.WriteInteger(SecMainWindow, KeyWindowHeight, WindowGeometry.height());
    }

    for (int slot = 0; slot < UserAlarmSlotCount; ++slot) {
        TLangQuan quantity;
        UserAlarms[slot].ApplyTo(quantity);
        SaveUserAlarmSlot(user, slot, quantity);
    }
}
