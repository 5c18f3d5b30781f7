#include "support_sim.h"

#include "TestEnv.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

QString TestScenario(const QString &fileName)
{
    return TestEnv::sourceDir() + QStringLiteral("/tests/connection/scenarios/") + fileName;
}

namespace
{

QJsonObject merged(QJsonObject base, const QJsonObject &patch)
{
    for (auto it = patch.begin(); it != patch.end(); ++it) {
        if (it.value().isObject() && base.value(it.key()).isObject())
            base[it.key()] = merged(base.value(it.key()).toObject(), it.value().toObject());
        else
            base[it.key()] = it.value();
    }
    return base;
}

} // namespace

QString ScenarioVariant(const QString &base, const QJsonObject &patch, const QTemporaryDir &dir)
{
    const QString path = QFileInfo(base).isAbsolute() ? base : TestEnv::scenarioPath(base);
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject scenario = merged(QJsonDocument::fromJson(in.readAll()).object(), patch);
    static int serial = 0;
    const QString out = dir.filePath(QStringLiteral("variant-%1.json").arg(++serial));
    QFile file(out);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(QJsonDocument(scenario).toJson());
    return out;
}

QStringList SlotSummary(const TDeviceConnection &conn)
{
    QStringList result;
    for (int i = 0; i < TDeviceConnection::QuantityCount; ++i) {
        const TLangQuan &q = conn.GetQuantity(i);
        if (q.GetQuanType() == 0)
            continue;
        result << QStringLiteral("%1:%2:%3:%4:%5")
                      .arg(i)
                      .arg(q.GetQuanType())
                      .arg(q.GetQuanUnit())
                      .arg(q.Number)
                      .arg(q.AlarmMode);
    }
    return result;
}

bool SimDevice::start(const QString &scenario)
{
    if (!sim.start(scenario))
        return false;
    conn.XPortUdpPort = sim.udpPort();
    return true;
}

TConnectionParams SimDevice::params() const
{
    TConnectionParams p;
    p.Protocol = TProtocol::Ethernet;
    p.IP = QStringLiteral("127.0.0.1");
    p.TcpPort = sim.tcpPort();
    p.Timeout = 1000;
    return p;
}

TConnectOutcome SimDevice::connect()
{
    return conn.Connect(params());
}
