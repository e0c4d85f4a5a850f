// The print job, as velmor-imprimir runs it and as the window does: what it prints, where, and
// which file it deletes. A file is deleted only when that very file printed whole; the output is
// whole or absent. Queues are those of the private CUPS scheduler of the fixture "cups":
// "Oficina" (default) and "Almacen" hand their jobs to a listener that writes them to
// $VELMOR_CUPS_JOBS_DIR/<Queue>-<n>.pdf; "Detenida" is stopped, "Rechaza" refuses jobs,
// "Inalcanzable" sends to a printer that never answers.
#include "printing/cola_cups.h"
#include "printing/trabajo_impresion.h"
#include "support/fake_printer.h"
#include "support/ficheros.h"
#include "support/programas.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <cups/cups.h>
#include <fcntl.h>
#include <unistd.h>

namespace {
QStringList trabajos() {
    return QDir(qEnvironmentVariable("VELMOR_CUPS_JOBS_DIR")).entryList({"*.pdf"}, QDir::Files);
}
// The jobs of a queue the listener has written since `antes`, once there is one.
QStringList nuevos(const QStringList& antes, const QString& cola) {
    QStringList n;
    (void)QTest::qWaitFor(
        [&] {
            n = trabajos().filter(QRegularExpression("^" + cola + "-"));
            for (const QString& f : antes)
                n.removeOne(f);
            return !n.isEmpty();
        },
        60000);
    return n;
}
QString texto(const QString& trabajo) {
    return TextoPdf(qEnvironmentVariable("VELMOR_CUPS_JOBS_DIR") + "/" + trabajo);
}
QStringList contenido(const QString& carpeta) {
    return QDir(carpeta).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                   QDir::NoDotAndDotDot);
}
// A shell in `carpeta`, velmor-imprimir as "$V", "$N" before it to run it without root's rights.
int Shell(const QString& carpeta, const QString& orden, QString* salida = nullptr) {
    auto entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert("V", VELMOR_IMPRIMIR);
    entorno.insert("N", geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "");
    int estado = -1;
    QString errores;
    const QString out = Ejecuta("sh", {"-c", orden}, &estado, &errores, carpeta, entorno);
    if (salida) *salida = out + errores;
    return estado;
}
} // namespace

class TestTrabajo : public QObject {
    Q_OBJECT
    CarpetasDePrueba dir;

  private slots:
    void initTestCase() {
        QVERIFY(!qEnvironmentVariable("VELMOR_CUPS_JOBS_DIR").isEmpty());
        QFile::setPermissions(dir.path(), QFile::Permissions(0x7755)); // reachable without root
    }
    void cleanupTestCase() { Shell(dir.path(), "chmod -R u+rwx ."); }
    void cleanup() {
        for (const char* cola : {"Detenida", "Inalcanzable"})
            cupsCancelJob2(CUPS_HTTP_DEFAULT, cola, 0, 1);
        QProcess::execute("cupsenable", {"Inalcanzable"}); // as the fixture made it
    }

