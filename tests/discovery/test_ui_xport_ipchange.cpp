// The IP change window: its texts and controls, the DHCP check box, cancelling, and
// the outcome of a change told through the dialog seam, with the change run inside
// the test's own network.
#include "base/uDialogs.h"
#include "discovery/IPEdit.h"
#include "discovery/uXPortIPChange.h"
#include "discovery/uXPortIPChangeGUI.h"

#include "ModalRig.h"
#include "support_xport_net.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace XPortSearchRules;

namespace
{

bool ShowActive(QWidget &w)
{
    w.show();
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w);
}

TEST(IPChangeWindow, TextsAndControlsAsOpened)
{
    TfXPortIPChangeGUI w;
    w.NewIP = QStringLiteral("10.61.0.10");
    w.MacText = QStringLiteral("00-20-4A-61-00-0A");
    ASSERT_TRUE(ShowActive(w));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Change IP address"));
    const std::pair<const char *, const char *> captions[] = {
        {"BBChange", "Change"},
        {"BBCancel", "Cancel"},
        {"LabIPAddress", "IP address:"},
        {"LabMacAddress", "MAC address"},
        {"ChbDHCP", "DHCP"},
        {"ChBARPOnly", "Set IP address to ARP table only"}};
    for (const auto &[name, caption] : captions)
        EXPECT_EQ(Named<QWidget>(w, name)->property("text").toString(), QString::fromUtf8(caption)) << name;
    for (const char *name : {"PnlBackground", "PnlMain", "PnlButtons", "Bevel1"})
        EXPECT_NE(Named<QFrame>(w, name), nullptr) << name;
    TIPEdit *address = Named<TIPEdit>(w, "IPEdtAddress");
    QLineEdit *mac = Named<QLineEdit>(w, "EdtMac");
    EXPECT_EQ(address->Text(), QStringLiteral("10.61.0.10"));
    EXPECT_EQ(mac->text(), QStringLiteral("00-20-4A-61-00-0A"));
    EXPECT_EQ(mac->maxLength(), 17);
    EXPECT_TRUE(address->Box(0)->hasFocus()) << "the first octet box has the focus";
    EXPECT_TRUE(Named<QPushButton>(w, "BBChange")->isDefault());
    EXPECT_TRUE(Named<QCheckBox>(w, "ChBARPOnly")->isVisible());
    EXPECT_TRUE(Named<QCheckBox>(w, "ChbDHCP")->isVisible());

    TfXPortIPChangeGUI help;
    EXPECT_EQ(Named<TIPEdit>(help, "IPEdtAddress")->Text(), QStringLiteral("0.0.0.0"));
    EXPECT_EQ(Named<QLineEdit>(help, "EdtMac")->text(), QStringLiteral("00-00-00-00-00-00"));
    help.AllAdapters = true;
    help.DhcpVisible = false;
    TXPortIPChangeLangSupport texts;
    texts[0] = QStringLiteral("Neue Adresse");
    texts[3] = QStringLiteral("Adresse");
    help.SetTexts(texts);
    help.show();
    EXPECT_FALSE(Named<QCheckBox>(help, "ChBARPOnly")->isVisible()) << "help mode offers no ARP method";
    EXPECT_FALSE(Named<QCheckBox>(help, "ChbDHCP")->isVisible());
    EXPECT_EQ(help.windowTitle(), QStringLiteral("Neue Adresse"));
    EXPECT_EQ(Named<QLabel>(help, "LabIPAddress")->text(), QStringLiteral("Adresse"));
    EXPECT_TRUE(Named<QPushButton>(help, "BBChange")->text().isEmpty()) << "empty texts replace too";
}

