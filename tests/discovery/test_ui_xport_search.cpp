// The device search window: its columns and buttons, the rows and their colours, the
// ordering by a header click, the double click, a failed search, the way to the IP
// change window, and a real search inside the test's own network.
#include "base/uDialogs.h"
#include "discovery/IPEdit.h"
#include "discovery/uXPortIPChange.h"
#include "discovery/uXPortIPChangeGUI.h"
#include "discovery/uXPortSearchGUI.h"
#include "model/uExceptions.h"

#include "ModalRig.h"
#include "support_xport_net.h"

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

using namespace XPortSearchRules;

namespace
{

TXportPar Record(const char *ip, const char *mac, const char *firmware, const char *type,
                 const char *description, const char *variant, const char *adapter)
{
    TXportPar r;
    r.IP = QString::fromLatin1(ip);
    r.MAC = QString::fromLatin1(mac);
    r.Firmware = QString::fromLatin1(firmware);
    r.DeviceType = QString::fromLatin1(type);
    r.Description = QString::fromLatin1(description);
    r.VariantChar = QString::fromLatin1(variant);
    r.Adapter = QString::fromLatin1(adapter);
    return r;
}

// Four devices in the order they answered.
std::vector<TXportPar> FourDevices()
{
    return {
        Record("10.61.0.10", "00-20-4A-61-00-0A", "1-4-5.07", "T7280", "Hall", "", "10.61.0.1"),
        Record("10.61.0.9", "00-20-4A-61-00-0C", "6-1-2.03", "XL300 Logger", "Cellar", "A", "10.61.0.1"),
        Record("10.62.0.100", "00-20-4A-62-00-0B", "N/A", "N/A", "", "", "10.62.0.1"),
        Record("10.61.0.11", "00-20-4A-61-00-0D", "6-1-10.02", "XL300 Logger", "attic", "0", "10.61.0.1")};
}

QStringList Column(const QTableWidget &list, int column)
{
    QStringList texts;
    for (int r = 0; r < list.rowCount(); ++r)
        texts << list.item(r, column)->text();
    return texts;
}

QStringList List(std::initializer_list<const char *> items)
{
    QStringList l;
    for (const char *i : items)
        l << QString::fromLatin1(i);
    return l;
}

void ClickHeader(QTableWidget &list, int column)
{
    QHeaderView *h = list.horizontalHeader();
    QTest::mouseClick(
        h->viewport(), Qt::LeftButton, {},
        QPoint(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2));
}

void ClickRow(QTableWidget &list, int row)
{
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(row, 0)).center());
}

// A change the IP change window asked for.
struct ChangeCall {
    QString mac, address, local;
    bool allAdapters = false, arpMode = false;
};

class SearchWindowTest : public ::testing::Test
{
protected:
    // The rows of every search, one entry per search (the last one repeats).
    std::vector<std::vector<TXportPar>> results{FourDevices()};
    int searches = 0;
    QStringList iniPaths;
    bool failSearch = false;
    bool busyWhileSearching = true;
    TfXPortSearchGUI *watched = nullptr; // its buttons are checked while it searches
    TXPortSearchRunnerScope searchRunner{[this](const QString &ini) {
        iniPaths << ini;
        ++searches;
        busyWhileSearching = busyWhileSearching && QApplication::overrideCursor() != nullptr;
        if (watched) {
            for (const char *name :
                 {"BBSearch", "BBSelect", "BBCancel", "BBChangeIP", "BBHelpDeviceNotFound"}) {
                if (name != std::string("BBCancel"))
                    busyWhileSearching =
                        busyWhileSearching && !Named<QPushButton>(*watched, name)->isEnabled();
            }
        }
        if (failSearch)
            throw Exception(QStringLiteral("Socket error: address not available"));
        return results[std::min<std::size_t>(std::size_t(searches - 1), results.size() - 1)];
    }};

    QList<ChangeCall> changes;
    int changeCode = TXPortIPChange::RequestSent;
    TIPChangeRunnerScope changeRunner{[this](TXPortIPChange &change, const QString &mac,
                                             const QString &address, int &code, QString &message,
                                             const QString &local) {
        changes << ChangeCall{mac, address, local, change.AllAdapters, change.ArpMode};
        code = changeCode;
        message = code == TXPortIPChange::RequestSent ? change.MsgRequestSent : change.MsgChangeError;
        return code == TXPortIPChange::RequestSent;
    }};