    // Run as a user would, in a fresh folder: files made by `prepara` (exit 77: cannot be made
    // here), `orden` run, its exit status and what it says, then `comprueba` must hold.
    // `cola`: a job with the file's text reaches that queue's printer; "-": none reaches
    // "Oficina" before the next job does.
    void orden_data() {
        QTest::addColumn<QString>("prepara");
        QTest::addColumn<QString>("orden");
        QTest::addColumn<int>("estado");
        QTest::addColumn<QStringList>("dice");
        QTest::addColumn<QString>("comprueba");
        QTest::addColumn<QString>("cola");
        const QString r = "printf 'x\\r\\n' > R.PRT", ir = "$V --pdf R.pdf --borrar R.PRT",
                      sigue = "test -e R.PRT; test ! -e R.pdf";
        // What is not a regular file, or cannot be read, is refused at once (a FIFO with no
        // writer would hang the job for ever) and kept.
        QTest::newRow("FIFO") << "mkfifo R.PRT" << ir << 1 << QStringList{"es una tubería (FIFO)"}
                              << sigue << "";
        QTest::newRow("dispositivo") << "mknod R.PRT c 1 3 || exit 77" << ir << 1
                                     << QStringList{"es un dispositivo"} << sigue << "";
        QTest::newRow("carpeta") << "mkdir R.PRT" << ir << 1 << QStringList{"es una carpeta"}
                                 << sigue << "";
        QTest::newRow("no existe") << "" << ir << 1 << QStringList{"R.PRT"} << "test ! -e R.pdf"
                                   << "";
        QTest::newRow("enlace en bucle")
            << "ln -s R.PRT R.PRT" << ir << 1 << QStringList{"no encontrado"} << "test ! -e R.pdf"
            << "";
        QTest::newRow("sin permiso de lectura")
            << r + "; chmod 0 R.PRT; chmod 777 ."
            << "$N " + ir << 1 << QStringList{"No hay permiso para leer el fichero"} << sigue << "";
        QTest::newRow("en una carpeta cerrada")
            << "mkdir -m 0 c; printf 'x\\r\\n' > c/R.PRT; chmod 777 ."
            << "$N $V --pdf R.pdf --borrar c/R.PRT" << 1 << QStringList{"c/R.PRT"}
            << "test -e c/R.PRT; test ! -e R.pdf"
            << "";
        QTest::newRow("no se puede borrar")
            << "mkdir c; printf 'x\\r\\n' > c/R.PRT; chmod 555 c; chmod 777 ."
            << "$N $V --pdf R.pdf --borrar c/R.PRT" << 1 << QStringList{"no hay permiso"}
            << "test -e c/R.PRT; test -s R.pdf"
            << "";
        // A name that is not UTF-8 names that file, not the one Qt would make of it (U+FFFD).
        for (const char* nombre : {"\\377.prt", "A\\321O.PRT", "A\\245O.PRT"}) {
            const QString n = QString("\"$(printf '%1')\"").arg(nombre),
                          senuelo = QString(nombre).replace(QRegularExpression("\\\\[23][0-7]{2}"),
                                                            "\\357\\277\\275");
            QTest::newRow(nombre)
                << QString(
                       "printf 'ES BYTES\\r\\n' > %1; printf 'SENUELO\\r\\n' > \"$(printf '%2')\"")
                       .arg(n, senuelo)
                << "$V --pdf s.pdf --borrar " + n << 0 << QStringList{}
                << QString("test ! -e %1; test -e \"$(printf '%2')\"; pdftotext s.pdf - | grep -q "
                           "'ES BYTES'")
                       .arg(n, senuelo)
                << "";
        }
        // The PDF is never written over the file it prints, whatever name reaches it.
        const QString mismo = "printf 'x\\r\\n' > M.PRT; ln -s M.PRT enlace.pdf; ln M.PRT duro.pdf",
                      intacto = "printf 'x\\r\\n' | cmp - M.PRT";
        for (const char* destino : {"M.PRT", "\"$PWD/./M.PRT\"", "enlace.pdf", "duro.pdf"})
            QTest::newRow(qPrintable(QString("PDF sobre el PRT: ") + destino))
                << mismo << QString("$V --pdf %1 --borrar M.PRT").arg(destino) << 1
                << QStringList{"propio fichero"} << intacto << "";
        // A PDF that could not be written whole is no print: nothing at its name or beside it.
        QTest::newRow("disco lleno")
            << "mkdir lim; seq -f 'linea %g' 2000 > G.PRT"
            << "prlimit --fsize=20000 $V --pdf lim/salida.pdf --borrar G.PRT" << 1
            << QStringList{"salida.pdf"} << "test -e G.PRT; test -z \"$(ls -A lim)\""
            << "";
        QTest::newRow("salida que no es un fichero")
            << r << "$V --pdf /dev/full --borrar R.PRT" << 1
            << QStringList{"/dev/full", "no es un fichero normal"}
            << "test -e R.PRT; test -c /dev/full"
            << "";
        QTest::newRow("nada que imprimir")
            << "printf '{{Pagina}}\\r\\n' > V.PRT"
            << "$V --pdf v.pdf --borrar V.PRT" << 0 << QStringList{"V.PRT", "nada que imprimir"}
            << "test ! -e v.pdf"
            << "";
        // VELMOR_CP_DOS: the DOS page the text is converted from; one that cannot be used stops
        // before anything is printed.
        for (const auto& [pagina, estado, dice] :
             std::initializer_list<std::tuple<QString, int, const char*>>{
                 {"-", 0, "ı"},
                 {"437", 0, "╒"},
                 {"858", 0, "€"},
                 {"IBM437", 0, "╒"},
                 {"klingon", 2, "klingon"},
                 {"UTF-8", 2, "UTF-8"},
                 {"", 2, "VELMOR_CP_DOS"}}) {
            const QString var =
                pagina == "-" ? "env -u VELMOR_CP_DOS" : "env VELMOR_CP_DOS=" + pagina;
            QTest::newRow(qPrintable(var.mid(4)))
                << "printf 'caja \\325\\r\\n' > C.PRT" << var + " $V --pdf c.pdf C.PRT" << estado
                << (estado ? QStringList{dice, "VELMOR_CP_DOS"} : QStringList{})
                << (estado ? QString("test ! -e c.pdf")
                           : QString("pdftotext c.pdf - | grep -q 'caja %1'").arg(dice))
                << "";
        }
        // Several files: two that would write one PDF are refused before anything is printed; a
        // --pdf folder is made under its very bytes; one that fails stops neither the others nor
        // their deletion, and is kept.
        QTest::newRow("mismo PDF dos veces")
            << "mkdir a b; echo uno > a/INF.prt; echo dos > b/INF.prt"
            << "$V --pdf juntos --borrar a/INF.prt b/INF.prt" << 2
            << QStringList{"a/INF.prt", "b/INF.prt"}
            << "test -e a/INF.prt; test -e b/INF.prt; test ! -e juntos/INF.pdf"
            << "";
        QTest::newRow("carpeta --pdf que no es UTF-8")
            << "echo uno > UNO.PRT; echo dos > OTRO.PRT"
            << "$V --pdf \"$(printf 'SAL\\321')\" UNO.PRT OTRO.PRT" << 0 << QStringList{}
            << "cd \"$(printf 'SAL\\321')\"; test -s UNO.pdf; test -s OTRO.pdf"
            << "";
        QTest::newRow("varios, uno mal")
            << "echo uno > UNO.PRT; printf 'ok\\r\\nx}}y{{Pica\\r\\n' > MALO.PRT; echo dos > "
               "dos.prt"
            << "$V --pdf s --borrar UNO.PRT MALO.PRT dos.prt" << 1
            << QStringList{"MALO.PRT", "línea 2"}
            << "test -s s/UNO.pdf; test -s s/dos.pdf; test ! -e s/MALO.pdf; test ! -e UNO.PRT; "
               "test ! -e dos.prt; test -e MALO.PRT"
            << "";
        QTest::newRow("--horizontal") << r << "$V --pdf c.pdf --horizontal R.PRT" << 0
                                      << QStringList{} << "pdfinfo c.pdf | grep -q '842 x 595'"
                                      << "";
        QTest::newRow("--help") << ""
                                << "$V --help" << 0 << QStringList{"--impresora NOMBRE"} << ""
                                << "";
        QTest::newRow("--impresora que no existe")
            << r << "$V --borrar --impresora NoExiste R.PRT" << 2 << QStringList{"NoExiste"}
            << "test -e R.PRT"
            << "";
        QTest::newRow("--impresoras") << ""
                                      << "$V --impresoras" << 0
                                      << QStringList{"  Almacen\n  Detenida\n  Inalcanzable\n* "
                                                     "Oficina\n  Rechaza\n  Archivo PDF\n"}
                                      << ""
                                      << "";
        // The queues: without deletion, the scheduler's acceptance is enough; with it, the file
        // goes only when its job has completed, and a job that does not complete keeps it and
        // says which queue, job and state.
        const QString
            q = "printf 'PARA LA COLA Espa\\244a\\r\\n{{Pagina}}\\r\\nsegunda\\r\\n' > Q.PRT",
            queda = "test -e Q.PRT", seFue = "test ! -e Q.PRT";
        const QStringList noBorrado{"«", "Q.PRT» no se ha borrado", "trabajo "};
        QTest::newRow("Oficina") << q << "$V Q.PRT" << 0 << QStringList{} << queda << "Oficina";
        QTest::newRow("Oficina, borrar")
            << q << "$V --borrar Q.PRT" << 0 << QStringList{} << seFue << "Oficina";
        QTest::newRow("Almacen, 2 copias, borrar")
            << q << "$V --borrar -d Almacen -n 2 Q.PRT" << 0 << QStringList{} << seFue << "Almacen";
        QTest::newRow("detenida") << q << "$V -d Detenida Q.PRT" << 0 << QStringList{} << queda
                                  << "";
        QTest::newRow("detenida, borrar")
            << q << "$V --borrar --impresora=Detenida Q.PRT" << 1
            << noBorrado + QStringList{"«Detenida» está detenida", "espera su turno"} << queda
            << "";
        QTest::newRow("rechaza") << q << "$V -d Rechaza Q.PRT" << 1
                                 << QStringList{"«Rechaza» no acepta trabajos"} << queda << "";
        QTest::newRow("rechaza, borrar")
            << q << "$V --borrar -d Rechaza Q.PRT" << 1
            << QStringList{"«Rechaza» no acepta trabajos"} << queda << "";
        QTest::newRow("no termina a tiempo, borrar")
            << q << "$V --borrar -d Inalcanzable --espera 1 Q.PRT" << 1
            << noBorrado + QStringList{"«Inalcanzable» no ha terminado en 1 segundos"} << queda
            << "";
        QTest::newRow("cancelado mientras se espera, borrar")
            << q
            << "$V --borrar -d Inalcanzable Q.PRT & until lpstat -o Inalcanzable | grep -q .; do "
               "sleep 0.05; done;"
               " cancel -a Inalcanzable; wait $!"
            << 1 << QStringList{"se ha cancelado"} << queda << "";
        QTest::newRow("fallido, no llega")
            << "printf 'NO DEBE SALIR\\r\\nx{{NegritaOn}\\r\\n' > Q.PRT"
            << "$V --borrar Q.PRT" << 1 << QStringList{"Q.PRT", "línea 2"} << queda << "-";
    }
    void orden() {
        QFETCH(QString, prepara);
        QFETCH(QString, orden);
        QFETCH(int, estado);
        QFETCH(QStringList, dice);
        QFETCH(QString, comprueba);
        QFETCH(QString, cola);
        const QString c = dir.nueva();
        QString salida;
        const int preparado = Shell(c, "set -e; " + prepara, &salida);
        if (preparado == 77) QSKIP("cannot be made here");
        QVERIFY2(preparado == 0, qPrintable(salida));
        const QStringList antes = trabajos();
        QCOMPARE(Shell(c, orden, &salida), estado);
        for (const QString& parte : dice)
            QVERIFY2(salida.contains(parte), qPrintable(salida));
        QVERIFY2(Shell(c, "set -ex; " + comprueba, &salida) == 0, qPrintable(salida));
        if (cola.isEmpty()) return;
        if (cola == "-") QCOMPARE(Shell(c, "echo SIGUIENTE > S.PRT; $V S.PRT"), 0);
        const QStringList llegados = nuevos(antes, cola == "-" ? "Oficina" : cola);
        QVERIFY(!llegados.isEmpty());
        QVERIFY(texto(llegados[0]).contains(cola == "-" ? "SIGUIENTE" : "PARA LA COLA España"));
    }

