// velmor-imprimir --vigilar end to end, as a user runs it: real files dropped into a folder,
// printed to PDF and to the queues of the private CUPS scheduler (fixture "cups": "Oficina" and
// "Almacen" complete their jobs, written by the loopback listener to
// $VELMOR_CUPS_JOBS_DIR/<Queue>-<n>.pdf; "Detenida" is stopped, "Rechaza" refuses jobs,
// "Inalcanzable" never completes one), stopped by signals and started again.
#include "support/ficheros.h"
#include "support/programas.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <csignal>
#include <cups/cups.h>
#include <functional>
#include <memory>
#include <unistd.h>

namespace {
constexpr int kPlazo = 60000; // ms a file may take to show in the log

QByteArray lee(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A whole, well-formed PDF.
bool pdfEntero(const QString& pdf) {
    int estado = -1;
    Ejecuta("qpdf", {"--check", pdf}, &estado);
    return estado == 0;
}

// Everything in a folder, hidden files included.
QStringList contenido(const QString& carpeta) {
    return QDir(carpeta).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                   QDir::NoDotAndDotDot);
}

QString carpetaTrabajos() {
    return qEnvironmentVariable("VELMOR_CUPS_JOBS_DIR");
}
QStringList trabajosEscritos(const QString& cola) {
    return QDir(carpetaTrabajos()).entryList({cola + "-*.pdf"}, QDir::Files, QDir::Name);
}

// The jobs of the scheduler (any queue, any state) newer than `desde`, titled `titulo`.
QList<int> trabajosTitulados(const QString& titulo, int desde) {
    cups_job_t* trabajos = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &trabajos, nullptr, 0, CUPS_WHICHJOBS_ALL);
    QList<int> ids;
    for (int i = 0; i < n; ++i)
        if (trabajos[i].id > desde && QString::fromUtf8(trabajos[i].title) == titulo)
            ids << trabajos[i].id;
    cupsFreeJobs(n, trabajos);
    return ids;
}
int ultimoTrabajo() {
    cups_job_t* trabajos = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &trabajos, nullptr, 0, CUPS_WHICHJOBS_ALL);
    int ultimo = 0;
    for (int i = 0; i < n; ++i)
        ultimo = qMax(ultimo, trabajos[i].id);
    cupsFreeJobs(n, trabajos);
    return ultimo;
}

QByteArray lineas(int cuantas, const QByteArray& que) {
    QByteArray b;
    for (int i = 1; i <= cuantas; ++i)
        b += que + ' ' + QByteArray::number(i) + " del informe de ventas del mes\r\n";
    return b;
}

// One run of velmor-imprimir --vigilar, with what it has written on stdout so far.
class Vigilancia {
  public:
    explicit Vigilancia(
        const QStringList& argumentos,
        const QProcessEnvironment& entorno = QProcessEnvironment::systemEnvironment()) {
        p_.setProcessEnvironment(entorno);
        p_.start(VELMOR_IMPRIMIR, argumentos);
        if (!p_.waitForStarted()) qFatal("velmor-imprimir did not start");
    }
    ~Vigilancia() {
        if (p_.state() != QProcess::NotRunning) {
            p_.kill();
            p_.waitForFinished();
        }
    }
    qint64 pid() const { return p_.processId(); }
    QStringList lineas() {
        salida_ += QString::fromUtf8(p_.readAllStandardOutput());
        return salida_.split('\n', Qt::SkipEmptyParts);
    }
    // The lines about one file.
    QStringList de(const QString& nombre) { return lineas().filter("«" + nombre + "»: "); }
    int impresos() { return lineas().filter(QRegularExpression("»: impreso")).size(); }
    // Waits (reading its output meanwhile) until the condition holds; false after `ms`.
    bool espera(const std::function<bool()>& condicion, int ms = kPlazo) {
        QElapsedTimer reloj;
        reloj.start();
        while (!condicion()) {
            if (reloj.elapsed() > ms || p_.state() == QProcess::NotRunning) return condicion();
            p_.waitForReadyRead(50);
        }
        return true;
    }
    // Sends the signal(s) and waits for the end; the exit status, or -1 when a signal ended it.
    int para(QList<int> senales = {SIGTERM}) {
        for (int s : senales) {
            ::kill(pid_t(p_.processId()), s);
            QThread::msleep(50); // two pending signals of a kind would be one
        }
        if (!p_.waitForFinished(30000)) qFatal("velmor-imprimir did not stop");
        lineas();
        return p_.exitStatus() == QProcess::NormalExit ? p_.exitCode() : -1;
    }
    QString todo() {
        lineas();
        return salida_ + QString::fromUtf8(p_.readAllStandardError());
    }