    QList<TDialogRequest> dialogs;
    TDialogAnswerScope answers{[this](const TDialogRequest &r) {
        dialogs << r;
        return 1;
    }};

    // The window shown (not modal), after its first search.
    std::unique_ptr<TfXPortSearchGUI> Open(TSearchButtons buttons = sbHelp | sbChangeIP | sbSelect)
    {
        auto w = std::make_unique<TfXPortSearchGUI>();
        watched = w.get();
        w->Buttons = buttons;
        w->show();
        return w;
    }
};

TEST_F(SearchWindowTest, ColumnsCaptionsAndButtonsPerOpener)
{
    struct Case {
        TSearchButtons buttons;
        bool select, changeIP, help;
        int panel;
    };
    const Case cases[] = {
        {{}, true, false, false, 41}, // as the Find button opens it
        {sbHelp | sbChangeIP | sbSelect, true, true, true, 73},
        {sbAll, true, true, true, 73},
        {sbHelp, false, false, true, 41},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.buttons));
        const auto w = Open(c.buttons);
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Find device"));
        EXPECT_TRUE(Named<QPushButton>(*w, "BBSearch")->isVisible());
        EXPECT_TRUE(Named<QPushButton>(*w, "BBCancel")->isVisible());
        EXPECT_EQ(Named<QPushButton>(*w, "BBSelect")->isVisible(), c.select);
        EXPECT_EQ(Named<QPushButton>(*w, "BBChangeIP")->isVisible(), c.changeIP);
        EXPECT_EQ(Named<QPushButton>(*w, "BBHelpDeviceNotFound")->isVisible(), c.help);
        EXPECT_EQ(Named<QFrame>(*w, "PnlButtons")->height(), c.panel);
        EXPECT_TRUE(Named<QPushButton>(*w, "BBSelect")->isDefault());
    }

    const auto w = Open();
    const std::pair<const char *, const char *> captions[] = {
        {"BBSearch", "Search"},
        {"BBHelpDeviceNotFound", "Help! My device wasn't found!"},
        {"BBSelect", "Select"},
        {"BBCancel", "Cancel"},
        {"BBChangeIP", "Change IP"}};
    for (const auto &[name, caption] : captions)
        EXPECT_EQ(Named<QPushButton>(*w, name)->text(), QString::fromUtf8(caption)) << name;
    for (const char *panel : {"PnlXpSearchBackground", "PnlList"})
        EXPECT_NE(Named<QFrame>(*w, panel), nullptr) << panel;
    QTableWidget *list = Named<QTableWidget>(*w, "LvDeviceList");
    ASSERT_NE(list, nullptr);
    QStringList headers;
    for (int c = 0; c < list->columnCount(); ++c)
        headers << list->horizontalHeaderItem(c)->text();
    EXPECT_EQ(headers, List({"IP address", "MAC address", "Firmware", "Device type", "Device description",
                             "Adapter"}));
    const int widths[] = {90, 125, 60, 80, 156};
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(list->columnWidth(c), widths[c]) << c;
    EXPECT_TRUE(list->isColumnHidden(colAdapter));
    EXPECT_TRUE(list->showGrid());
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_TRUE(busyWhileSearching) << "hourglass and every button but Cancel disabled while searching";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(SearchWindowTest, ListsEveryRecordAndGreysTheUnsuitableOnes)
{
    const auto w = Open();
    QTableWidget &list = *Named<QTableWidget>(*w, "LvDeviceList");
    ASSERT_EQ(list.rowCount(), 4);
    EXPECT_EQ(searches, 1);
    // Ordered by the IP column, as after creation.
    EXPECT_EQ(Column(list, colIP), List({"10.61.0.9", "10.61.0.10", "10.61.0.11", "10.62.0.100"}));
    EXPECT_EQ(Column(list, colMAC),
              List({"00-20-4A-61-00-0C", "00-20-4A-61-00-0A", "00-20-4A-61-00-0D", "00-20-4A-62-00-0B"}));
    EXPECT_EQ(Column(list, colFirmware), List({"6-1-2.03", "1-4-5.07", "6-1-10.02", "N/A"}));
    EXPECT_EQ(Column(list, colDeviceType), List({"XL300 Logger", "T7280", "XL300 Logger", "N/A"}));
    EXPECT_EQ(Column(list, colDescription), List({"Cellar", "Hall", "attic", ""}));
    EXPECT_EQ(Column(list, colAdapter), List({"10.61.0.1", "10.61.0.1", "10.61.0.1", "10.62.0.1"}));

    const QColor inactive = list.palette().color(QPalette::Disabled, QPalette::Text);
    ASSERT_NE(inactive, list.palette().color(QPalette::Active, QPalette::Text));
    const bool suitable[] = {false, true, true, false}; // family 6 not variant 0; N/A
    for (int r = 0; r < 4; ++r) {
        SCOPED_TRACE(r);
        for (int c = 0; c < colAdapter; ++c) {
            const QVariant foreground = list.item(r, c)->data(Qt::ForegroundRole);
            if (suitable[r])
                EXPECT_FALSE(foreground.isValid()) << "the list's ordinary text colour";
            else
                EXPECT_EQ(foreground.value<QBrush>().color(), inactive);
        }
    }
    // The first device that answered is selected and keeps the selection after the ordering.
    EXPECT_EQ(w->SelectedIP(), QStringLiteral("10.61.0.10"));
    EXPECT_TRUE(Named<QPushButton>(*w, "BBSelect")->isEnabled());
}