    // What the scheduler answers, in Spanish: a missing queue, and no scheduler at all.
    void erroresDelServidor_data() {
        QTest::addColumn<QString>("servidor");
        QTest::addColumn<QString>("cola");
        QTest::addColumn<QString>("dice");
        QTest::newRow("cola que no existe") << ""
                                            << "NoExiste"
                                            << "«NoExiste» no existe";
        QTest::newRow("sin servidor") << dir.filePath("sin-servidor.sock") << "Oficina"
                                      << "CUPS) no está en marcha";
    }
    void erroresDelServidor() {
        QFETCH(QString, servidor);
        QFETCH(QString, cola);
        QFETCH(QString, dice);
        cupsSetServer(servidor.isEmpty() ? nullptr : QFile::encodeName(servidor).constData());
        const int fd = ::open("/dev/null", O_RDONLY);
        QString mensaje;
        try {
            ColaCups(cola, 5).envia(fd, "x", 1);
        } catch (const ErrorVelmor& e) {
            mensaje = e.mensaje();
        }
        ::close(fd);
        cupsSetServer(nullptr);
        QVERIFY2(mensaje.contains(dice), qPrintable(mensaje));
    }

    // Another program changes the file at a known point of the job (line 5 of 40): the job fails
    // saying so, no output is left, and the file is not deleted.
    void cambiaDuranteElTrabajo_data() {
        QTest::addColumn<QString>("orden"); // run by sh in the file's folder, on INFORME.PRT
        QTest::addColumn<QString>("dice");  // empty: printed and deleted
        QTest::newRow("sustituido") << "echo otro > n && mv n INFORME.PRT"
                                    << "ha cambiado";
        QTest::newRow("ampliado") << "echo mas >> INFORME.PRT"
                                  << "ha cambiado";
        QTest::newRow("recortado") << "truncate -s 100 INFORME.PRT"
                                   << "ha cambiado";
        QTest::newRow("tocado") << "touch -d 2001-01-01 INFORME.PRT"
                                << "ha cambiado";
        QTest::newRow("aún se escribe")
            << "(exec 3>>INFORME.PRT; touch abierto; exec sleep 600) >/dev/null 2>&1 &"
               " echo $! > escritor; until [ -e abierto ]; do sleep 0.01; done"
            << "aún se está escribiendo";
        QTest::newRow("sin cambios") << "true"
                                     << "";
    }
    void cambiaDuranteElTrabajo() {
        QFETCH(QString, orden);
        QFETCH(QString, dice);
        const QString c = dir.nueva(), prt = c + "/INFORME.PRT", pdf = c + "/INFORME.pdf";
        QByteArray lineas;
        for (int i = 1; i <= 40; ++i)
            lineas += "linea " + QByteArray::number(i) + " del informe de ventas\r\n";
        EscribeFichero(prt, lineas);
        FakeImpresoras impresoras({"Archivo PDF"});
        int escritos = 0;
        impresoras.dibujo.alEscribir = [&] {
            if (++escritos == 5) Shell(c, orden);
        };
        struct : InterlocutorTrabajo {
            QString destino;
            bool eligeImpresora(Impresoras&) override { return true; }
            QString salidaPdf(const QString&, const QString&) override { return destino; }
            bool confirmaBorrado(const QString&) override { return false; }
        } preguntas;
        preguntas.destino = pdf;
        PeticionTrabajo p;
        p.ruta = prt;
        p.borrar = true;
        TrabajoImpresion trabajo(impresoras, preguntas, p);
        QSignalSpy fin(&trabajo, &TrabajoImpresion::terminado);
        trabajo.inicia();
        QVERIFY(trabajo.haTerminado() || fin.wait(60000));
        const ResultadoTrabajo r = trabajo.resultado();
        Shell(c, "[ ! -e escritor ] || kill $(cat escritor)");
        if (dice.isEmpty()) {
            QVERIFY(r.fin == ResultadoTrabajo::Fin::Impreso && r.borrado);
            QCOMPARE(contenido(c), QStringList{"INFORME.pdf"});
            return;
        }
        QCOMPARE(r.fin, ResultadoTrabajo::Fin::Fallido);
        QVERIFY2(r.error && r.error->mensaje().contains(dice),
                 r.error ? qPrintable(r.error->mensaje()) : "");
        QCOMPARE(contenido(c).filter(QRegularExpression("^(INFORME.*|\\..*)$")),
                 QStringList{"INFORME.PRT"});
    }

