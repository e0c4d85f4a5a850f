// The print job shared by the window and the command line, on real files: a file is deleted only
// when that very file printed whole, and the output is whole or absent.
#include "printing/trabajo_impresion.h"
#include "shared/nombres_fichero.h"
#include "support/fake_printer.h"
#include "support/ficheros.h"
#include "support/programas.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {
// The answers of the command line: the PDF goes to `destino`, no question.
struct Preguntas : InterlocutorTrabajo {
    QString destino;
    bool eligeImpresora(Impresoras&) override { return true; }
    QString salidaPdf(const QString&, const QString&) override { return destino; }
    bool confirmaBorrado(const QString&) override { return false; }
};

ResultadoTrabajo ejecuta(Impresoras& impresoras, const QString& prt, const QString& destino) {
    Preguntas preguntas;
    preguntas.destino = destino;
    PeticionTrabajo p;
    p.ruta = prt;
    p.borrar = true;
    TrabajoImpresion trabajo(impresoras, preguntas, p);
    QSignalSpy fin(&trabajo, &TrabajoImpresion::terminado);
    trabajo.inicia();
    if (!trabajo.haTerminado() && !fin.wait(30000)) qFatal("the job did not end");
    return trabajo.resultado();
}

QByteArray lineas(int cuantas) {
    QByteArray b;
    for (int i = 1; i <= cuantas; ++i)
        b += "linea " + QByteArray::number(i) + " del informe de ventas del mes\r\n";
    return b;
}

// Everything in a folder, hidden files included.
QStringList contenido(const QString& carpeta) {
    return QDir(carpeta).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                   QDir::NoDotAndDotDot);
}

// Runs velmor-imprimir with arguments given as bytes (names that are not UTF-8 reach it as they
// are); returns its exit status and what it wrote on stderr.
int imprimir(const QList<QByteArray>& argumentos, QString* errores) {
    int tubo[2];
    if (::pipe(tubo) != 0) qFatal("pipe");
    posix_spawn_file_actions_t acciones;
    posix_spawn_file_actions_init(&acciones);
    posix_spawn_file_actions_adddup2(&acciones, tubo[1], 2);
    posix_spawn_file_actions_addclose(&acciones, tubo[0]);
    QList<QByteArray> todos{VELMOR_IMPRIMIR};
    todos += argumentos;
    std::vector<char*> argv;
    for (QByteArray& a : todos)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, VELMOR_IMPRIMIR, &acciones, nullptr, argv.data(), environ) != 0)
        qFatal("spawn");
    ::close(tubo[1]);
    QByteArray salida;
    char bloque[4096];
    for (ssize_t n; (n = ::read(tubo[0], bloque, sizeof bloque)) > 0;)
        salida.append(bloque, n);
    ::close(tubo[0]);
    int estado = 0;
    ::waitpid(pid, &estado, 0);
    posix_spawn_file_actions_destroy(&acciones);
    if (errores) *errores = QString::fromUtf8(salida);
    return WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
}

bool existeBytes(const QByteArray& ruta) {
    struct stat datos {};
    return ::lstat(ruta.constData(), &datos) == 0;
}
} // namespace

class TestTrabajoImpresion : public QObject {
    Q_OBJECT
    CarpetasDePrueba dir;

    QString carpetaNueva() { return dir.nueva(); }