TEST_F(SearchWindowTest, HeaderClicksOrderAscendingAndANewSearchKeepsTheOrder)
{
    const auto w = Open();
    QTableWidget &list = *Named<QTableWidget>(*w, "LvDeviceList");
    struct Case {
        int column;
        QStringList ips;
    };
    const Case cases[] = {
        {colMAC, List({"10.61.0.10", "10.61.0.9", "10.61.0.11", "10.62.0.100"})},
        {colFirmware, List({"10.61.0.10", "10.61.0.9", "10.61.0.11", "10.62.0.100"})},
        {colDescription, List({"10.62.0.100", "10.61.0.11", "10.61.0.9", "10.61.0.10"})},
        {colIP, List({"10.61.0.9", "10.61.0.10", "10.61.0.11", "10.62.0.100"})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.column);
        for (int click = 0; click < 2; ++click) { // the second click orders ascending again
            ClickHeader(list, c.column);
            EXPECT_EQ(Column(list, colIP), c.ips);
            EXPECT_EQ(w->SortColumn, c.column);
            EXPECT_EQ(w->ResortColumn, c.column);
        }
    }
    EXPECT_EQ(w->SelectedIP(), QStringLiteral("10.61.0.10")) << "the selection follows its row";

    ClickHeader(list, colMAC);
    std::vector<TXportPar> reversed = FourDevices();
    std::reverse(reversed.begin(), reversed.end());
    results.push_back(reversed);
    QTest::mouseClick(Named<QPushButton>(*w, "BBSearch"), Qt::LeftButton);
    EXPECT_EQ(searches, 2);
    EXPECT_EQ(Column(list, colMAC),
              List({"00-20-4A-61-00-0A", "00-20-4A-61-00-0C", "00-20-4A-61-00-0D", "00-20-4A-62-00-0B"}));
    EXPECT_EQ(w->SelectedIP(), QStringLiteral("10.61.0.11")) << "the first answer of the new search";
}

TEST_F(SearchWindowTest, ChangeIPFollowsTheFamilyOfTheSelectedRow)
{
    const auto w = Open();
    QTableWidget &list = *Named<QTableWidget>(*w, "LvDeviceList");
    QPushButton *changeIP = Named<QPushButton>(*w, "BBChangeIP");
    const struct {
        int row;
        bool enabled;
    } cases[] = {{0, false}, {1, true}, {2, false}, {3, true}}; // 6-1-2.03, 1-4-5.07, 6-1-10.02, N/A
    for (const auto &c : cases) {
        ClickRow(list, c.row);
        EXPECT_EQ(changeIP->isEnabled(), c.enabled) << c.row;
        EXPECT_TRUE(Named<QPushButton>(*w, "BBSelect")->isEnabled()) << "no opener restricts the choice";
    }
    // A search whose first answer is a family-6 device leaves Change IP disabled.
    results = {{FourDevices()[1]}};
    QTest::mouseClick(Named<QPushButton>(*w, "BBSearch"), Qt::LeftButton);
    EXPECT_FALSE(changeIP->isEnabled());
}

