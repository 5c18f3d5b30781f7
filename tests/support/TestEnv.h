#pragma once

#include <QString>

// Locations every test may need, independent of the folder CTest runs it from.
namespace TestEnv {
QString sourceDir();
QString simulatorPath();
QString scenarioPath(const QString &fileName);
} // namespace TestEnv
