#include "loader/loadplan.h"

LoadPlan planLoad(const QStringList &script, const QString &currentPass, const QString &newPass,
                  qint64 lineWait, qint64 restartWait)
{
    LoadPlan plan;
    plan.loginLines[LoadPlan::firstEmptyLine] = QString();
    plan.loginLines[LoadPlan::secondEmptyLine] = QString();
    plan.loginLines[LoadPlan::userLine] = QStringLiteral("admin");
    plan.loginLines[LoadPlan::currentPasswordLine] = currentPass;
    plan.loginLines[LoadPlan::confLine] = QStringLiteral("conf");
    plan.loginLines[LoadPlan::passwordCommandLine] = QStringLiteral("password");
    plan.loginLines[LoadPlan::newPasswordLine] = QStringLiteral("admin ") + newPass;
    plan.loginLines[LoadPlan::topLine] = QStringLiteral("top");
    plan.loginLines[LoadPlan::quitLine] = QStringLiteral("quit");

    const int count = int(qMin<qsizetype>(script.size(), commomData::tableSize));
    for (int i = 0; i < count; ++i)
        plan.scriptLines[i] = script[i];
    plan.scriptLast = count - 1;
    for (int i = 0; i <= plan.scriptLast; ++i) {
        plan.lineWaits[i] = double(lineWait);
        plan.stopAllowed[i] = true;
    }
    for (int i = 0; i < LoadPlan::unstoppableScriptLines; ++i)
        plan.stopAllowed[i] = false;
    plan.lineWaits[LoadPlan::restartLine] = double(restartWait);
    plan.scriptLines[LoadPlan::scriptPasswordLine] = newPass;
    return plan;
}
