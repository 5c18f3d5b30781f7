#include "logging/uRecFile.h"
#include "model/uOBGlob.h"
#include "model/uSensType.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace
{

const QLocale German(QLocale::German, QLocale::Germany);
const QLocale English(QLocale::English, QLocale::UnitedStates);

std::unique_ptr<TLangQuan> Quantity(int type, double value, int number = 0)
{
    auto q = std::make_unique<TLangQuan>();
    q->SetQuanType(type);
    q->Number = number;
    q->Value = value;
    return q;
}

std::unique_ptr<TLangQuanEx> DeviceQuantity(const QString &name, const QString &unit, int decimals,
                                            double value, std::uint32_t raw)
{
    auto q = std::make_unique<TLangQuanEx>();
    q->SetQuanType(TQuantity::qtComputed);
    q->CustomName = name;
    q->CustomUnit = unit;
    q->CustomDecimals = static_cast<std::uint8_t>(decimals);
    q->Value = value;
    q->RawReading = raw;
    return q;
}

// As std::string so that a mismatch prints as readable text.
std::string ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

// Lets this whole process write files only up to `limit` bytes while it lives: a write across
// the limit stops there and the rest fails (EFBIG, with SIGXFSZ ignored instead of ending the
// process). Both are restored at once when it goes, so keep it to the few lines that need it.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 limit)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_saved;
        lowered.rlim_cur = static_cast<rlim_t>(limit);
        m_ok = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool ok() const { return m_ok; }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = SIG_DFL;
    bool m_ok = false;
};

qint64 FileSize(const QString &path)
{
    return QFileInfo(path).size();
}

// A record file in a temporary folder whose clock starts at 2024-03-05 14:07:09 and moves one
// second per call (the first call names the file), so records written later show later times.
class RecFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QDateTime now{QDate(2024, 3, 5), QTime(14, 7, 9)};
    TSensType sensor;
    TErrMessageList errors;

    std::unique_ptr<TRecFile> MakeFile(const QLocale &locale = German, const QString &branding = QString(),
                                       const TErrMessageList *list = nullptr)
    {
        auto file = std::make_unique<TRecFile>(
            list ? *list : errors,
            branding.isEmpty() ? dir.filePath(QStringLiteral("no-branding.ini")) : branding,
            [this] {
                const QDateTime t = now;
                now = now.addSecs(1);
                return t;
            },
            locale);
        file->SetFolder(dir.path());
        file->FileName = QStringLiteral("log.csv");
        file->SensorType = &sensor;
        return file;
    }
    QString LogPath() const { return dir.filePath(QStringLiteral("log.csv")); }
};

} // namespace

TEST_F(RecFileTest, FarvoLogIsWrittenByteForByte)
{
    sensor.SetKind(3);
    auto temperature = Quantity(TQuantity::qtTemperature, 21.5);
    auto humidity = Quantity(TQuantity::qtRelativeHumidity, 45.25);
    auto input = Quantity(TQuantity::qtBinaryInput, 1.0, 1);
    auto rec = MakeFile();
    rec->SerialNumber = QStringLiteral("12345");
    rec->Columns[0] = temperature.get();
    rec->Columns[1] = humidity.get();
    rec->Columns[5] = input.get();

    EXPECT_TRUE(rec->WriteRecord(true));
    EXPECT_TRUE(rec->HeaderWritten);
    EXPECT_TRUE(rec->WriteRecord(false));
    EXPECT_TRUE(rec->WriteRecord(false, QStringLiteral("Paused")));

    const QByteArray expected = "\xEF\xBB\xBF"
                                "\"Sensor type\";\"Serial number\"\r\n"
                                "\"H3030\";\"12345\"\r\n"
                                "\r\n"
                                "\"Local PC Date\";\"Local PC Time\";\"Temperature (\xC2\xB0"
                                "C)\";\"Relative humidity (%)\";\"Binary input 1\"\r\n"
                                "\"05.03.24\";\"14:07:10\";\"21,5\";\"45,3\";\"closed\";\"\"\r\n"
                                "\"05.03.24\";\"14:07:11\";\"\";\"\";\"\";\"Read error\"\r\n"
                                "\"05.03.24\";\"14:07:12\";\"\";\"\";\"\";\"Paused\"\r\n";
    EXPECT_EQ(ReadAll(LogPath()), expected.toStdString());
}

