// What a screen reader finds in the windows: every control named, the bar
// graph's painted labels as accessible children, the history usable from the
// keyboard.

#include "program.h"

namespace {

QAccessibleInterface* Find(QAccessibleInterface* in, QAccessible::Role role, const QString& name) {
    for (int i = 0; in && i < in->childCount(); ++i) {
        QAccessibleInterface* c = in->child(i);
        if (c->role() == role && c->text(QAccessible::Name) == name)
            return c;
        if (QAccessibleInterface* deeper = Find(c, role, name))
            return deeper;
    }
    return nullptr;
}

// Controls a screen reader announces by name, found without one.
void CollectUnnamed(QAccessibleInterface* in, QStringList& out) {
    static const QList<QAccessible::Role> named = {
        QAccessible::EditableText, QAccessible::List,       QAccessible::ComboBox,
        QAccessible::ProgressBar,  QAccessible::PushButton, QAccessible::CheckBox,
        QAccessible::RadioButton,  QAccessible::PageTab};
    if (named.contains(in->role()) && in->text(QAccessible::Name).trimmed().isEmpty())
        out << QString::fromLatin1(in->object() ? in->object()->metaObject()->className() : "?");
    if (in->role() == QAccessible::ComboBox)
        return; // its pop-up list belongs to it
    for (int i = 0; i < in->childCount(); ++i)
        CollectUnnamed(in->child(i), out);
}

} // namespace

class TestAccessibility : public ProgramTest {
    Q_OBJECT
private slots:
    void everyControlOfEveryWindowIsNamedFromItsLabel() {
        Main& main = Registry::get<Main>();
        // The boxes are named by the heading above them, the instruction beside
        // them describes them.
        QAccessibleInterface* address = QAccessible::queryAccessibleInterface(main.txtIpAdd);
        QCOMPARE(address->text(QAccessible::Name), main.Label1->text());
        QCOMPARE(address->text(QAccessible::Description), main.Label3->text().trimmed());
        // In the calibration grid the bank's heading follows the row's label.
        QelConfig& config = Registry::get<QelConfig>();
        QCOMPARE(config.medPMaxH->accessibleName(), QStringLiteral("Max Pressure, High Bank"));

        QStringList unnamed;
        const QList<QWidget*> windows = {&main,
                                         &Registry::get<LinkConfig>(),
                                         &config,
                                         &Registry::get<Commands>(),
                                         &Registry::get<Error>(),
                                         &Registry::get<MasterList>(),
                                         &Registry::get<About>(),
                                         &Registry::get<Timeout>(),
                                         &Registry::get<Upload>(),
                                         &Registry::get<CreateSPF>(),
                                         &Registry::get<UploadSPF>()};
        for (QWidget* w : windows)
            CollectUnnamed(QAccessible::queryAccessibleInterface(w), unnamed);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1Char(' '))));
    }

    void barGraphReadsChannelValueFrameAndTagAfterAFrame() {
        MDIMain& frame = Registry::get<MDIMain>();
        frame.MenusConnected();
        frame.mnuBarGraphOpen->trigger();
        Bar& bar = Registry::get<Bar>();
        QTRY_VERIFY(bar.isVisible());
        Global::HandleQelLine(QStringLiteral("FRAME 0 41"));
        for (int ch = 0; ch < 16; ++ch)
            Global::HandleQelLine(QStringLiteral("%1 %2 20").arg(ch).arg(ch == 6 ? 907.6 : ch));
        frame.mnuTag1to16->trigger();

        QAccessibleInterface* graph = QAccessible::queryAccessibleInterface(&bar);
        QCOMPARE(graph->role(), QAccessible::Chart);
        QCOMPARE(graph->text(QAccessible::Name), QStringLiteral("Bar Graph"));
        QCOMPARE(graph->child(1)->text(QAccessible::Name), QStringLiteral("41"));
        QAccessibleInterface* row = Find(graph, QAccessible::Grouping, QStringLiteral("7"));
        QVERIFY(row);
        // Raw pressure counts are shown without decimals.
        QCOMPARE(row->text(QAccessible::Value), QStringLiteral("908"));
        QCOMPARE(row->child(1)->text(QAccessible::Name), QStringLiteral("908"));
        QCOMPARE(row->child(2)->text(QAccessible::Name), QStringLiteral("-32767"));
        QCOMPARE(row->text(QAccessible::Description), QStringLiteral("High (red)"));
        QAccessibleInterface* low = Find(graph, QAccessible::Grouping, QStringLiteral("1"));
        QCOMPARE(low->text(QAccessible::Description), QStringLiteral("Low (green)"));
        // The row's place on the screen is where its value is painted.
        const QRect valueBox = row->child(1)->rect();
        QCOMPARE(graph->childAt(valueBox.center().x(), valueBox.center().y()), row);
        QVERIFY(valueBox.intersects(QRect(bar.mapToGlobal(QPoint(0, 0)), bar.size())));
    }

    void historyEntryPickedWithArrowKeysFillsTheAddressBox() {
        Main& main = Registry::get<Main>();
        Global::IpHistory[0] = QStringLiteral("10.0.0.5");
        Global::IpHistory[1] = QStringLiteral("unit7:2323");
        main.FillHistoryList();
        main.showForm();
        main.lstIpHistory->setFocus();
        QTest::keyClick(main.lstIpHistory, Qt::Key_Down);
        QTest::keyClick(main.lstIpHistory, Qt::Key_Down);
        QCOMPARE(main.txtIpAdd->text(), QStringLiteral("unit7:2323"));
        // Refilling the list picks nothing.
        main.txtIpAdd->setText(QStringLiteral("typed"));
        main.FillHistoryList();
        QCOMPARE(main.txtIpAdd->text(), QStringLiteral("typed"));
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