TEST(IPChangeWindow, DhcpShowsZeroesAndBringsTheTypedAddressBack)
{
    TfXPortIPChangeGUI w;
    ASSERT_TRUE(ShowActive(w));
    TIPEdit *address = Named<TIPEdit>(w, "IPEdtAddress");
    QCheckBox *dhcp = Named<QCheckBox>(w, "ChbDHCP");
    QCheckBox *arp = Named<QCheckBox>(w, "ChBARPOnly");
    address->Box(0)->setFocus();
    for (const char key : std::string("10.61.0.77")) // the dot moves the focus to the next box
        QTest::keyClick(QApplication::focusWidget(), key);
    ASSERT_EQ(address->Text(), QStringLiteral("10.61.0.77"));
    ClickCheckBox(arp);
    ASSERT_TRUE(arp->isChecked());

    ClickCheckBox(dhcp);
    EXPECT_EQ(address->Text(), QStringLiteral("0.0.0.0"));
    EXPECT_FALSE(address->isEnabled());
    EXPECT_FALSE(arp->isChecked());
    EXPECT_FALSE(arp->isEnabled());
    EXPECT_EQ(w.SavedIP(), QStringLiteral("10.61.0.77"));

    ClickCheckBox(dhcp);
    EXPECT_EQ(address->Text(), QStringLiteral("10.61.0.77"));
    EXPECT_TRUE(address->isEnabled());
    EXPECT_TRUE(arp->isEnabled());
    EXPECT_FALSE(arp->isChecked()) << "the ARP choice is not brought back";
}

TEST(IPChangeWindow, CancelChangesNothing)
{
    int changes = 0;
    TIPChangeRunnerScope runner(
        [&](TXPortIPChange &, const QString &, const QString &, int &, QString &, const QString &) {
            ++changes;
            return true;
        });
    for (bool escape : {false, true}) {
        TfXPortIPChangeGUI w;
        ASSERT_TRUE(ShowActive(w));
        if (escape)
            QTest::keyClick(Named<TIPEdit>(w, "IPEdtAddress")->Box(0), Qt::Key_Escape);
        else
            QTest::mouseClick(Named<QPushButton>(w, "BBCancel"), Qt::LeftButton);
        EXPECT_EQ(w.result(), QDialog::Rejected) << escape;
        EXPECT_FALSE(w.isVisible());
    }
    EXPECT_EQ(changes, 0);
}

QString Neighbour(const NetNamespace &ns, const QString &address)
{
    QProcess ip;
    ip.start(QStringLiteral("ip"),
             {QStringLiteral("-n"), ns.name(), QStringLiteral("neigh"), QStringLiteral("show"), address,
              QStringLiteral("dev"), QStringLiteral("a0")});
    ip.waitForFinished(5000);
    return QString::fromLatin1(ip.readAllStandardOutput()).trimmed();
}

class IPChangeWindowNet : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SKIP_WITHOUT_NAMESPACES();
        ASSERT_TRUE(net.ok()) << net.error().toStdString();
        ASSERT_TRUE(onF0.open(net.field, QStringLiteral("f0")));
        ASSERT_TRUE(onF1.open(net.field, QStringLiteral("f1")));
    }

    // The IP-SETUP datagrams that arrived on a field-side end.
    static QList<QByteArray> Setups(PacketCapture &capture)
    {
        QList<QByteArray> list;
        for (const CapturedFrame &f : capture.frames()) {
            if (f.protocol == 17 && f.dstPort == 30718)
                list.append(f.payload);
        }
        return list;
    }

    XPortNet net;
    PacketCapture onF0, onF1;
    QList<TDialogRequest> dialogs;
    TDialogAnswerScope answers{[this](const TDialogRequest &r) {
        dialogs << r;
        return 1;
    }};
    TfXPortIPChangeGUI *window = nullptr;
    bool hiddenAndBusy = false;
    TIPChangeRunnerScope runner{[this](TXPortIPChange &c, const QString &mac, const QString &address,
                                       int &code, QString &message, const QString &local) {
        hiddenAndBusy = window && !window->isVisible() && QApplication::overrideCursor() != nullptr;
        c.ConnectTimeoutMs = 300; // the ARP method's attempt reaches nobody; no need to wait long
        bool ok = false;
        net.pc.inside([&] { ok = c.ChangeIP(mac, address, code, message, local); });
        return ok;
    }};
};