TEST_F(SearchWindowTest, DoubleClickChoosesEvenWithoutDevices)
{
    {
        const auto w = Open();
        QTableWidget &list = *Named<QTableWidget>(*w, "LvDeviceList");
        const QRect row = list.visualItemRect(list.item(2, 0));
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, row.center());
        EXPECT_EQ(w->result(), QDialog::Accepted);
        EXPECT_EQ(w->SelectedIP(), QStringLiteral("10.61.0.11"));
    }
    results = {{}};
    const auto w = Open();
    QTableWidget &list = *Named<QTableWidget>(*w, "LvDeviceList");
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_FALSE(Named<QPushButton>(*w, "BBSelect")->isEnabled());
    EXPECT_TRUE(Named<QPushButton>(*w, "BBSearch")->isEnabled());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.viewport()->rect().center());
    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_TRUE(w->SelectedIP().isEmpty());
}

TEST_F(SearchWindowTest, EnterSelectsAndEscapeCancels)
{
    const struct {
        Qt::Key key;
        int result;
    } cases[] = {{Qt::Key_Return, QDialog::Accepted}, {Qt::Key_Escape, QDialog::Rejected}};
    for (const auto &c : cases) {
        const auto w = Open();
        QTableWidget &list = *Named<QTableWidget>(*w, "LvDeviceList");
        ClickRow(list, 3);
        QTest::keyClick(&list, c.key);
        EXPECT_EQ(w->result(), c.result) << c.key;
        EXPECT_FALSE(w->isVisible());
        EXPECT_EQ(w->SelectedIP(), QStringLiteral("10.62.0.100"));
    }
}

TEST_F(SearchWindowTest, FailedSearchKeepsTheRowsAndSaysWhy)
{
    const auto w = Open();
    QTableWidget &list = *Named<QTableWidget>(*w, "LvDeviceList");
    failSearch = true;
    QTest::mouseClick(Named<QPushButton>(*w, "BBSearch"), Qt::LeftButton);
    EXPECT_EQ(searches, 2);
    EXPECT_EQ(list.rowCount(), 4);
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_EQ(dialogs[0].Kind, TMsgKind::Error);
    EXPECT_EQ(dialogs[0].Text, QStringLiteral("Socket error: address not available"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    for (const char *name : {"BBSearch", "BBSelect", "BBHelpDeviceNotFound"})
        EXPECT_TRUE(Named<QPushButton>(*w, name)->isEnabled()) << name;
}

TEST_F(SearchWindowTest, ChangeIPOpensTheChangeWindowForTheSelectedDevice)
{
    const auto w = Open();
    QTableWidget &list = *Named<QTableWidget>(*w, "LvDeviceList");
    ClickRow(list, 3); // 10.62.0.100, found through 10.62.0.1

    // Cancelled: nothing is changed and nothing searched again.
    auto seen = WhenModal<TfXPortIPChangeGUI>([](TfXPortIPChangeGUI &c) {
        EXPECT_EQ(Named<TIPEdit>(c, "IPEdtAddress")->Text(), QStringLiteral("10.62.0.100"));
        EXPECT_EQ(Named<QLineEdit>(c, "EdtMac")->text(), QStringLiteral("00-20-4A-62-00-0B"));
        EXPECT_EQ(c.LocalAddress, QStringLiteral("10.62.0.1"));
        EXPECT_EQ(c.windowTitle(), QStringLiteral("Change IP address"));
        EXPECT_EQ(Named<QLabel>(c, "LabIPAddress")->text(), QStringLiteral("IP address"));
        EXPECT_EQ(Named<QLabel>(c, "LabMacAddress")->text(), QStringLiteral("MAC address"));
        EXPECT_TRUE(Named<QCheckBox>(c, "ChBARPOnly")->isVisible());
        QTest::mouseClick(Named<QPushButton>(c, "BBCancel"), Qt::LeftButton);
    });
    QTest::mouseClick(Named<QPushButton>(*w, "BBChangeIP"), Qt::LeftButton);
    EXPECT_TRUE(*seen);
    EXPECT_TRUE(changes.isEmpty());
    EXPECT_EQ(searches, 1);

    // Changed: the outcome is reported and the list searched again.
    seen = WhenModal<TfXPortIPChangeGUI>([](TfXPortIPChangeGUI &c) {
        Named<TIPEdit>(c, "IPEdtAddress")->SetText(QStringLiteral("10.62.0.50"));
        QTest::mouseClick(Named<QPushButton>(c, "BBChange"), Qt::LeftButton);
    });
    QTest::mouseClick(Named<QPushButton>(*w, "BBChangeIP"), Qt::LeftButton);
    EXPECT_TRUE(*seen);
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0].mac, QStringLiteral("00-20-4A-62-00-0B"));
    EXPECT_EQ(changes[0].address, QStringLiteral("10.62.0.50"));
    EXPECT_EQ(changes[0].local, QStringLiteral("10.62.0.1"));
    EXPECT_FALSE(changes[0].allAdapters);
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_EQ(dialogs[0].Caption, QStringLiteral("Information"));
    EXPECT_EQ(dialogs[0].Text, QStringLiteral("Request of IP address change was successfully sent."));
    EXPECT_EQ(searches, 2);

    // A failed change does not search again.
    changeCode = TXPortIPChange::Failed;
    seen = WhenModal<TfXPortIPChangeGUI>(
        [](TfXPortIPChangeGUI &c) { QTest::mouseClick(Named<QPushButton>(c, "BBChange"), Qt::LeftButton); });
    QTest::mouseClick(Named<QPushButton>(*w, "BBChangeIP"), Qt::LeftButton);
    EXPECT_TRUE(*seen);
    ASSERT_EQ(dialogs.size(), 2);
    EXPECT_EQ(dialogs[1].Caption, QStringLiteral("Error"));
    EXPECT_EQ(searches, 2);
}