TEST_F(RecFileTest, DuskoLogIsWrittenByteForByte)
{
    sensor.SetKind(82);
    errors.SetListType(TErrMessageList::ltDusko);
    auto flow = DeviceQuantity(QStringLiteral("Flow \"A"), QStringLiteral("l/s"), 2, 1234.5, 0x449A5000);
    auto level = DeviceQuantity(QStringLiteral("Level"), QString(), 0, 0.0, 0x7F800000);
    auto rec = MakeFile(English);
    rec->SerialNumber = QStringLiteral("D-77");
    rec->AlterNames.Load(QString(), QString()); // no replacements
    rec->Columns[18] = flow.get();
    rec->Columns[19] = level.get();

    EXPECT_TRUE(rec->WriteRecord(true));

    // The quote in the device-defined name is doubled, so the cell stays one cell.
    const QByteArray expected = "\xEF\xBB\xBF"
                                "\"Sensor type\";\"Serial number\"\r\n"
                                "\"ED5822\";\"D-77\"\r\n"
                                "\r\n"
                                "\"Local PC Date\";\"Local PC Time\";\"Flow \"\"A (l/s)\";\"Level\"\r\n"
                                "\"3/5/24\";\"2:07:10 PM\";\"1234.50\";\"N/A\";\"\"\r\n";
    EXPECT_EQ(ReadAll(LogPath()), expected.toStdString());
}

TEST_F(RecFileTest, DeviceTextsStayInTheirCellsAndAreNeverRunAsFormulas)
{
    sensor.SetKind(82);
    errors.SetListType(TErrMessageList::ltDusko);
    struct Case {
        QString name;
        QString unit;
        const char *title; // the column title cell as written
    };
    const Case cases[] = {
        // Quotes, separators and line breaks a device may put into its channel texts.
        {QStringLiteral("a\";\"=1+1\";\"\r\nX"), QStringLiteral("u\"\n;"),
         "\"a\"\";\"\"=1+1\"\";\"\"  X (u\"\" ;)\""},
        {QStringLiteral("=HYPERLINK(1)"), QString(), "\"'=HYPERLINK(1)\""},
        {QStringLiteral("+1"), QStringLiteral("m"), "\"'+1 (m)\""},
        {QStringLiteral("-Flow"), QStringLiteral("l/s"), "\"'-Flow (l/s)\""},
        {QStringLiteral("@SUM"), QString(), "\"'@SUM\""},
        {QStringLiteral("Esc\x1b[2Jtab\tDEL\x7f C1\u0085"), QString(), "\"Esc [2Jtab DEL  C1 \""},
        {QStringLiteral("Level = 2"), QStringLiteral("-"), "\"Level = 2 (-)\""},
    };
    int run = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.title);
        // A value below zero is a number, not a text from the device: it keeps its minus sign.
        auto q = DeviceQuantity(c.name, c.unit, 1, -3.5, 0xC0600000);
        auto rec = MakeFile(English);
        rec->FileName = QStringLiteral("log%1.csv").arg(++run);
        rec->SerialNumber = QStringLiteral("-7");
        rec->AlterNames.Load(QString(), QString());
        rec->Columns[18] = q.get();
        ASSERT_TRUE(rec->WriteRecord(true));

        const QString text = QString::fromStdString(ReadAll(dir.filePath(rec->FileName)));
        const QStringList lines = text.split(QStringLiteral("\r\n"));
        ASSERT_EQ(lines.size(), 6) << text.toStdString(); // two header lines, a gap, titles, a record, end
        EXPECT_EQ(lines[1], QStringLiteral("\"ED5822\";\"'-7\""));
        EXPECT_EQ(lines[3],
                  QStringLiteral("\"Local PC Date\";\"Local PC Time\";") + QString::fromUtf8(c.title));
        EXPECT_TRUE(lines[4].endsWith(QStringLiteral(";\"-3.5\";\"\""))) << lines[4].toStdString();
        EXPECT_FALSE(text.contains(QChar(0x1b)));
    }
}