TEST_F(IPChangeWindowNet, OutcomesThroughTheDialogSeam)
{
    const QString requestSent = QStringLiteral("Request of IP address change was successfully sent.");
    const QString arpDone = QStringLiteral("IP address was temporarily assigned to MAC\r\nTo make IP change "
                                           "permanent you must change IP adress in device setup!");
    const QByteArray dhcp = QByteArray::fromHex("000000FC49502D534554555000003D4E00000000");
    const QByteArray toSixty = QByteArray::fromHex("000000FC49502D534554555000003C3D3C3D003C");
    struct Case {
        const char *mac, *address, *local;
        bool useDhcp, arpOnly, allAdapters;
        QString macMessage; // replaces the MAC syntax message when not empty
        QString caption, text;
        int result;
        QList<QByteArray> f0, f1;
    };
    const Case cases[] = {
        {"00:0A:1B:2C:3D:4E",
         "10.61.0.50",
         "10.61.0.1",
         false,
         false,
         false,
         {},
         QStringLiteral("Error"),
         QStringLiteral("MAC address syntax error."),
         QDialog::Rejected,
         {},
         {}},
        {"00:0A:1B:2C:3D:4E",
         "10.61.0.50",
         "10.61.0.1",
         false,
         false,
         false,
         QStringLiteral("Falsche MAC."),
         QStringLiteral("Error"),
         QStringLiteral("Falsche MAC."),
         QDialog::Rejected,
         {},
         {}},
        {"00-0A-1B-2C-3D-4E",
         "10.61.0.50",
         "10.61.0.1",
         true,
         false,
         false,
         {},
         QStringLiteral("Information"),
         requestSent,
         QDialog::Accepted,
         {dhcp},
         {}},
        {"00-20-4A-61-3C-3D",
         "60.61.0.60",
         "",
         false,
         false,
         true,
         {},
         QStringLiteral("Information"),
         requestSent,
         QDialog::Accepted,
         {toSixty},
         {toSixty}},
        {"02-00-5E-61-77-01",
         "10.61.0.77",
         "10.61.0.1",
         false,
         true,
         false,
         {},
         QStringLiteral("Warning"),
         arpDone,
         QDialog::Accepted,
         {},
         {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.mac << " " << c.address << " dhcp " << c.useDhcp << " arp "
                                        << c.arpOnly << " all " << c.allAdapters);
        dialogs.clear();
        TfXPortIPChangeGUI w;
        window = &w;
        hiddenAndBusy = false;
        w.NewIP = QString::fromLatin1(c.address);
        w.MacText = QString::fromLatin1(c.mac);
        w.LocalAddress = QString::fromLatin1(c.local);
        w.AllAdapters = c.allAdapters;
        if (!c.macMessage.isEmpty()) {
            TXPortIPChangeLangSupport texts = DefaultIPChangeTexts();
            texts[11] = c.macMessage;
            w.SetTexts(texts);
        }
        w.show();
        if (c.useDhcp)
            ClickCheckBox(Named<QCheckBox>(w, "ChbDHCP"));
        if (c.arpOnly)
            ClickCheckBox(Named<QCheckBox>(w, "ChBARPOnly"));
        QTest::mouseClick(Named<QPushButton>(w, "BBChange"), Qt::LeftButton);
        window = nullptr;

        EXPECT_TRUE(hiddenAndBusy) << "hidden, with the hourglass, while the change runs";
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        ASSERT_EQ(dialogs.size(), 1);
        EXPECT_EQ(dialogs[0].Caption, c.caption);
        EXPECT_EQ(dialogs[0].Text, c.text);
        EXPECT_EQ(w.result(), c.result);
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(w.MacText, QString::fromLatin1(c.mac));
        EXPECT_EQ(w.NewIP, c.useDhcp ? QStringLiteral("0.0.0.0") : QString::fromLatin1(c.address));
        EXPECT_EQ(Setups(onF0), c.f0);
        EXPECT_EQ(Setups(onF1), c.f1);
        if (c.arpOnly) {
            EXPECT_EQ(Neighbour(net.pc, QString::fromLatin1(c.address)),
                      QStringLiteral("10.61.0.77 lladdr 02:00:5e:61:77:01 PERMANENT"));
        }
    }
}

} // namespace
