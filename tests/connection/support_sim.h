#pragma once

// Rigs shared by the connection tests: scenario variants written on the fly, a
// simulator with a connection pointed at it, and a compact text of the slots.

#include "SimProcess.h"
#include "connection/uDeviceConnection.h"

#include <QJsonObject>
#include <QStringList>
#include <QTemporaryDir>

// A scenario under tests/connection/scenarios/.
QString TestScenario(const QString &fileName);

// Writes `base` (a shipped scenario name, or an absolute path) with `patch` merged
// into it (objects merged key by key, everything else replaced) into dir; returns
// the path of the new file.
QString ScenarioVariant(const QString &base, const QJsonObject &patch, const QTemporaryDir &dir);

// Every present slot as "slot:type:unit:number:alarmMode", in slot order.
QStringList SlotSummary(const TDeviceConnection &conn);

// A simulator on loopback with a connection that talks to it over Modbus/TCP and
// the XPort UDP service.
struct SimDevice {
    SimProcess sim;
    TErrMessageList errors;
    TDeviceConnection conn{errors};

    bool start(const QString &scenario);
    TConnectionParams params() const;
    TConnectOutcome connect();
};
