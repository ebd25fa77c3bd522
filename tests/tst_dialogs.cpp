#include "widgets/dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QTimer>
#include <QtTest>

#include <functional>

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QGuiApplication::setLayoutDirection(Qt::LeftToRight); }

    // Under right to left the filter shows by its name alone: its patterns
    // beside a Hebrew name came out as "(pdf *.txt.* ...".
    void fileFiltersUnderRightToLeft_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<Qt::LayoutDirection>("direction");
        QTest::addColumn<QString>("shown");
        const QString name =
            QStringLiteral("\u05e7\u05d1\u05e6\u05d9\u05dd \u05e0\u05ea\u05de\u05db"
                           "\u05d9\u05dd");
        for (const char* kind : {"open", "open several", "save"}) {
            QTest::addRow("%s, left to right", kind)
                << kind << Qt::LeftToRight << name + QStringLiteral(" (*.txt *.pdf)");
            QTest::addRow("%s, right to left", kind) << kind << Qt::RightToLeft << name;
        }
    }
    void fileFiltersUnderRightToLeft() {
        QFETCH(QString, kind);
        QFETCH(Qt::LayoutDirection, direction);
        QGuiApplication::setLayoutDirection(direction);
        const QString filter = Dialogs::nameFilters(
            QStringLiteral("\u05e7\u05d1\u05e6\u05d9\u05dd \u05e0\u05ea\u05de\u05db\u05d9\u05dd"
                           " (*.txt;*.pdf)|*.txt;*.pdf"));

        // Looks at the real dialog once it is up, then cancels it.
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            const auto closeDialog = qScopeGuard([modal] {
                if (modal) modal->close();
            });
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            seen = true;
            QCOMPARE(dialog->testOption(QFileDialog::HideNameFilterDetails),
                     direction == Qt::RightToLeft);
            // Qt still reads the patterns.
            QCOMPARE(dialog->nameFilters(), QStringList{filter});
            auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            QVERIFY(types);
            QTEST(types->currentText(), "shown");
        });
        if (kind == QLatin1String("open"))
            QVERIFY(Dialogs::openFileName(nullptr, filter).isEmpty());
        else if (kind == QLatin1String("open several"))
            QVERIFY(Dialogs::openFileNames(nullptr, filter).isEmpty());
        else
            QVERIFY(Dialogs::saveFileName(nullptr, filter, QStringLiteral("a.txt")).isEmpty());
        QVERIFY(seen);
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