TEST_F(RecFileTest, ValueCellsFollowTheRulesInTheirOrder)
{
    errors.SetListType(TErrMessageList::ltGeneric);
    TErrMessageList gelmi(TErrMessageList::ltGelmi);
    struct Case {
        const char *name;
        int kind;
        int type;
        double value;
        bool readOK;
        const TErrMessageList *list;
        std::uint32_t raw;
        QString cell;
    };
    const Case cases[] = {
        {"failed read", 3, TQuantity::qtTemperature, 21.5, false, &errors, 0, QString()},
        {"failed Dusko read", 82, TQuantity::qtComputed, 21.5, false, &errors, 0x7F800000, QString()},
        {"Dusko error pattern", 82, TQuantity::qtComputed, 0.0, true, &gelmi, 0xFF800003,
         QStringLiteral("Error E3")},
        {"Dusko value above 999", 82, TQuantity::qtComputed, 5000.0, true, &gelmi, 0x459C4000,
         QStringLiteral("5000.0")},
        {"Dusko value below -999", 82, TQuantity::qtComputed, -2000.0, true, &gelmi, 0xC4FA0000,
         QStringLiteral("-2000.0")},
        {"CO2 -9998 is no value", 3, TQuantity::qtCO2Concentration, -9998.0, true, &errors, 0,
         QStringLiteral("----")},
        {"CO2 near -9998", 3, TQuantity::qtCO2Concentration, -9997.95, true, &errors, 0,
         QStringLiteral("----")},
        {"CO2 -9999 is a number", 3, TQuantity::qtCO2Concentration, -9999.0, true, &errors, 0,
         QStringLiteral("-9999")},
        {"CO2 below -9999", 3, TQuantity::qtCO2Concentration, -10000.0, true, &errors, 0,
         QStringLiteral("Error ")},
        {"CO2 above 999", 3, TQuantity::qtCO2Concentration, 5000.0, true, &errors, 0, QStringLiteral("5000")},
        {"temperature 999.9", 3, TQuantity::qtTemperature, 999.9, true, &errors, 0,
         QStringLiteral("Error 1")},
        {"temperature 999.0", 3, TQuantity::qtTemperature, 999.0, true, &errors, 0, QStringLiteral("999.0")},
        {"temperature -999.0", 3, TQuantity::qtTemperature, -999.0, true, &errors, 0,
         QStringLiteral("-999.0")},
        {"temperature -999.9", 3, TQuantity::qtTemperature, -999.9, true, &errors, 0,
         QStringLiteral("Error 2")},
        {"pressure above 999", 3, TQuantity::qtPressure, 1013.2, true, &errors, 0, QStringLiteral("1013.2")},
        {"binary input closed", 3, TQuantity::qtBinaryInput, 0.95, true, &errors, 0,
         QStringLiteral("closed")},
        {"binary input open", 3, TQuantity::qtBinaryInput, 0.0, true, &errors, 0, QStringLiteral("open")},
        {"binary input out of range", 3, TQuantity::qtBinaryInput, 1000.0, true, &errors, 0,
         QStringLiteral("Error 1")},
        {"relay closed", 3, TQuantity::qtRelayOutput, 1.0, true, &errors, 0, QStringLiteral("closed")},
        {"relay below -999", 3, TQuantity::qtRelayOutput, -1000.0, true, &errors, 0,
         QStringLiteral("Error 2")},
        {"CO2 level active", 3, TQuantity::qtCO2Level, 1.05, true, &errors, 0, QStringLiteral("active")},
        {"CO2 level inactive", 3, TQuantity::qtCO2Level, 0.5, true, &errors, 0, QStringLiteral("inactive")},
        {"Gelmi code N/A", 77, TQuantity::qtTemperature, -1100.0, true, &gelmi, 0, QStringLiteral("N/A")},
        {"Gelmi code E3", 77, TQuantity::qtTemperature, -1100.3, true, &gelmi, 0, QStringLiteral("Error E3")},
        {"Gelmi unknown code", 77, TQuantity::qtTemperature, -1200.0, true, &gelmi, 0,
         QStringLiteral("Error 2")},
        {"generic list", 77, TQuantity::qtTemperature, -1100.0, true, &errors, 0, QStringLiteral("Error 2")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        sensor.SetKind(c.kind);
        auto rec = MakeFile(English, QString(), c.list);
        std::unique_ptr<TLangQuan> q;
        if (c.kind == 82)
            q = DeviceQuantity(QStringLiteral("X"), QString(), 1, c.value, c.raw);
        else
            q = Quantity(c.type, c.value);
        EXPECT_EQ(rec->ValueCell(*q, c.readOK), c.cell);
    }
}

TEST_F(RecFileTest, HeaderPartsAppearOnlyWhenTheyHaveContent)
{
    sensor.SetKind(1);
    auto temperature = Quantity(TQuantity::qtTemperature, 20.0);
    auto absent = Quantity(TQuantity::qtNone, 0.0);
    const QString branding = dir.filePath(QStringLiteral("Ombrix.ini"));
    QFile ini(branding);
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[types]\n1001=My thermometer\n");
    ini.close();

    struct Case {
        const char *name;
        QString serial;
        bool withColumn;
        QByteArray header;
        QByteArray record;
    };
    const Case cases[] = {
        {"serial and a column", QStringLiteral("S1"), true,
         "\"Sensor type\";\"Serial number\"\r\n\"My thermometer\";\"S1\"\r\n\r\n"
         "\"Local PC Date\";\"Local PC Time\";\"Temperature (\xC2\xB0"
         "C)\"",
         "\"05.03.24\";\"14:07:10\";\"20,0\";\"\""},
        {"no serial", QString(), true,
         "\"Local PC Date\";\"Local PC Time\";\"Temperature (\xC2\xB0"
         "C)\"",
         "\"05.03.24\";\"14:07:10\";\"20,0\";\"\""},
        {"no column", QStringLiteral("S1"), false,
         "\"Sensor type\";\"Serial number\"\r\n\"My thermometer\";\"S1\"\r\n", ";\"Read error\""},
        {"neither", QString(), false, "", ";\"Read error\""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(LogPath());
        now = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9));
        auto rec = MakeFile(German, branding);
        rec->SerialNumber = c.serial;
        rec->Columns[0] = c.withColumn ? temperature.get() : absent.get();
        EXPECT_TRUE(rec->WriteRecord(c.withColumn));
        EXPECT_TRUE(rec->HeaderWritten);
        const QByteArray expected =
            "\xEF\xBB\xBF" + (c.header.isEmpty() ? QByteArray() : c.header + "\r\n") + c.record + "\r\n";
        EXPECT_EQ(ReadAll(LogPath()), expected.toStdString());
    }
}