  private:
    QProcess p_;
    QString salida_;
};

// A shell command run in a folder in the background, e.g. a program writing a file slowly.
std::unique_ptr<QProcess> enSegundoPlano(const QString& carpeta, const QString& orden) {
    auto p = std::make_unique<QProcess>();
    p->setWorkingDirectory(carpeta);
    p->start("sh", {"-c", orden});
    if (!p->waitForStarted()) qFatal("sh did not start");
    return p;
}

// Twelve lines, one every 300 ms, with a pause longer than the settle time after the sixth; the
// file open for writing all along.
const QString EscritorLento =
    "exec 3>LENTO.PRT; for i in 01 02 03 04 05 06 07 08 09 10 11 12; do "
    "printf 'LINEA LENTA %s\\r\\n' $i >&3; sleep 0.3; [ $i = 06 ] && sleep 1.5; done; exit 0";
} // namespace

class TestVigilar : public QObject {
    Q_OBJECT
    CarpetasDePrueba dir;

    QString carpetaNueva() { return dir.nueva(); }

  private slots:
    void initTestCase() { QVERIFY(!qEnvironmentVariable("CUPS_SERVER").isEmpty()); }

    // Files there at the start and files that arrive (one written slowly, one malformed) each
    // print once, whole; the malformed one goes to errores/ with its reason; only what printed
    // is deleted; what is not a visible ".prt" file is left alone.
    void deExtremoAExtremo_data() {
        QTest::addColumn<QString>("cola"); // empty: --pdf
        QTest::newRow("PDF") << "";
        QTest::newRow("CUPS") << "Oficina";
    }
    void deExtremoAExtremo() {
        QFETCH(QString, cola);
        const QString carpeta = carpetaNueva(), pdf = carpetaNueva();
        const QStringList antes = cola.isEmpty() ? QStringList() : trabajosEscritos(cola);
        EscribeFichero(carpeta + "/ANTES.PRT", "ANTES DEL ARRANQUE\r\n");
        EscribeFichero(carpeta + "/.OCULTO.PRT", "OCULTO\r\n");
        EscribeFichero(carpeta + "/NOTA.TXT", "NOTA\r\n");
        const QByteArray malo = "BIEN\r\nx{{NegritaOn}\r\n";
        QStringList argumentos{"--vigilar", carpeta, "--borrar", "--reposo", "500"};
        argumentos << (cola.isEmpty() ? QStringList{"--pdf", pdf} : QStringList{"-d", cola});
        Vigilancia v(argumentos);
        QVERIFY(v.espera([&] { return !v.lineas().filter("vigilando").isEmpty(); }));

        const auto lento = enSegundoPlano(carpeta, EscritorLento);
        EscribeFichero(dir.filePath("nuevo.tmp"), "RECIEN LLEGADO\r\n");
        QVERIFY(QFile::rename(dir.filePath("nuevo.tmp"), carpeta + "/NUEVO.prt"));
        EscribeFichero(carpeta + "/MALO.PRT", malo);
        const QStringList ficheros{"ANTES.PRT", "NUEVO.prt", "LENTO.PRT", "MALO.PRT"};
        QVERIFY2(v.espera([&] {
            for (const QString& f : ficheros)
                if (v.de(f).isEmpty()) return false;
            return true;
        }),
                 qPrintable(v.todo()));
        QVERIFY(lento->waitForFinished(30000));
        QTest::qWait(2000); // a second print of any of them would show now

        for (const QString& f : ficheros)
            QVERIFY2(v.de(f).size() == 1, qPrintable(v.todo()));
        for (const QString f : {"ANTES.PRT", "NUEVO.prt", "LENTO.PRT"}) {
            const QString linea = v.de(f).first();
            QVERIFY2(linea.contains(cola.isEmpty() ? "impreso en «" + pdf
                                                   : "impreso en «" + cola + "», trabajo ") &&
                         linea.endsWith("; borrado"),
                     qPrintable(linea));
            QVERIFY(!QFile::exists(carpeta + '/' + f));
        }
        QVERIFY2(v.de("MALO.PRT").first().contains("error: Etiqueta mal formada") &&
                     v.de("MALO.PRT").first().contains("movido a «errores/MALO.PRT»"),
                 qPrintable(v.todo()));
        QCOMPARE(lee(carpeta + "/errores/MALO.PRT"), malo);
        QVERIFY(QString::fromUtf8(lee(carpeta + "/errores/MALO.txt")).contains("línea 2"));
        QCOMPARE(lee(carpeta + "/.OCULTO.PRT"), QByteArray("OCULTO\r\n"));
        QCOMPARE(lee(carpeta + "/NOTA.TXT"), QByteArray("NOTA\r\n"));
        QStringList quedan = contenido(carpeta);
        quedan.removeAll(".velmor-vigilar");
        quedan.sort();
        QCOMPARE(quedan, (QStringList{".OCULTO.PRT", "NOTA.TXT", "errores"}));

        // What was printed: three documents, each of one file, the slow one whole.
        QStringList documentos;
        if (cola.isEmpty()) {
            QStringList hechos = contenido(pdf);
            hechos.sort();
            QCOMPARE(hechos, (QStringList{"ANTES.pdf", "LENTO.pdf", "NUEVO.pdf"}));
            for (const QString& f : hechos)
                documentos << pdf + '/' + f;
        } else {
            QElapsedTimer reloj;
            reloj.start();
            while (trabajosEscritos(cola).size() < antes.size() + 3 && reloj.elapsed() < 30000)
                QThread::msleep(100);
            QThread::msleep(1000);
            QCOMPARE(trabajosEscritos(cola).size(), antes.size() + 3);
            for (const QString& f : trabajosEscritos(cola))
                if (!antes.contains(f)) documentos << carpetaTrabajos() + '/' + f;
        }
        QStringList textos;
        for (const QString& d : documentos)
            textos << TextoPdf(d);
        for (const char* marca : {"ANTES DEL ARRANQUE", "RECIEN LLEGADO", "LINEA LENTA 01"})
            QVERIFY2(textos.filter(marca).size() == 1, marca);
        const QString textoLento = textos.filter("LINEA LENTA 01").value(0);
        for (int i = 1; i <= 12; ++i)
            QVERIFY2(textoLento.contains(QString("LINEA LENTA %1").arg(i, 2, 10, QChar('0'))),
                     qPrintable(textoLento));
        QVERIFY(!textos.join('\n').contains("OCULTO") && !textos.join('\n').contains("BIEN"));

        QCOMPARE(v.para(), 0);
        QVERIFY(!v.lineas().filter("parada la vigilancia").isEmpty());
    }