TEST_F(SearchWindowTest, HelpOpensTheChangeWindowForEveryAdapter)
{
    const auto w = Open();
    auto seen = WhenModal<TfXPortIPChangeGUI>([](TfXPortIPChangeGUI &c) {
        EXPECT_EQ(Named<TIPEdit>(c, "IPEdtAddress")->Text(), QStringLiteral("0.0.0.0"));
        EXPECT_EQ(Named<QLineEdit>(c, "EdtMac")->text(), QStringLiteral("00-00-00-00-00-00"));
        EXPECT_FALSE(Named<QCheckBox>(c, "ChBARPOnly")->isVisible());
        Named<TIPEdit>(c, "IPEdtAddress")->SetText(QStringLiteral("10.61.0.60"));
        Named<QLineEdit>(c, "EdtMac")->setText(QStringLiteral("00-20-4A-61-00-77"));
        QTest::mouseClick(Named<QPushButton>(c, "BBChange"), Qt::LeftButton);
    });
    QTest::mouseClick(Named<QPushButton>(*w, "BBHelpDeviceNotFound"), Qt::LeftButton);
    EXPECT_TRUE(*seen);
    ASSERT_EQ(changes.size(), 1);
    EXPECT_TRUE(changes[0].allAdapters);
    EXPECT_FALSE(changes[0].arpMode);
    EXPECT_TRUE(changes[0].local.isEmpty());
    EXPECT_EQ(changes[0].mac, QStringLiteral("00-20-4A-61-00-77"));
    EXPECT_EQ(searches, 2);
}

TEST_F(SearchWindowTest, FindDeviceGivesTheChosenAddressOrNothing)
{
    QWidget owner;
    struct Case {
        int row;          // row to pick; -1 cancels
        const char *with; // button that closes
        std::optional<QString> address;
    };
    const Case cases[] = {
        {2, "BBSelect", QStringLiteral("10.61.0.11")},
        {0, "BBCancel", std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.with);
        bool onlySelect = false;
        auto seen = WhenModal<TfXPortSearchGUI>([&](TfXPortSearchGUI &s) {
            onlySelect = !Named<QPushButton>(s, "BBChangeIP")->isVisible() &&
                         !Named<QPushButton>(s, "BBHelpDeviceNotFound")->isVisible() &&
                         Named<QPushButton>(s, "BBSelect")->isVisible();
            EXPECT_EQ(s.parentWidget(), &owner);
            ClickRow(*Named<QTableWidget>(s, "LvDeviceList"), c.row);
            QTest::mouseClick(Named<QPushButton>(s, c.with), Qt::LeftButton);
        });
        EXPECT_EQ(TfXPortSearchGUI::FindDevice(&owner, QStringLiteral("/opt/ombrix/Ombrix.ini")), c.address);
        EXPECT_TRUE(*seen);
        EXPECT_TRUE(onlySelect);
        EXPECT_TRUE(owner.findChildren<TfXPortSearchGUI *>().isEmpty()) << "released in every case";
    }
    EXPECT_EQ(iniPaths, List({"/opt/ombrix/Ombrix.ini", "/opt/ombrix/Ombrix.ini"}));

    // OK with nothing chosen (a double click on an empty list) gives no address.
    results = {{}};
    auto seen = WhenModal<TfXPortSearchGUI>([](TfXPortSearchGUI &s) {
        QTableWidget &list = *Named<QTableWidget>(s, "LvDeviceList");
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.viewport()->rect().center());
    });
    EXPECT_EQ(TfXPortSearchGUI::FindDevice(&owner, QString()), std::nullopt);
    EXPECT_TRUE(*seen);
}