TEST_F(RecFileTest, AppendingToAnExistingFileAddsASecondHeaderWithoutASecondMark)
{
    sensor.SetKind(3);
    auto temperature = Quantity(TQuantity::qtTemperature, 20.0);
    for (int run = 0; run < 2; ++run) {
        auto rec = MakeFile();
        rec->Columns[0] = temperature.get();
        EXPECT_TRUE(rec->WriteRecord(true));
    }
    const QByteArray header = "\"Local PC Date\";\"Local PC Time\";\"Temperature (\xC2\xB0"
                              "C)\"\r\n";
    EXPECT_EQ(ReadAll(LogPath()), ("\xEF\xBB\xBF" + header + "\"05.03.24\";\"14:07:10\";\"20,0\";\"\"\r\n" +
                                   header + "\"05.03.24\";\"14:07:12\";\"20,0\";\"\"\r\n")
                                      .toStdString());
}

TEST_F(RecFileTest, LinesWaitWhileTheFileCannotBeOpenedAndKeepTheirOrder)
{
    sensor.SetKind(3);
    auto temperature = Quantity(TQuantity::qtTemperature, 20.0);
    struct Case {
        const char *name;
        std::function<QString(const QString &base)> block; // returns the folder to log into
        std::function<void(const QString &base)> unblock;
    };
    const Case cases[] = {
        {"missing folder", [](const QString &base) { return base + QStringLiteral("/later"); },
         [](const QString &base) { QDir().mkpath(base + QStringLiteral("/later")); }},
        {"parent is a regular file",
         [](const QString &base) {
             QFile f(base + QStringLiteral("/blocker"));
             EXPECT_TRUE(f.open(QIODevice::WriteOnly));
             return base + QStringLiteral("/blocker");
         },
         [](const QString &base) {
             QFile::remove(base + QStringLiteral("/blocker"));
             QDir().mkpath(base + QStringLiteral("/blocker"));
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        now = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9));
        auto rec = MakeFile();
        rec->SetFolder(c.block(dir.path()));
        rec->Columns[0] = temperature.get();
        for (int i = 0; i < 3; ++i) {
            temperature->Value = 20.0 + i;
            EXPECT_FALSE(rec->WriteRecord(true)) << "the record waits";
        }
        EXPECT_EQ(rec->PendingCount(), 3);
        EXPECT_FALSE(rec->LastError().isEmpty());
        EXPECT_FALSE(rec->FlushPending());
        EXPECT_EQ(rec->PendingCount(), 3);
        EXPECT_EQ(rec->RecordsWritten(), 0U);

        c.unblock(dir.path());
        temperature->Value = 23.0;
        EXPECT_TRUE(rec->WriteRecord(true));
        EXPECT_EQ(rec->PendingCount(), 0);
        EXPECT_EQ(rec->RecordsWritten(), 4U);
        EXPECT_EQ(ReadAll(rec->FilePath()),
                  "\xEF\xBB\xBF\"Local PC Date\";\"Local PC Time\";\"Temperature (\xC2\xB0"
                  "C)\"\r\n"
                  "\"05.03.24\";\"14:07:10\";\"20,0\";\"\"\r\n"
                  "\"05.03.24\";\"14:07:11\";\"21,0\";\"\"\r\n"
                  "\"05.03.24\";\"14:07:12\";\"22,0\";\"\"\r\n"
                  "\"05.03.24\";\"14:07:13\";\"23,0\";\"\"\r\n");
        EXPECT_TRUE(rec->FlushPending()); // nothing left to write
    }
}