    // A queue that never completes the job keeps the file, recorded as printed: neither this
    // run nor the next sends it again. A queue that refuses it sends it to errores/.
    void colasQueNoTerminan_data() {
        QTest::addColumn<QString>("cola");
        QTest::addColumn<bool>("pararAMitad"); // stop the watcher while the job is awaited
        QTest::addColumn<QString>("dice");
        QTest::newRow("detenida") << "Detenida" << false
                                  << "se conserva: La impresora «Detenida» está detenida";
        QTest::newRow("parada mientras se espera")
            << "Inalcanzable" << true
            << "se conserva: la vigilancia se ha parado antes de que el trabajo terminara";
        QTest::newRow("rechaza") << "Rechaza" << false << "error: La impresora «Rechaza» no acepta";
    }
    void colasQueNoTerminan() {
        QFETCH(QString, cola);
        QFETCH(bool, pararAMitad);
        QFETCH(QString, dice);
        const QString carpeta = carpetaNueva();
        const QString nombre = cola.toUpper() + ".PRT";
        const QByteArray contenidoPrt = "NO SE BORRA\r\n";
        const int desde = ultimoTrabajo();
        EscribeFichero(carpeta + '/' + nombre, contenidoPrt);
        const QStringList argumentos{"--vigilar", carpeta,    "-d", cola,
                                     "--borrar",  "--reposo", "200"};
        {
            Vigilancia v(argumentos);
            if (pararAMitad) {
                QVERIFY(v.espera([&] { return !trabajosTitulados(nombre, desde).isEmpty(); }));
                QTest::qWait(500);
                QElapsedTimer reloj;
                reloj.start();
                QCOMPARE(v.para(), 0);
                QVERIFY2(reloj.elapsed() < 10000, "the stop does not wait for the job");
            } else {
                QVERIFY2(v.espera([&] { return !v.de(nombre).isEmpty(); }), qPrintable(v.todo()));
                QCOMPARE(v.para(), 0);
            }
            QCOMPARE(v.de(nombre).size(), 1);
            QVERIFY2(v.de(nombre).first().contains(dice), qPrintable(v.todo()));
        }
        const bool rechazado = cola == "Rechaza";
        QCOMPARE(trabajosTitulados(nombre, desde).size(), rechazado ? 0 : 1);
        if (rechazado) {
            QCOMPARE(lee(carpeta + "/errores/" + nombre), contenidoPrt);
            QVERIFY(QString::fromUtf8(lee(carpeta + "/errores/" + cola.toUpper() + ".txt"))
                        .contains("no acepta trabajos"));
            return;
        }
        QCOMPARE(lee(carpeta + '/' + nombre), contenidoPrt);

        // The next run: the file is still there, and is not sent again.
        Vigilancia otra(argumentos);
        QVERIFY(otra.espera([&] { return !otra.lineas().filter("vigilando").isEmpty(); }));
        QTest::qWait(2000);
        QCOMPARE(otra.de(nombre), QStringList());
        QCOMPARE(otra.para(), 0);
        QCOMPARE(trabajosTitulados(nombre, desde).size(), 1);
        QCOMPARE(lee(carpeta + '/' + nombre), contenidoPrt);
        cupsCancelJob2(CUPS_HTTP_DEFAULT, cola.toUtf8().constData(), 0, 1);
    }