  private slots:
    // Another program changes the file at a known point of the job (line 5 of 40): the job fails
    // saying so, no PDF is left, and the file is not deleted.
    void cambiaDuranteElTrabajo_data() {
        QTest::addColumn<QString>("orden"); // run by sh in the file's folder, on INFORME.PRT
        QTest::addColumn<QString>("dice");
        QTest::newRow("sustituido") << "printf 'otro informe\\r\\n' > nuevo && mv nuevo INFORME.PRT"
                                    << "ha cambiado";
        QTest::newRow("ampliado") << "printf 'mas\\r\\n' >> INFORME.PRT"
                                  << "ha cambiado";
        QTest::newRow("recortado") << "truncate -s 100 INFORME.PRT"
                                   << "ha cambiado";
        QTest::newRow("tocado") << "touch -d '2001-01-01' INFORME.PRT"
                                << "ha cambiado";
        QTest::newRow("aún se escribe")
            << "(exec 3>>INFORME.PRT; touch abierto; sleep 20) >/dev/null 2>&1 &"
               " echo $! > escritor; while [ ! -e abierto ]; do sleep 0.01; done"
            << "aún se está escribiendo";
        QTest::newRow("sin cambios") << "true"
                                     << "";
    }
    void cambiaDuranteElTrabajo() {
        QFETCH(QString, orden);
        QFETCH(QString, dice);
        const QString carpeta = carpetaNueva();
        const QString prt = EscribeFichero(carpeta + "/INFORME.PRT", lineas(40));
        FakeImpresoras impresoras({"Archivo PDF"});
        int escritos = 0;
        impresoras.dibujo.alEscribir = [&] {
            if (++escritos == 5)
                QProcess::execute("sh", {"-c", "cd '" + carpeta + "' || exit 1; " + orden});
        };
        const QString pdf = carpeta + "/INFORME.pdf";
        const ResultadoTrabajo r = ejecuta(impresoras, prt, pdf);
        QFile escritor(carpeta + "/escritor");
        if (escritor.open(QIODevice::ReadOnly))
            ::kill(escritor.readAll().trimmed().toInt(), SIGKILL);
        if (dice.isEmpty()) {
            QVERIFY(r.fin == ResultadoTrabajo::Fin::Impreso && r.borrado);
            QVERIFY(!QFile::exists(prt));
            QVERIFY(QFile::exists(pdf));
            return;
        }
        QCOMPARE(r.fin, ResultadoTrabajo::Fin::Fallido);
        QVERIFY2(r.error && r.error->mensaje().contains(dice),
                 r.error ? qPrintable(r.error->mensaje()) : "no error");
        QVERIFY(QFile::exists(prt));
        QVERIFY(!QFile::exists(pdf));
        for (const QString& f : contenido(carpeta))
            QVERIFY2(f == "INFORME.PRT" || f == "escritor" || f == "abierto", qPrintable(f));
    }

    // The PDF printer never writes over the file it prints, whatever name reaches it.
    void pdfSobreElPrt_data() {
        QTest::addColumn<QString>("salida");
        const QString prt = EscribeFichero(dir.filePath("MISMO.PRT"), "x\r\n");
        QTest::newRow("el mismo nombre") << prt;
        QTest::newRow("otro camino") << dir.path() + "/./MISMO.PRT";
        QVERIFY(QFile::link(prt, dir.filePath("enlace.pdf")));
        QTest::newRow("enlace simbólico") << dir.filePath("enlace.pdf");
        QVERIFY(::link(QFile::encodeName(prt).constData(),
                       QFile::encodeName(dir.filePath("duro.pdf")).constData()) == 0);
        QTest::newRow("enlace duro") << dir.filePath("duro.pdf");
    }
    void pdfSobreElPrt() {
        QFETCH(QString, salida);
        FakeImpresoras impresoras({"Archivo PDF"});
        const ResultadoTrabajo r = ejecuta(impresoras, dir.filePath("MISMO.PRT"), salida);
        QCOMPARE(r.fin, ResultadoTrabajo::Fin::Fallido);
        QVERIFY(r.error->mensaje().contains("propio fichero"));
        QCOMPARE(impresoras.dibujo.documentosTerminados, 0);
        QFile prt(dir.filePath("MISMO.PRT"));
        QVERIFY(prt.open(QIODevice::ReadOnly));
        QCOMPARE(prt.readAll(), QByteArray("x\r\n"));
    }