    // A signal mid-job leaves no half PDF at the output's name and no temporary file anywhere.
    void senalAMitad_data() {
        QTest::addColumn<int>("senal");
        for (int s : {SIGTERM, SIGINT, SIGHUP, SIGKILL})
            QTest::newRow(strsignal(s)) << s;
    }
    void senalAMitad() {
        QFETCH(int, senal);
        const QString c = dir.nueva(), temporales = dir.nueva(), xdg = dir.nueva();
        QByteArray grande;
        for (int i = 1; i <= 66 * 8000; ++i)
            grande += "linea " + QByteArray::number(i) + " del informe de ventas del mes\r\n";
        const QString prt = EscribeFichero(dir.filePath("GRANDE.PRT"), grande);
        QProcess p;
        auto entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert("TMPDIR", temporales);
        entorno.insert("XDG_RUNTIME_DIR", xdg); // else Qt makes its own folder under TMPDIR
        QFile::setPermissions(xdg, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        p.setProcessEnvironment(entorno);
        p.start(VELMOR_IMPRIMIR, {"--pdf", c + "/GRANDE.pdf", "--borrar", prt});
        QVERIFY(p.waitForStarted());
        // The known point: the document is being written (a file of the output folder is open).
        auto escribiendo = [&] {
            const QString fds = QString("/proc/%1/fd/").arg(p.processId());
            char destino[4096];
            for (const QString& fd :
                 QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
                const ssize_t n =
                    ::readlink(QFile::encodeName(fds + fd).constData(), destino, sizeof destino);
                if (n > 0 && QByteArray(destino, n).startsWith(QFile::encodeName(c + "/")))
                    return true;
            }
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(escribiendo() || p.state() != QProcess::Running, 30000);
        QVERIFY2(p.state() == QProcess::Running, "the job ended before it could be interrupted");
        ::kill(pid_t(p.processId()), senal);
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::CrashExit);
        QVERIFY(QFile::exists(prt));
        QCOMPARE(contenido(c), QStringList());
        QCOMPARE(contenido(temporales), QStringList());
    }
};

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    TestTrabajo t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_trabajo.moc"