    // Stopped in the middle of a folder and started again, every file prints exactly once, each
    // PDF whole.
    void reinicioAMitad_data() {
        QTest::addColumn<int>("senal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void reinicioAMitad() {
        QFETCH(int, senal);
        const QString carpeta = carpetaNueva(), pdf = carpetaNueva();
        constexpr int kFicheros = 8;
        for (int i = 1; i <= kFicheros; ++i)
            EscribeFichero(carpeta + QString("/F%1.PRT").arg(i),
                           lineas(66 * 20, "FICHERO " + QByteArray::number(i)));
        const QStringList argumentos{"--vigilar", carpeta, "--pdf", pdf, "--reposo", "200"};
        int primera = 0;
        {
            Vigilancia v(argumentos);
            QVERIFY(v.espera([&] { return v.impresos() >= 2; }));
            QCOMPARE(v.para({senal}), 0);
            primera = v.impresos();
            QVERIFY2(primera < kFicheros, "the stop came too late to tell anything");
        }
        Vigilancia v(argumentos);
        QVERIFY(v.espera([&] { return v.impresos() == kFicheros - primera; }));
        QTest::qWait(1500);
        QCOMPARE(v.impresos(), kFicheros - primera);
        QCOMPARE(v.para(), 0);

        QStringList esperados;
        for (int i = 1; i <= kFicheros; ++i)
            esperados << QString("F%1.pdf").arg(i);
        QStringList hechos = contenido(pdf);
        hechos.sort();
        esperados.sort();
        QCOMPARE(hechos, esperados);
        for (const QString& f : hechos) {
            QVERIFY2(pdfEntero(pdf + '/' + f), qPrintable(f));
            QVERIFY(
                TextoPdf(pdf + '/' + f).contains(f.chopped(4).replace("F", "FICHERO ") + " 1320 "));
        }
        QStringList enCarpeta = contenido(carpeta);
        QCOMPARE(enCarpeta.filter(QRegularExpression("^\\.")), QStringList{".velmor-vigilar"});
    }

    // A signal while a file is being drawn: the first one lets the job finish (whole PDF, the
    // file deleted as asked) and stops with status 0; a second one ends the process at once,
    // leaving no half PDF and no temporary file, and the file in place.
    void senalDuranteElDibujo_data() {
        QTest::addColumn<QList<int>>("senales");
        QTest::newRow("SIGTERM") << QList<int>{SIGTERM};
        QTest::newRow("SIGINT") << QList<int>{SIGINT};
        QTest::newRow("dos SIGTERM") << QList<int>{SIGTERM, SIGTERM};
    }
    void senalDuranteElDibujo() {
        QFETCH(QList<int>, senales);
        const QString carpeta = carpetaNueva(), pdf = carpetaNueva(), temporales = carpetaNueva(),
                      xdg = carpetaNueva();
        const QString prt = EscribeFichero(carpeta + "/GRANDE.PRT", lineas(66 * 6000, "LINEA"));
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert("TMPDIR", temporales);
        QFile::setPermissions(xdg, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                       QFileDevice::ExeOwner);
        entorno.insert("XDG_RUNTIME_DIR", xdg); // Qt's runtime folder is not the job's
        Vigilancia v({"--vigilar", carpeta, "--pdf", pdf, "--borrar", "--reposo", "100"}, entorno);
        // The known point: the document is being written (its nameless file is open).
        const bool escribiendo = v.espera(
            [&] {
                const QString fds = QString("/proc/%1/fd").arg(v.pid());
                for (const QString& fd :
                     QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
                    char destino[4096];
                    const ssize_t n = ::readlink(QFile::encodeName(fds + '/' + fd).constData(),
                                                 destino, sizeof destino);
                    if (n > 0 && QByteArray(destino, n).startsWith(QFile::encodeName(pdf + '/')))
                        return true;
                }
                return false;
            },
            30000);
        QVERIFY2(escribiendo, "the job ended before it could be interrupted");
        const int estado = v.para(senales);
        if (senales.size() == 1) {
            QCOMPARE(estado, 0);
            QCOMPARE(contenido(pdf), QStringList{"GRANDE.pdf"});
            QVERIFY(pdfEntero(pdf + "/GRANDE.pdf"));
            QCOMPARE(PaginasPdf(pdf + "/GRANDE.pdf"), 6000);
            QVERIFY(!QFile::exists(prt));
            QVERIFY2(v.de("GRANDE.PRT").value(0).endsWith("; borrado"), qPrintable(v.todo()));
        } else {
            QCOMPARE(estado, -1);
            QCOMPARE(contenido(pdf).join(' '), QString());
            QVERIFY(QFile::exists(prt));
        }
        QCOMPARE(contenido(temporales), QStringList());
        QCOMPARE(contenido(carpeta).filter(QRegularExpression("^\\.(?!velmor-vigilar$)")),
                 QStringList());
    }
};

QTEST_GUILESS_MAIN(TestVigilar)
#include "test_vigilar.moc"
