// SPDX-License-Identifier: GPL-3.0-or-later
#include <QTest>

#include "app/FakeShell.h"

namespace vko::test {

class AppShellTest : public QObject {
    Q_OBJECT
private slots:
    // The close box only puts the window away, saying so from the tray the first time. Exit
    // during a job asks once, however often it is chosen, and without waiting for the answer
    // (the job runs on meanwhile): No leaves everything as it was and asks again next time;
    // Yes cancels the job and ends the program.
    void closing() {
        for (const bool yes : {false, true}) {
            ShellRig rig;
            rig.shell.Form_Load();
            QVERIFY(rig.shell.Form_Unload(false));
            QVERIFY(rig.shell.Form_Unload(false));
            QCOMPARE(rig.view.calls.filter(QRegularExpression("^(hide|told)$")),
                     QStringList({"hide", "told", "hide"}));
            rig.shell.Busy = true;
            QVERIFY(rig.shell.Form_Unload(true));
            QVERIFY(rig.shell.Form_Unload(true));
            QCOMPARE(rig.messages.later.size(), 1);
            QVERIFY(rig.shell.Busy && !rig.shell.State().CancelProcess && !rig.shell.Ended());
            rig.messages.later.takeFirst()(yes);
            QCOMPARE(rig.shell.Ended(), yes);
            QCOMPARE(rig.shell.State().CancelProcess, yes);
            QCOMPARE(rig.shell.Busy, !yes);
            QCOMPARE(rig.shell.Form_Unload(true), !yes);
            QCOMPARE(rig.messages.later.size(), yes ? 0 : 1);
        }
    }
};

}  // namespace vko::test

QTEST_GUILESS_MAIN(vko::test::AppShellTest)
#include "AppShellTest.moc"
