// Where the program starts: the file or folder named on its command line, else its own folder or,
// installed in a system folder, the working folder.
#include "mainwindow/carpeta_inicio.h"
#include "shared/nombres_fichero.h"
#include "support/ficheros.h"

#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <unistd.h>

class TestCarpetaInicio : public QObject {
    Q_OBJECT
    QTemporaryDir raiz_;
    QString ruta(const QString& relativa) const { return raiz_.path() + "/" + relativa; }

  private slots:
    // QTemporaryDir cannot remove a name that is not UTF-8.
    void cleanupTestCase() {
        QCOMPARE(::unlink((QFile::encodeName(ruta("Listados/")) + "A\xD1O.PRT").constData()), 0);
    }

    void initTestCase() {
        QVERIFY(raiz_.isValid());
        EscribeFichero(ruta("Listados/INFORME.PRT"), "x\r\n");
        EscribeFichero(ruta("Listados/notas.txt"), "x\r\n");
        QDir().mkpath(ruta("Herramientas"));
        QDir().mkpath(ruta("Trabajo"));
        // A name that is not UTF-8, as a DOS program writes it.
        std::FILE* f =
            std::fopen((QFile::encodeName(ruta("Listados/")) + "A\xD1O.PRT").constData(), "wb");
        QVERIFY(f);
        std::fclose(f);
    }

    void De_data() {
        QTest::addColumn<QString>("programa");
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<QString>("carpeta");
        QTest::addColumn<QString>("fichero");
        QTest::addColumn<QString>("aviso");
        const QString r = "<raiz>/";
        QTest::newRow("sin argumento") << r + "Herramientas" << QStringList{} << "Herramientas"
                                       << ""
                                       << "";
        QTest::newRow("instalado en /usr/bin") << "/usr/bin" << QStringList{} << "Trabajo"
                                               << ""
                                               << "";
        QTest::newRow("instalado en /usr/local/bin")
            << "/usr/local/bin" << QStringList{} << "Trabajo"
            << ""
            << "";
        QTest::newRow("fichero") << r + "Herramientas" << QStringList{r + "Listados/INFORME.PRT"}
                                 << "Listados"
                                 << "INFORME.PRT"
                                 << "";
        QTest::newRow("fichero relativo")
            << "/usr/bin" << QStringList{"../Listados/INFORME.PRT"} << "Listados"
            << "INFORME.PRT"
            << "";
        QTest::newRow("carpeta") << r + "Herramientas" << QStringList{r + "Listados/"} << "Listados"
                                 << ""
                                 << "";
        QTest::newRow("punto") << r + "Herramientas" << QStringList{"."} << "Trabajo"
                               << ""
                               << "";
        QTest::newRow("interruptores aparte")
            << r + "Herramientas" << QStringList{"/b", r + "Listados/INFORME.PRT", "/I"}
            << "Listados"
            << "INFORME.PRT"
            << "";
        QTest::newRow("el primero")
            << r + "Herramientas" << QStringList{r + "Listados", r + "Herramientas"} << "Listados"
            << ""
            << "";
        QTest::newRow("no existe")
            << r + "Herramientas" << QStringList{r + "Listados/NO.PRT"} << "Herramientas"
            << ""
            << "No se puede abrir «<raiz>/Listados/NO.PRT»: no existe.";
        QTest::newRow("no es una carpeta")
            << r + "Herramientas" << QStringList{r + "Listados/INFORME.PRT/X.PRT"} << "Herramientas"
            << ""
            << "No se puede abrir «<raiz>/Listados/INFORME.PRT/X.PRT»: una parte de la ruta no es "
               "una carpeta.";
        // What the folder holds is the window's business: any file is named here.
        QTest::newRow("otro fichero")
            << r + "Herramientas" << QStringList{r + "Listados/notas.txt"} << "Listados"
            << "notas.txt"
            << "";
    }
    void De() {
        QFETCH(QString, programa);
        QFETCH(QStringList, argumentos);
        QFETCH(QString, carpeta);
        QFETCH(QString, fichero);
        QFETCH(QString, aviso);
        programa.replace("<raiz>", raiz_.path());
        for (QString& a : argumentos)
            a.replace("<raiz>", raiz_.path());
        const CarpetaInicio inicio = CarpetaInicio::De(programa, ruta("Trabajo"), argumentos);
        QCOMPARE(inicio.carpeta, ruta(carpeta));
        QCOMPARE(inicio.fichero, fichero);
        QCOMPARE(inicio.aviso, aviso.replace("<raiz>", raiz_.path()));
    }

    // The file's name reaches the window by its bytes.
    void nombreQueNoEsUtf8() {
        const QString argumento =
            NombreDeBytes(QFile::encodeName(ruta("Listados/")) + "A\xD1O.PRT");
        const CarpetaInicio inicio =
            CarpetaInicio::De(ruta("Herramientas"), ruta("Trabajo"), {argumento});
        QCOMPARE(inicio.carpeta, ruta("Listados"));
        QCOMPARE(BytesDeNombre(inicio.fichero), QByteArray("A\xD1O.PRT"));
        QVERIFY(inicio.aviso.isEmpty());
    }

    void carpetasDelSistema_data() {
        QTest::addColumn<QString>("carpeta");
        QTest::addColumn<bool>("sistema");
        QTest::newRow("/usr/bin") << "/usr/bin" << true;
        QTest::newRow("/usr/bin/") << "/usr/bin/" << true;
        QTest::newRow("/bin") << "/bin" << true;
        QTest::newRow("rodeo") << "/usr/lib/../bin" << true;
        QTest::newRow("/usr/local/bin") << "/usr/local/bin" << true;
        QTest::newRow("/usr") << "/usr" << false;
        QTest::newRow("/usr/lib") << "/usr/lib" << false;
        QTest::newRow("temporal") << "<raiz>" << false;
    }
    void carpetasDelSistema() {
        QFETCH(QString, carpeta);
        QFETCH(bool, sistema);
        QCOMPARE(CarpetaInicio::EsCarpetaDelSistema(carpeta.replace("<raiz>", raiz_.path())),
                 sistema);
    }
};

QTEST_GUILESS_MAIN(TestCarpetaInicio)
#include "test_carpeta_inicio.moc"
