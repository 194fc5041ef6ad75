// SPDX-License-Identifier: GPL-3.0-or-later
#include <QTest>

#include "app/EnginePassword.h"
#include "app/FakeShell.h"
#include "crypto/CCipher.h"
#include "crypto/cipherlib_testing.h"

namespace vko::test {

class MemorizedPasswordTest : public QObject {
    Q_OBJECT
private slots:
    // Any text comes back exactly; a new password overwrites the old one in place; forgetting
    // it wipes and releases it.
    void replacingAndForgettingWipeTheOldText() {
        ShellRig rig;
        MemorizedPassword& password = rig.shell.State().MemorizedPassword;
        const QString text = QStringLiteral("p\u00e4ssw\u00f6rd \u20ac \U0001F511 correct horse");
        password = text;
        QCOMPARE(QString(password), text);
        const char* block = password.Secret().data();
        password = QStringLiteral("x");
        QCOMPARE(QString(password), QString("x"));
        QCOMPARE(password.Secret().data(), block);
        for (size_t i = sizeof(char16_t); i < size_t(text.size()) * sizeof(char16_t); ++i)
            QCOMPARE(int(block[i]), 0);
        rig.shell.ForgetPassword();
        QCOMPARE(password.Secret().data(), nullptr);
    }

    // The remembered password keeps its derived key past the end of an operation, so a job
    // derives it once; replacing it by another password or forgetting it wipes the key.
    void itsKeyLastsAsLongAsItIsRemembered() {
        ShellRig rig;
        MemorizedPassword& password = rig.shell.State().MemorizedPassword;
        const auto keyAndClear = [&] {
            const EnginePassword bytes(password);
            CCipher cipher;
            cipher.Initilize(static_cast<const std::string&>(bytes));
            cipher.Clear();
        };
        password = QStringLiteral("first");
        keyAndClear();
        QVERIFY(cipherlib_testing::HoldsPasswordKey());
        password = QStringLiteral("first");
        QVERIFY(cipherlib_testing::HoldsPasswordKey());
        password = QStringLiteral("second");
        QVERIFY(!cipherlib_testing::HoldsPasswordKey());
        keyAndClear();
        rig.shell.ForgetPassword();
        QVERIFY(!cipherlib_testing::HoldsPasswordKey());
    }

    // The engine gets the UTF-8 bytes a terminal would give vkx, and they are wiped in place.
    void theEngineCopyIsUtf8AndIsWiped() {
        MemorizedPassword password;
        password = QStringLiteral("p\u00e4ss \U0001F511");
        EnginePassword bytes(password);
        const std::string& view = bytes;
        QCOMPARE(view, std::string("p\xc3\xa4ss \xf0\x9f\x94\x91"));
        bytes.Wipe();
        QCOMPARE(view, std::string(view.size(), '\0'));
    }
};

}  // namespace vko::test

QTEST_GUILESS_MAIN(vko::test::MemorizedPasswordTest)
#include "MemorizedPasswordTest.moc"
