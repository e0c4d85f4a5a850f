#include "shared/paths.h"

#include "shared/error.h"
#include "shared/fichero_regular.h"
#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <sys/wait.h>
#include <unistd.h>

class TestPaths : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

  private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        QFile f(dir.filePath("INFORME.PRT"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(QDir(dir.path()).mkdir("Listados"));
        QVERIFY(QDir(dir.path()).mkdir("cerrada"));
        QFile g(dir.filePath("cerrada/dentro.prt"));
        QVERIFY(g.open(QIODevice::WriteOnly));
        QFile ilegible(dir.filePath("ilegible.prt"));
        QVERIFY(ilegible.open(QIODevice::WriteOnly));
        ilegible.setPermissions(QFileDevice::Permissions());
    }
    void cleanupTestCase() {
        QFile::setPermissions(dir.filePath("cerrada"), QFileDevice::ReadOwner |
                                                           QFileDevice::WriteOwner |
                                                           QFileDevice::ExeOwner);
    }

    void existe_data() {
        QTest::addColumn<QString>("ruta");
        QTest::addColumn<bool>("soloCarpeta");
        QTest::addColumn<bool>("esperado");
        QTest::newRow("fichero") << "INFORME.PRT" << false << true;
        QTest::newRow("fichero, solo carpeta") << "INFORME.PRT" << true << false;
        QTest::newRow("carpeta") << "Listados" << false << true;
        QTest::newRow("carpeta, solo carpeta") << "Listados" << true << true;
        QTest::newRow("falta") << "NOEXISTE.PRT" << false << false;
        QTest::newRow("falta, solo carpeta") << "NOEXISTE" << true << false;
        QTest::newRow("fichero ilegible existe") << "ilegible.prt" << false << true;
        QTest::newRow("dentro de un fichero") << "INFORME.PRT/x" << false << false;
        QTest::newRow("NUL tras un fichero")
            << QString("INFORME.PRT") + QChar(0) + "x" << false << false;
        QTest::newRow("NUL tras una carpeta") << QString("Listados") + QChar(0) << true << false;
    }
    void existe() {
        QFETCH(QString, ruta);
        QFETCH(bool, soloCarpeta);
        QFETCH(bool, esperado);
        QCOMPARE(ExisteRuta(dir.filePath(ruta), soloCarpeta), esperado);
    }

    void vacia() {
        QVERIFY(!ExisteRuta("", false));
        QVERIFY(!ExisteRuta("", true));
    }

    void relativaAlDirectorioActual() {
        const QString antes = QDir::currentPath();
        QDir::setCurrent(dir.path());
        const bool existe = ExisteRuta("Listados", true);
        QDir::setCurrent(antes);
        QVERIFY(existe);
    }

    // A path inside a folder the user may not enter cannot be queried: false, no error.
    // Root enters every folder, so as root the query runs in a child that has become "nobody".
    void carpetaSinPermiso() {
        QVERIFY(QFile::setPermissions(dir.filePath("cerrada"), QFileDevice::Permissions()));
        const QString ruta = dir.filePath("cerrada/dentro.prt");
        if (geteuid() != 0) {
            QVERIFY(!ExisteRuta(ruta, false));
            return;
        }
        const pid_t hijo = fork();
        QVERIFY(hijo >= 0);
        if (hijo == 0) {
            const bool sinPrivilegios = setgid(65534) == 0 && setuid(65534) == 0;
            _exit(!sinPrivilegios ? 2 : ExisteRuta(ruta, false) ? 1 : 0);
        }
        int estado = 0;
        QCOMPARE(waitpid(hijo, &estado, 0), hijo);
        QVERIFY(WIFEXITED(estado));
        QCOMPARE(WEXITSTATUS(estado), 0);
    }

    // Deleting: the file goes; a failure names the file and the cause, and deletes nothing.
    void borrar_data() {
        QTest::addColumn<QString>("ruta");
        QTest::addColumn<int>("numero"); // 0: deleted
        QTest::addColumn<QString>("causa");
        QTest::newRow("fichero") << "BORRAR.PRT" << 0 << "";
        QTest::newRow("ya no existe")
            << "NOEXISTE.PRT" << int(ErrorVelmor::FicheroNoEncontrado) << "ya no existe";
        QTest::newRow("dentro de un fichero")
            << "INFORME.PRT/x" << int(ErrorVelmor::FicheroNoEncontrado) << "ya no existe";
        QTest::newRow("carpeta") << "Listados" << int(ErrorVelmor::ErrorAccesoRuta)
                                 << "es una carpeta";
        QTest::newRow("carpeta sin permiso de escritura")
            << "protegida/dentro.prt" << int(ErrorVelmor::PermisoDenegado) << "no hay permiso";
        // The file changed after its identity was taken: it is another file now, and stays.
        QTest::newRow("ampliado") << "+BORRAR.PRT" << int(ErrorVelmor::FicheroCambiado)
                                  << "ha cambiado desde que se imprimió";
        QTest::newRow("sustituido") << "=BORRAR.PRT" << int(ErrorVelmor::FicheroCambiado)
                                    << "ha cambiado desde que se imprimió";
    }
    void borrar() {
        QFETCH(QString, ruta);
        QFETCH(int, numero);
        QFETCH(QString, causa);
        QFile(dir.filePath("BORRAR.PRT")).open(QIODevice::WriteOnly);
        QDir(dir.path()).mkdir("protegida");
        QFile(dir.filePath("protegida/dentro.prt")).open(QIODevice::WriteOnly);
        QFile::setPermissions(dir.filePath("protegida"),
                              QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        if (ruta.startsWith("protegida") && geteuid() == 0) QSKIP("root deletes anywhere");
        const char cambio = ruta.startsWith('+') || ruta.startsWith('=') ? ruta[0].toLatin1() : 0;
        if (cambio) ruta.remove(0, 1);
        const QString completa = dir.filePath(ruta);
        const bool existia = QFileInfo::exists(completa);
        struct stat datos {};
        ::stat(QFile::encodeName(completa).constData(), &datos);
        const IdentidadFichero antes = IdentidadFichero::De(datos);
        if (cambio == '+') {
            QFile f(completa);
            QVERIFY(f.open(QIODevice::Append));
            f.write("otra línea\r\n");
        } else if (cambio == '=') {
            QFile f(dir.filePath("nuevo.tmp"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.close();
            QVERIFY(::rename(QFile::encodeName(f.fileName()), QFile::encodeName(completa)) == 0);
        }
        try {
            BorrarFichero(completa, antes, "desde que se imprimió");
            QCOMPARE(numero, 0);
            QVERIFY(!QFileInfo::exists(completa));
        } catch (const ErrorVelmor& e) {
            QCOMPARE(e.numero(), numero);
            QVERIFY2(e.descripcion().contains("«" + completa + "»"), qPrintable(e.descripcion()));
            QVERIFY2(e.descripcion().contains(causa), qPrintable(e.descripcion()));
            QCOMPARE(QFileInfo::exists(completa), existia);
        }
        QFile::setPermissions(dir.filePath("protegida"), QFileDevice::ReadOwner |
                                                             QFileDevice::WriteOwner |
                                                             QFileDevice::ExeOwner);
    }
};

QTEST_APPLESS_MAIN(TestPaths)
#include "test_paths.moc"
