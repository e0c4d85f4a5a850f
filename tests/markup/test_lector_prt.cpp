#include "markup/lector_prt.h"
#include "shared/error.h"
#include "support/ficheros.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestLectorPrt : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString escribe(const QByteArray& contenido) {
        const QString ruta = dir.filePath("prueba.prt");
        return EscribeFichero(ruta, contenido);
    }
    static QStringList leeTodo(const QString& ruta) {
        LectorPrt lector(ruta);
        QStringList lineas;
        QString linea;
        while (lector.siguiente(linea)) {
            lineas << linea;
            if (lector.numeroLinea() != lineas.size()) qFatal("line numbers out of step");
        }
        return lineas;
    }

  private slots:
    void lineas_data() {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<QStringList>("esperado");
        QTest::newRow("CR LF") << QByteArray("uno\r\ndos\r\n") << QStringList{"uno", "dos"};
        QTest::newRow("CR") << QByteArray("uno\rdos\r") << QStringList{"uno", "dos"};
        QTest::newRow("LF") << QByteArray("uno\ndos\n") << QStringList{"uno", "dos"};
        QTest::newRow("mezcla") << QByteArray("a\rb\r\nc\nd") << QStringList{"a", "b", "c", "d"};
        QTest::newRow("última sin fin") << QByteArray("uno\r\ndos") << QStringList{"uno", "dos"};
        QTest::newRow("vacías") << QByteArray("\r\n\r\nx\r\n\r\n") << QStringList{"", "", "x", ""};
        QTest::newRow("LF CR son dos fines") << QByteArray("a\n\rb") << QStringList{"a", "", "b"};
        QTest::newRow("fichero vacío") << QByteArray() << QStringList{};
        QTest::newRow("solo un fin") << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("bytes altos") << QByteArray("\xA4\x81\xFF") << QStringList{"¤\u0081ÿ"};
    }
    void lineas() {
        QFETCH(QByteArray, contenido);
        QFETCH(QStringList, esperado);
        QCOMPARE(leeTodo(escribe(contenido)), esperado);
    }

    // CR LF split across the reader's blocks, and lines longer than a block.
    void lineasLargas() {
        const QByteArray larga(200000, 'x');
        QByteArray contenido = larga + "\r";
        contenido.append(QByteArray(65536 - contenido.size() % 65536, 'y'));
        const QByteArray segunda = contenido.mid(larga.size() + 1);
        contenido = larga + "\r" + segunda.left(segunda.size() - 1) + "\r\nfin";
        const QStringList lineas = leeTodo(escribe(contenido));
        QCOMPARE(lineas.size(), 3);
        QCOMPARE(lineas[0].size(), larga.size());
        QCOMPARE(lineas[2], QString("fin"));
    }

    void finDeBloqueEntreCrYLf() {
        QByteArray contenido(65535, 'a');
        contenido += "\r\nb";
        QCOMPARE(leeTodo(escribe(contenido)).size(), 2);
    }

    void alFinal() {
        LectorPrt lector(escribe("uno\r\n"));
        QString linea;
        QVERIFY(!lector.alFinal());
        QVERIFY(lector.siguiente(linea));
        QVERIFY(lector.alFinal());
        QVERIFY(!lector.siguiente(linea));
    }

    void errores_data() {
        QTest::addColumn<QString>("ruta");
        QTest::addColumn<int>("numero");
        QTest::newRow("falta") << dir.filePath("noexiste.prt")
                               << int(ErrorVelmor::FicheroNoEncontrado);
        QTest::newRow("carpeta") << dir.path() << int(ErrorVelmor::ErrorAccesoRuta);
    }
    void errores() {
        QFETCH(QString, ruta);
        QFETCH(int, numero);
        try {
            LectorPrt lector(ruta);
            QFAIL("opening must fail");
        } catch (const ErrorVelmor& e) {
            QCOMPARE(e.numero(), numero);
            QVERIFY2(e.descripcion().contains(ruta), qPrintable(e.descripcion()));
        }
    }
};

QTEST_APPLESS_MAIN(TestLectorPrt)
#include "test_lector_prt.moc"