    // What is not a regular file is refused at once (never read, never deleted); a FIFO without a
    // writer would otherwise hang the job for ever.
    void noEsUnFichero_data() {
        QTest::addColumn<QString>("clase");
        QTest::addColumn<QString>("dice");
        QTest::newRow("FIFO") << "fifo"
                              << "es una tubería (FIFO)";
        QTest::newRow("dispositivo") << "dispositivo"
                                     << "es un dispositivo";
        QTest::newRow("carpeta") << "carpeta"
                                 << "es una carpeta";
    }
    void noEsUnFichero() {
        QFETCH(QString, clase);
        QFETCH(QString, dice);
        const QByteArray ruta = QFile::encodeName(carpetaNueva() + "/RARO.PRT");
        if (clase == "fifo") {
            QVERIFY(::mkfifo(ruta.constData(), 0644) == 0);
        } else if (clase == "dispositivo") {
            // A null device of our own in a temporary folder; the real /dev is never touched.
            if (::mknod(ruta.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
                QSKIP("making a device node needs root");
        } else {
            QVERIFY(::mkdir(ruta.constData(), 0755) == 0);
        }
        QString errores;
        QElapsedTimer reloj;
        reloj.start();
        const int estado = imprimir({"--pdf", ruta + ".pdf", "--borrar", ruta}, &errores);
        QCOMPARE(estado, 1);
        QVERIFY2(errores.contains(dice), qPrintable(errores));
        QVERIFY(existeBytes(ruta));
        QVERIFY(!existeBytes(ruta + ".pdf"));
        QVERIFY(reloj.elapsed() < 20000);
    }

    // A name that is not UTF-8 names that file and no other: the file whose name is what Qt would
    // have made of it (U+FFFD) is left alone.
    void nombresQueNoSonUtf8_data() {
        QTest::addColumn<QByteArray>("nombre");
        QTest::newRow("byte suelto") << QByteArray("\xff.prt");
        QTest::newRow("Latin-1") << QByteArray("A\xd1O.PRT");
        QTest::newRow("página 850") << QByteArray("A\xa5O.PRT");
    }
    void nombresQueNoSonUtf8() {
        QFETCH(QByteArray, nombre);
        const QByteArray carpeta = QFile::encodeName(carpetaNueva());
        const QByteArray ruta = carpeta + '/' + nombre;
        const QByteArray senuelo = QFile::encodeName(NombreVisible(QString::fromUtf8(ruta)));
        for (const QByteArray& f : {ruta, senuelo, carpeta + "/\xef\xbf\xbd.prt"}) {
            QFile fichero(QString::fromUtf8(f));
            const int fd = ::open(f.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
            QVERIFY(fd >= 0);
            const QByteArray texto = "ES " + f.toHex() + "\r\n";
            QCOMPARE(::write(fd, texto.constData(), size_t(texto.size())), ssize_t(texto.size()));
            ::close(fd);
        }
        QString errores;
        QCOMPARE(imprimir({"--pdf", carpeta + "/salida.pdf", "--borrar", ruta}, &errores), 0);
        QVERIFY(!existeBytes(ruta));
        QVERIFY(existeBytes(senuelo));
        QVERIFY(existeBytes(carpeta + "/\xef\xbf\xbd.prt"));
        QVERIFY(
            TextoPdf(QString::fromUtf8(carpeta) + "/salida.pdf").contains("ES " + ruta.toHex()));
    }

    // A signal mid-job leaves no half PDF at the output's name and no temporary file anywhere.
    void senalAMitad_data() {
        QTest::addColumn<int>("senal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("SIGKILL") << int(SIGKILL);
    }
    void senalAMitad() {
        QFETCH(int, senal);
        const QString carpeta = carpetaNueva();
        const QString temporales = carpetaNueva();
        const QString prt = EscribeFichero(dir.filePath("GRANDE.PRT"), lineas(66 * 4000));
        QProcess p;
        auto entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert("TMPDIR", temporales);
        // Qt makes its runtime folder under TMPDIR when this is not set; it is not the job's.
        const QString xdg = carpetaNueva();
        QFile::setPermissions(xdg, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                       QFileDevice::ExeOwner);
        entorno.insert("XDG_RUNTIME_DIR", xdg);
        p.setProcessEnvironment(entorno);
        p.start(VELMOR_IMPRIMIR, {"--pdf", carpeta + "/GRANDE.pdf", "--borrar", prt});
        QVERIFY(p.waitForStarted());
        // The known point: the document is being written (its nameless file is open).
        QElapsedTimer reloj;
        reloj.start();
        bool escribiendo = false;
        while (!escribiendo && reloj.elapsed() < 20000 && p.state() == QProcess::Running) {
            const QString fds = QString("/proc/%1/fd").arg(p.processId());
            for (const QString& fd :
                 QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
                char destino[4096];
                const ssize_t n = ::readlink(QFile::encodeName(fds + '/' + fd).constData(), destino,
                                             sizeof destino);
                escribiendo |=
                    n > 0 && QByteArray(destino, n).startsWith(QFile::encodeName(carpeta + "/"));
            }
            QTest::qWait(5);
        }
        QVERIFY2(escribiendo, "the job ended before it could be interrupted");
        ::kill(pid_t(p.processId()), senal);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::CrashExit);
        QVERIFY(QFile::exists(prt));
        QCOMPARE(contenido(carpeta), QStringList());
        QCOMPARE(contenido(temporales), QStringList());
    }
};

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    TestTrabajoImpresion t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_trabajo_impresion.moc"
