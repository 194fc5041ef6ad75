#include <QTest>

#include "app/AppShell.h"
#include "app/FakeShell.h"
#include "app/MemorizedPassword.h"

namespace vko::test {

class MemorizedPasswordTest : public QObject {
    Q_OBJECT
private slots:
    void keepsAnyTextExactly() {
        MemorizedPassword password;
        QVERIFY(password.isEmpty());
        const QString text = QStringLiteral("p\u00e4ssw\u00f6rd \u20ac \U0001F511");
        password = text;
        QCOMPARE(QString(password), text);
        password = QString();
        QVERIFY(password.isEmpty());
        QCOMPARE(QString(password), QString());
    }

    // A new password overwrites the old one in place; forgetting it wipes and releases it.
    void replacingAndForgettingWipeTheOldText() {
        TempSettings files;
        FakeView view;
        ScriptedMessages messages;
        AppShell shell{view,
                       messages,
                       files.Store(),
                       files.ProgramFolder(),
                       [] { return QTime(12, 0); },
                       QLocale(QLocale::English)};
        MemorizedPassword& password = shell.State().MemorizedPassword;
        password = QStringLiteral("correct horse battery staple");
        const char* block = password.Secret().data();
        password = QStringLiteral("x");
        QCOMPARE(password.Secret().data(), block);
        for (size_t i = sizeof(char16_t); i < 28 * sizeof(char16_t); ++i)
            QCOMPARE(int(block[i]), 0);
        shell.ForgetPassword();
        QVERIFY(password.isEmpty());
        QCOMPARE(password.Secret().data(), nullptr);
    }
};

}  // namespace vko::test

QTEST_GUILESS_MAIN(vko::test::MemorizedPasswordTest)
#include "MemorizedPasswordTest.moc"