TEST_F(RecFileTest, ARecordTheDeviceRefusesWaitsWithTheReason)
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "needs /dev/full to make a write fail after a successful open";
    sensor.SetKind(3);
    auto temperature = Quantity(TQuantity::qtTemperature, 20.0);
    auto rec = MakeFile();
    rec->SetFolder(QStringLiteral("/dev"));
    rec->FileName = QStringLiteral("full");
    rec->Columns[0] = temperature.get();
    EXPECT_FALSE(rec->WriteRecord(true)); // the header fails: the record waits
    EXPECT_FALSE(rec->HeaderWritten);
    EXPECT_EQ(rec->PendingCount(), 1);
    EXPECT_TRUE(rec->LastError().contains(QStringLiteral("space"), Qt::CaseInsensitive))
        << rec->LastError().toStdString();

    // Writable again: the waiting record goes first, with the time of its own tick.
    rec->SetFolder(dir.path());
    rec->FileName = QStringLiteral("log.csv");
    EXPECT_TRUE(rec->WriteRecord(true));
    EXPECT_EQ(ReadAll(LogPath()), "\xEF\xBB\xBF\"Local PC Date\";\"Local PC Time\";\"Temperature (\xC2\xB0"
                                  "C)\"\r\n\"05.03.24\";\"14:07:10\";\"20,0\";\"\"\r\n"
                                  "\"05.03.24\";\"14:07:11\";\"20,0\";\"\"\r\n");
}

