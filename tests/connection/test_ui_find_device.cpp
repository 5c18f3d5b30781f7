// The Find button of the connection frame: it opens the device search window with
// only "Select" offered and the branding file's type names, takes the chosen
// device's address into the IP edit, and leaves the edit alone when cancelled.
#include "base/uApplicationSpecifical.h"
#include "connection/uOBfrConnPars.h"
#include "connection/uOBfrConnection.h"
#include "discovery/uXPortSearchGUI.h"

#include "ModalRig.h"
#include "test_ui_rig.h"

#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace
{

TXportPar Device(const char *ip, const char *mac)
{
    TXportPar r;
    r.IP = QString::fromLatin1(ip);
    r.MAC = QString::fromLatin1(mac);
    r.Firmware = QStringLiteral("1-4-5.07");
    r.Adapter = QStringLiteral("10.61.0.1");
    return r;
}

// Picks a row of the search window and closes it with a button (or a double click on the row).
void Choose(TfXPortSearchGUI &s, int row, const char *button)
{
    QTableWidget &list = *Named<QTableWidget>(s, "LvDeviceList");
    const QPoint at = list.visualItemRect(list.item(row, 0)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
    if (button)
        QTest::mouseClick(Named<QPushButton>(s, button), Qt::LeftButton);
    else
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
}

TEST(FindDevice, ChosenDeviceFillsTheIPEditAndCancelLeavesIt)
{
    TComPortsOnly ports;
    const QString branding = BrandingIniPath;
    BrandingIniPath = QStringLiteral("/opt/ombrix/Ombrix.ini");
    QStringList iniPaths;
    TXPortSearchRunnerScope runner([&](const QString &ini) {
        iniPaths << ini;
        return std::vector<TXportPar>{Device("10.61.0.20", "00-20-4A-61-00-14"),
                                      Device("10.61.0.9", "00-20-4A-61-00-09")};
    });
    TErrMessageList errors;
    TOBfrConnection frame{errors};
    frame.show();
    TOBfrConnPars &pars = *frame.ConnPars();
    pars.SetIP(QStringLiteral("1.2.3.4"));
    QPushButton *find = Named<QPushButton>(frame, "bFindDevice");
    ASSERT_NE(find, nullptr);

    struct Case {
        int row;
        const char *button; // null: double click on the row
        const char *ip;     // in the edit afterwards
    };
    const Case cases[] = {
        {1, "BBCancel", "1.2.3.4"},
        {1, "BBSelect", "10.61.0.20"}, // the list is ordered by address: 10.61.0.9 comes first
        {0, nullptr, "10.61.0.9"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.button ? c.button : "double click");
        bool onlySelect = false;
        int panelHeight = 0;
        auto seen = WhenModal<TfXPortSearchGUI>([&](TfXPortSearchGUI &s) {
            onlySelect = Named<QPushButton>(s, "BBSelect")->isVisible() &&
                         !Named<QPushButton>(s, "BBChangeIP")->isVisible() &&
                         !Named<QPushButton>(s, "BBHelpDeviceNotFound")->isVisible();
            panelHeight = Named<QFrame>(s, "PnlButtons")->height();
            Choose(s, c.row, c.button);
        });
        QTest::mouseClick(find, Qt::LeftButton);
        EXPECT_TRUE(*seen);
        EXPECT_TRUE(onlySelect);
        EXPECT_EQ(panelHeight, 41);
        EXPECT_EQ(pars.GetIP(), QString::fromLatin1(c.ip));
        EXPECT_TRUE(frame.findChildren<TfXPortSearchGUI *>().isEmpty()) << "the window is released";
    }
    EXPECT_EQ(iniPaths, QStringList(3, QStringLiteral("/opt/ombrix/Ombrix.ini")));
    BrandingIniPath = branding;
}

} // namespace
