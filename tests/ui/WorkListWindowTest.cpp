#include <QAction>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QTest>

#include "app/JobRig.h"
#include "ui/frmMain.h"

namespace vko::test {

namespace {

// The main window with the jobs' dialogs answered by the test.
struct WindowRig {
    TempSettings files;
    TempDir dir;
    ScriptedMessages messages;
    FakeDialogs dialogs;
    int ended = 0;
    std::unique_ptr<frmMain> window;

    WindowRig() {
        UseFastKeys();
        WindowServices services;
        services.clock = [] { return QTime(10, 0); };
        services.endProgram = [this] { ++ended; };
        services.dialogs = &dialogs;
        services.programFolder = files.ProgramFolder();
        window = std::make_unique<frmMain>(messages, files.Store(), services);
        if (!window->Form_Load(false)) qFatal("start-up failed");
        window->Shell().State().DefaultFolder = Path("boxes") + "/";
        window->show();
    }
    [[nodiscard]] QString Path(const std::string& relative) const {
        return QString::fromStdString(dir / relative);
    }
    QListView* List() { return window->findChild<QListView*>("lstFiles"); }
    QString Status() { return window->findChild<QLabel*>("lblStatus")->text(); }
    QAction* Item(const char* name) { return window->findChild<QAction*>(name); }
    QStringList Entries() { return window->Work().lstFiles().stringList(); }

    // Drags data over the list and drops it; returns whether the drag was accepted.
    bool Drop(QMimeData* data) {
        QWidget* target = List()->viewport();
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        if (!enter.isAccepted() || enter.dropAction() != Qt::CopyAction) return false;
        QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                        Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        return drop.isAccepted();
    }
};

QMimeData* Files(const QStringList& paths) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

}  // namespace

class WorkListWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void dropListsAndQueues() {
        WindowRig rig;
        MakeTree(rig.dir / "A", {{"x", "1"}});
        const QString file = rig.Path("b.vkx");
        WriteFile(file.toStdString(), "not a box");
        rig.dialogs.createBox = [](const CreateBoxForm&) { return std::nullopt; };
        rig.dialogs.password = [](const QString&) { return std::optional<QString>(); };
        std::unique_ptr<QMimeData> data(Files({rig.Path("A"), file}));
        QVERIFY(rig.Drop(data.get()));
        QCOMPARE(rig.Entries(), QStringList({rig.Path("A"), file}));
        QCOMPARE(rig.window->Shell().DroppedBoxes, QStringList(file));
        QTRY_VERIFY(rig.Status().endsWith("Box not created"));
        // The dropped file is opened once the batch is over.
        QTRY_COMPARE(rig.dialogs.asked.last(), QString("password: b.vkx []"));

        auto text = std::make_unique<QMimeData>();
        text->setText("not files");
        QVERIFY(!rig.Drop(text.get()));
    }

    void doubleClickOpensAndDeleteRemoves() {
        WindowRig rig;
        rig.dialogs.password = [](const QString&) { return std::optional<QString>(); };
        rig.window->Work().lstFiles().setStringList({"/x/first.vkx", "/x/second.vkx"});
        QListView* list = rig.List();
        const QModelIndex second = rig.window->Work().lstFiles().index(1);
        const QPoint at = list->visualRect(second).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(rig.dialogs.asked, QStringList("password: second.vkx []"));

        list->setFocus();
        QTest::keyClick(list, Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(rig.Entries().size(), 2);
        list->setCurrentIndex(rig.window->Work().lstFiles().index(0));
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(rig.Entries(), QStringList("/x/second.vkx"));
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::WorkListWindowTest)
#include "WorkListWindowTest.moc"