TEST_F(RecFileTest, ARecordThatDoesNotFitLeavesTheFileAsItWasAndWaitsForSpace)
{
    sensor.SetKind(3);
    auto temperature = Quantity(TQuantity::qtTemperature, 20.0);
    const QByteArray header = "\"Local PC Date\";\"Local PC Time\";\"Temperature (\xC2\xB0"
                              "C)\"\r\n";
    const auto record = [](int second) {
        return QByteArray("\"05.03.24\";\"14:07:") + QByteArray::number(second) + "\";\"20,0\";\"\"\r\n";
    };
    struct Case {
        const char *name;
        int recordsBefore; // written before the file fills up
        QByteArray after;  // the file once there is room again
    };
    const Case cases[] = {
        // The mark and the header go together, so the header still gets its mark.
        {"header into an empty file", 0, "\xEF\xBB\xBF" + header + record(10) + record(11) + record(12)},
        {"record after a record", 1,
         "\xEF\xBB\xBF" + header + record(10) + record(11) + record(12) + record(13)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(LogPath());
        QFile(LogPath()).open(QIODevice::WriteOnly); // an empty file, as "Overwrite" leaves it
        now = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9));
        auto rec = MakeFile();
        rec->Columns[0] = temperature.get();
        for (int i = 0; i < c.recordsBefore; ++i)
            ASSERT_TRUE(rec->WriteRecord(true));
        const std::string before = ReadAll(LogPath());
        {
            const FileSizeLimit full(FileSize(LogPath()) + 5); // room for a few bytes only
            ASSERT_TRUE(full.ok());
            EXPECT_FALSE(rec->WriteRecord(true));
            EXPECT_FALSE(rec->WriteRecord(true));
        }
        EXPECT_EQ(ReadAll(LogPath()), before);
        EXPECT_EQ(rec->HeaderWritten, c.recordsBefore > 0);
        EXPECT_EQ(rec->PendingCount(), 2);
        EXPECT_EQ(rec->LastError(), QStringLiteral("File too large"));

        EXPECT_TRUE(rec->WriteRecord(true));
        EXPECT_EQ(rec->PendingCount(), 0);
        EXPECT_EQ(rec->RecordsWritten(), static_cast<quint64>(c.recordsBefore + 3));
        EXPECT_EQ(ReadAll(LogPath()), c.after.toStdString());
    }
}

TEST_F(RecFileTest, PendingLinesThatFailPartWayAreWrittenOnceAndInOrder)
{
    sensor.SetKind(3);
    auto temperature = Quantity(TQuantity::qtTemperature, 20.0);
    auto rec = MakeFile();
    rec->SetFolder(dir.filePath(QStringLiteral("later"))); // missing: every line waits
    rec->Columns[0] = temperature.get();
    for (int i = 0; i < 3; ++i)
        ASSERT_FALSE(rec->WriteRecord(true));
    const QStringList lines = rec->Pending();
    ASSERT_EQ(lines.size(), 3);
    const auto bytesOf = [](const QStringList &texts) {
        QByteArray bytes;
        for (const QString &text : texts)
            bytes += text.toUtf8() + "\r\n";
        return bytes;
    };
    const QByteArray start = "\xEF\xBB\xBF" + bytesOf({rec->BuildHeader()});
    const QByteArray firstTwo = start + bytesOf(lines.mid(0, 2));

    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("later"))));
    {
        // The third record fits only in part.
        const FileSizeLimit full(firstTwo.size() + 5);
        ASSERT_TRUE(full.ok());
        EXPECT_FALSE(rec->FlushPending());
        EXPECT_EQ(rec->Pending(), lines.mid(2));
        EXPECT_FALSE(rec->AppendLine(QStringLiteral("next"))) << "waits behind the others";
    }
    EXPECT_EQ(ReadAll(rec->FilePath()), firstTwo.toStdString());
    EXPECT_EQ(rec->Pending(), lines.mid(2) << QStringLiteral("next"));

    EXPECT_TRUE(rec->FlushPending());
    EXPECT_EQ(rec->PendingCount(), 0);
    EXPECT_EQ(ReadAll(rec->FilePath()), (start + bytesOf(lines) + "next\r\n").toStdString());
}

