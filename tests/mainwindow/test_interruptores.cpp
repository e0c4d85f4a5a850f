// The program's switches: "/B" and "/I", in any letter case, only as whole arguments.
#include "mainwindow/interruptores.h"

#include <QTest>

class TestInterruptores : public QObject {
    Q_OBJECT
  private slots:
    void De_data() {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<bool>("borrar");
        QTest::addColumn<bool>("elegir");
        QTest::newRow("ninguno") << QStringList{} << false << false;
        QTest::newRow("/B") << QStringList{"/B"} << true << false;
        QTest::newRow("/b minúscula") << QStringList{"/b"} << true << false;
        QTest::newRow("/i minúscula") << QStringList{"/i"} << false << true;
        QTest::newRow("los dos") << QStringList{"/I", "/b"} << true << true;
        QTest::newRow("junto a un fichero")
            << QStringList{"/home/ana/X.PRT", "/B"} << true << false;
        // A path is never a switch, whatever it holds: "/B" inside it would delete files.
        QTest::newRow("ruta con /B") << QStringList{"/home/ana/Borradores/X.PRT"} << false << false;
        QTest::newRow("ruta con /I") << QStringList{"/srv/Informes/A.PRT"} << false << false;
        QTest::newRow("ruta con /b") << QStringList{"/tmp/b"} << false << false;
        QTest::newRow("dentro de un argumento") << QStringList{"x/Bruno"} << false << false;
        QTest::newRow("pegados") << QStringList{"/b/I"} << false << false;
        QTest::newRow("con blancos") << QStringList{" /B", "/I "} << false << false;
        QTest::newRow("sin barra") << QStringList{"B", "I", "-b"} << false << false;
        QTest::newRow("barra invertida") << QStringList{"\\B"} << false << false;
    }
    void De() {
        QFETCH(QStringList, argumentos);
        QFETCH(bool, borrar);
        QFETCH(bool, elegir);
        const Interruptores i = Interruptores::De(argumentos);
        QCOMPARE(i.borrar, borrar);
        QCOMPARE(i.elegirImpresora, elegir);
        for (const QString& a : argumentos)
            QCOMPARE(Interruptores::Es(a), a.compare("/B", Qt::CaseInsensitive) == 0 ||
                                               a.compare("/I", Qt::CaseInsensitive) == 0);
    }
};

QTEST_GUILESS_MAIN(TestInterruptores)
#include "test_interruptores.moc"