QJsonObject XPort(const char *mac, int family, QJsonArray firmware, int typeCode, const char *description)
{
    return {{QStringLiteral("mac"), QString::fromLatin1(mac)},
            {QStringLiteral("deviceType"), family},
            {QStringLiteral("firmware"), firmware},
            {QStringLiteral("typeCode"), typeCode},
            {QStringLiteral("description"), QString::fromLatin1(description)}};
}

TEST(SearchWindowNet, RealSearchListsTheDevicesAndFindsAMovedOneAgain)
{
    SKIP_WITHOUT_NAMESPACES();
    XPortNet net;
    ASSERT_TRUE(net.ok()) << net.error().toStdString();
    NsSim *moving = net.addDevice(QStringLiteral("f0"), QStringLiteral("10.61.0.10"),
                                  XPort("00-20-4A-61-00-0A", 1, {4, 5, 7}, 9, "Hall"));
    ASSERT_TRUE(moving);
    ASSERT_TRUE(net.addDevice(QStringLiteral("f1"), QStringLiteral("10.62.0.10"),
                              XPort("00-20-4A-62-00-0A", 2, {5, 2, 0}, 0, "Gateway")));

    // The window's own search and change, run where the test's adapters are.
    TXPortSearchRunnerScope search([&](const QString &ini) {
        std::vector<TXportPar> found;
        net.pc.inside([&] { found = TfXPortSearchGUI::SearchRecords(ini); });
        return found;
    });
    TIPChangeRunnerScope change([&](TXPortIPChange &c, const QString &mac, const QString &address, int &code,
                                    QString &message, const QString &local) {
        bool ok = false;
        net.pc.inside([&] { ok = c.ChangeIP(mac, address, code, message, local); });
        return ok;
    });
    QList<TDialogRequest> dialogs;
    TDialogAnswerScope answers([&](const TDialogRequest &r) {
        dialogs << r;
        return 1;
    });

    TfXPortSearchGUI w;
    w.show();
    QTableWidget &list = *Named<QTableWidget>(w, "LvDeviceList");
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(Column(list, colIP), List({"10.61.0.10", "10.62.0.10"}));
    EXPECT_EQ(Column(list, colMAC), List({"00-20-4A-61-00-0A", "00-20-4A-62-00-0A"}));
    EXPECT_EQ(Column(list, colFirmware), List({"1-4-5.07", "2-5-2.00"}));
    EXPECT_EQ(Column(list, colDeviceType)[1], QStringLiteral("LAN Adapter"));
    EXPECT_EQ(Column(list, colDescription), List({"Hall", "Gateway"}));
    EXPECT_EQ(Column(list, colAdapter), List({"10.61.0.1", "10.62.0.1"}));

    ClickRow(list, 0);
    auto seen = WhenModal<TfXPortIPChangeGUI>([](TfXPortIPChangeGUI &c) {
        Named<TIPEdit>(c, "IPEdtAddress")->SetText(QStringLiteral("10.61.0.40"));
        QTest::mouseClick(Named<QPushButton>(c, "BBChange"), Qt::LeftButton);
    });
    QTest::mouseClick(Named<QPushButton>(w, "BBChangeIP"), Qt::LeftButton);
    EXPECT_TRUE(*seen);
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_EQ(dialogs[0].Caption, QStringLiteral("Information")) << dialogs[0].Text.toStdString();
    EXPECT_EQ(moving->control(QStringLiteral("get xport.ip")), QStringLiteral("ok 10.61.0.40"));
    EXPECT_EQ(Column(list, colIP), List({"10.61.0.40", "10.62.0.10"})) << "searched again after the change";
}

} // namespace