TEST_F(RecFileTest, WaitingRecordsBeyondTheBoundDropTheOldest)
{
    sensor.SetKind(3);
    auto temperature = Quantity(TQuantity::qtTemperature, 20.0);
    // Every record of this file has the same length; the memory bound holds two of them.
    auto sample = MakeFile();
    sample->Columns[0] = temperature.get();
    const qint64 recordMemory = sample->BuildRecord(true).size() * qint64(sizeof(QChar));
    struct Case {
        const char *name;
        qint64 maxRecords;
        qint64 maxBytes;
    };
    const Case cases[] = {{"count", 3, TRecFile::DefaultMaxPendingBytes},
                          {"memory", 0, 2 * recordMemory + 1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto rec = MakeFile();
        rec->SetFolder(dir.filePath(QStringLiteral("missing-") + QLatin1String(c.name)));
        rec->Columns[0] = temperature.get();
        rec->MaxPendingRecords = c.maxRecords;
        rec->MaxPendingBytes = c.maxBytes;
        for (int i = 0; i < 6; ++i) {
            temperature->Value = 20.0 + i;
            EXPECT_FALSE(rec->WriteRecord(true));
        }
        const qint64 kept = c.maxRecords > 0 ? c.maxRecords : 2;
        ASSERT_EQ(rec->PendingCount(), kept);
        EXPECT_EQ(rec->RecordsDropped(), static_cast<quint64>(6 - kept));
        // The newest stay: the last record waiting is the last one written.
        EXPECT_TRUE(rec->Pending().constLast().contains(QStringLiteral("\"25,0\"")));
        EXPECT_TRUE(
            rec->Pending().constFirst().contains(QString::number(20 + 6 - kept) + QStringLiteral(",0")));
    }
}

TEST_F(RecFileTest, AFileFoundEmptyGetsTheHeaderBlockAgain)
{
    sensor.SetKind(3);
    auto temperature = Quantity(TQuantity::qtTemperature, 20.0);
    const QByteArray header = "\"Local PC Date\";\"Local PC Time\";\"Temperature (\xC2\xB0"
                              "C)\"\r\n";
    struct Case {
        const char *name;
        std::function<void(const QString &path)> rotate;
    };
    const Case cases[] = {
        {"moved away", [](const QString &path) { QFile::rename(path, path + QStringLiteral(".1")); }},
        {"cut to nothing", [](const QString &path) { QFile(path).resize(0); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(LogPath());
        now = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9));
        auto rec = MakeFile();
        rec->Columns[0] = temperature.get();
        ASSERT_TRUE(rec->WriteRecord(true));
        c.rotate(LogPath());
        ASSERT_TRUE(rec->WriteRecord(true));
        EXPECT_EQ(ReadAll(LogPath()),
                  ("\xEF\xBB\xBF" + header + "\"05.03.24\";\"14:07:11\";\"20,0\";\"\"\r\n").toStdString());
    }
}

TEST_F(RecFileTest, AppendingToACutLineStartsANewLineFirst)
{
    sensor.SetKind(3);
    auto temperature = Quantity(TQuantity::qtTemperature, 20.0);
    const QByteArray header = "\"Local PC Date\";\"Local PC Time\";\"Temperature (\xC2\xB0"
                              "C)\"\r\n";
    const QByteArray record = "\"05.03.24\";\"14:07:10\";\"20,0\";\"\"\r\n";
    struct Case {
        const char *name;
        QByteArray before;
        QByteArray after;
    };
    const Case cases[] = {
        {"cut line", "\"1\";\"22.", "\"1\";\"22.\r\n" + header + record},
        {"complete line", "\"1\";\"22\"\r\n", "\"1\";\"22\"\r\n" + header + record},
        {"line ended by LF only", "\"1\";\"22\"\n", "\"1\";\"22\"\n" + header + record},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        {
            QFile file(LogPath());
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(c.before);
        }
        now = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9));
        auto rec = MakeFile();
        rec->Columns[0] = temperature.get();
        ASSERT_TRUE(rec->WriteRecord(true));
        EXPECT_EQ(ReadAll(LogPath()), c.after.toStdString());
    }
}

