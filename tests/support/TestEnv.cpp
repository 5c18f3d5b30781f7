#include "TestEnv.h"

namespace TestEnv {
QString sourceDir()
{
    return QStringLiteral(OMBRIX_SOURCE_DIR);
}

QString simulatorPath()
{
    return QStringLiteral(OMBRIX_SIM_PATH);
}

QString scenarioPath(const QString &fileName)
{
    return sourceDir() + QStringLiteral("/tools/ombrix-sim/scenarios/") + fileName;
}
} // namespace TestEnv