TEST_F(RecFileTest, WritabilityIsCheckedWithoutLeavingAFile)
{
    const QString fresh = dir.filePath(QStringLiteral("fresh.csv"));
    const QString existing = dir.filePath(QStringLiteral("existing.csv"));
    const QString readOnly = dir.filePath(QStringLiteral("readonly.csv"));
    for (const QString &path : {existing, readOnly}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("\"x\"\r\n");
    }
    QFile::setPermissions(readOnly, QFile::ReadOwner);
    const bool root = ::geteuid() == 0; // root writes a read-only file anyway

    EXPECT_EQ(TRecFile::CheckWritable(fresh), QString());
    EXPECT_FALSE(QFile::exists(fresh));
    EXPECT_EQ(TRecFile::CheckWritable(existing), QString());
    EXPECT_EQ(ReadAll(existing), "\"x\"\r\n");
    EXPECT_NE(TRecFile::CheckWritable(dir.path()), QString());
    EXPECT_NE(TRecFile::CheckWritable(dir.filePath(QStringLiteral("no/such.csv"))), QString());
    if (!root) {
        EXPECT_NE(TRecFile::CheckWritable(readOnly), QString());
    }
}

TEST(RecFileTimeFormatTest, TheZoneGoesWithItsBracketsAndTheBlankBeforeIt)
{
    struct Case {
        const char *locale;
        const char *format;
        const char *text; // 14:07:09
    };
    const Case cases[] = {
        {"en_US", "h:mm:ss AP", "2:07:09 PM"},
        {"de_DE", "HH:mm:ss", "14:07:09"},
        {"fa_IR", "H:mm:ss", "\u06F1\u06F4:\u06F0\u06F7:\u06F0\u06F9"}, // "H:mm:ss (t)"
        {"zh_CN", "HH:mm:ss", "14:07:09"},                              // the zone leads
        {"ko_KR", "AP h\uC2DC m\uBD84 s\uCD08", "\uC624\uD6C4 2\uC2DC 7\uBD84 9\uCD08"},
        {"fr_CA", "HH 'h' mm 'min' ss 's'", "14 h 07 min 09 s"}, // quoted letters stay
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.locale);
        const QLocale locale(QString::fromLatin1(c.locale));
        const QString format = TRecFile::TimeFormatOf(locale);
        EXPECT_EQ(format.toStdString(), c.format);
        EXPECT_EQ(locale.toString(QTime(14, 7, 9), format).toStdString(), c.text);
    }
}

TEST_F(RecFileTest, NameFolderAndFormatsFollowTheClockAndLocale)
{
    auto rec = MakeFile();
    TRecFile fresh(
        errors, QString(), [] { return QDateTime(QDate(2009, 1, 2), QTime(3, 4, 5)); }, German);
    EXPECT_EQ(fresh.FileName, QStringLiteral("090102030405.csv"));
    EXPECT_TRUE(fresh.Folder.isEmpty());
    EXPECT_FALSE(fresh.HeaderWritten);

    struct FolderCase {
        QString given;
        QString stored;
    };
    for (const FolderCase &c :
         {FolderCase{QString(), QString()}, FolderCase{"/tmp", "/tmp/"}, FolderCase{"/tmp/", "/tmp/"}}) {
        rec->SetFolder(c.given);
        EXPECT_EQ(rec->Folder, c.stored);
    }

    EXPECT_EQ(TRecFile::DateFormatOf(English), QStringLiteral("M/d/yy"));
    EXPECT_EQ(TRecFile::TimeFormatOf(English), QStringLiteral("h:mm:ss AP"));
    EXPECT_EQ(TRecFile::TimeFormatOf(German), QStringLiteral("HH:mm:ss"));
}
