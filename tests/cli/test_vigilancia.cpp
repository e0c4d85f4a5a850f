// The watched folder, in this process (clock moved by hand) and through velmor-imprimir. A row
// ends by waiting for a last report to print; what would print wrongly prints before it.
#include "printing/impresoras_sistema.h"
#include "support/ficheros.h"
#include "support/filas.h"
#include "support/programas.h"
#include "vigilancia/interlocutor_vigilancia.h"
#include "vigilancia/registro_impresos.h"
#include "vigilancia/vigilante_carpeta.h"

#include <QTest>
#include <csignal>
#include <cups/cups.h>
#include <functional>
#include <optional>
#include <sys/stat.h>

namespace {
constexpr int kPlazo = 60000;      // ms: only a fault waits this long
constexpr int kReposo = 600000;    // ms of the hand-moved clock: the real ones never reach it
const QString kUltimo = "ZZZ.PRT"; // the last report of a row

QByteArray lee(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
QStringList contenido(const QString& carpeta) {
    return QDir(carpeta).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}
// "X = T" writes the line T to X, "X += T" adds it; anything else is a shell command, false when
// it exits with 77 (cannot be done here).
bool ejecutaEn(const QString& carpeta, const QString& orden) {
    static const QRegularExpression escribe("^([\\w./]+) (\\+?)= ?(.*)$");
    if (const auto m = escribe.match(orden); m.hasMatch()) {
        QFile f(carpeta + '/' + m.captured(1));
        const QByteArray linea = m.captured(3).toUtf8();
        if (!f.open(m.captured(2).isEmpty() ? QIODevice::WriteOnly : QIODevice::Append) ||
            f.write(linea.isEmpty() ? linea : linea + "\r\n") < 0)
            qFatal("cannot write %s", qPrintable(f.fileName()));
        return true;
    }
    int estado = -1;
    Ejecuta("sh", {"-c", orden}, &estado, nullptr, carpeta);
    if (estado != 0 && estado != 77) qFatal("%s failed", qPrintable(orden));
    return estado == 0;
}
// The files a log says were printed, in order.
QStringList impresosEn(const QStringList& lineas) {
    QStringList nombres;
    for (const QString& l : lineas)
        if (const qsizetype fin = l.indexOf("»: impreso"); fin > 0)
            nombres << l.left(fin).section("«", -1);
    return nombres;
}
// The scheduler's jobs after job `desde` titled `titulo` (any, when empty).
QList<int> trabajos(const QString& titulo, int desde = 0) {
    cups_job_t* t = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &t, nullptr, 0, CUPS_WHICHJOBS_ALL);
    QList<int> ids;
    for (int i = 0; i < n; ++i)
        if (t[i].id > desde && (titulo.isEmpty() || t[i].title == titulo)) ids << t[i].id;
    cupsFreeJobs(n, t);
    return ids;
}

// What a kill between the two steps of naming a PDF leaves: the record holds the report's intent
// to print into `pdf` (by its device and inode), unsettled.
void anotaIntento(const QString& carpeta, const QString& prt, const QString& pdf) {
    struct stat d[2]{};
    ::stat(QFile::encodeName(carpeta + '/' + prt), &d[0]);
    ::stat(QFile::encodeName(carpeta + '/' + pdf), &d[1]);
    RegistroImpresos r(QFile::encodeName(carpeta));
    r.abre(), r.anotaIntento(IdentidadFichero::De(d[0]), prt.toUtf8(), d[1].st_dev, d[1].st_ino);
}

class RelojAMano : public RelojVigilancia {
  public:
    qint64 t = 0;
    qint64 ahora() const override { return t; }
    void avanza(qint64 ms) { t += ms, emit avanzado(); }
};

// A watcher in this process, printing to PDF (or to a queue), with what it wrote.
struct Vigilado {
    ImpresorasSistema impresoras; // "Archivo PDF" and the fixture's queues
    RelojAMano reloj;
    InterlocutorVigilancia interlocutor;
    QString carpeta;
    VigilanteCarpeta vigilante;
    QStringList lineas; // and its avisos
    int parado = -1;

    Vigilado(const QString& carpeta, const QString& pdf, const QString& cola = {})
        : interlocutor(pdf), carpeta(carpeta),
          vigilante(impresoras, {carpeta, pdf, {}, kReposo, &reloj, &interlocutor, {}}) {
        for (int i = 0; i < impresoras.cuenta(); ++i)
            if (impresoras.nombre(i) == (cola.isEmpty() ? impresoras.nombrePdf() : cola))
                impresoras.hazActual(i);
        for (auto senal : {&VigilanteCarpeta::registro, &VigilanteCarpeta::aviso})
            QObject::connect(&vigilante, senal, [this](auto l) { lineas << l; });
        QObject::connect(&vigilante, &VigilanteCarpeta::parado, [this](int e) { parado = e; });
        if (const auto motivo = vigilante.inicia()) qFatal("%s", qPrintable(*motivo));
    }
    // The time moves, and a report due now starts printing now, reading the file as it is.
    void pasa(qint64 ms) { reloj.avanza(ms), QCoreApplication::processEvents(); }
    // Twice the settle time: what arrived is seen, then what stayed unchanged is complete.
    void asienta() { pasa(kReposo + 1), pasa(kReposo + 1); }
    QStringList de(const QString& nombre) const { return lineas.filter("«" + nombre + "»: "); }
    // Until `n` lines say `que` (by default, that a file printed).
    bool espera(int n, const QString& que = "»: impreso") {
        return QTest::qWaitFor([&] { return lineas.filter(que).size() >= n; }, kPlazo);
    }
    bool terminaCon() {
        EscribeFichero(carpeta + '/' + kUltimo, "ULTIMO\r\n");
        asienta();
        return espera(1, "«" + kUltimo + "»: ");
    }
};

// One run of velmor-imprimir --vigilar, with what it has written on stdout so far.
class Vigilancia {
  public:
    explicit Vigilancia(const QStringList& argumentos) { p_.start(VELMOR_IMPRIMIR, argumentos); }
    ~Vigilancia() { p_.kill(), p_.waitForFinished(); }
    QString todo() { return salida_ += QString::fromUtf8(p_.readAllStandardOutput()); }
    QStringList de(const QString& n) { return todo().split('\n').filter("«" + n + "»: "); }
    // Until the condition holds, looked at every `cadaMs` or when output arrives.
    bool espera(const std::function<bool()>& condicion, int cadaMs = 50) {
        QDeadlineTimer plazo(kPlazo);
        while (!condicion() && !plazo.hasExpired() && p_.state() != QProcess::NotRunning)
            p_.waitForReadyRead(cadaMs);
        return condicion();
    }
    bool imprime(const QString& n) {
        return espera([&] { return !de(n).isEmpty(); });
    }
    // Each signal delivered before the next is sent; the exit status, -1 when a signal ended it.
    int para(QList<int> senales = {SIGTERM}) {
        for (int s : senales) {
            ::kill(pid_t(p_.processId()), s);
            if (!espera([&] { return !pendiente(s); }, 1)) qFatal("the signal was not delivered");
        }
        if (p_.state() != QProcess::NotRunning && !p_.waitForFinished(kPlazo))
            qFatal("velmor-imprimir did not stop");
        todo();
        return p_.exitStatus() == QProcess::NormalExit ? p_.exitCode() : -1;
    }
    // Whether the document is being written: a nameless file of the process in `carpeta`.
    bool escribeEn(const QString& carpeta) {
        const QString fds = QString("/proc/%1/fd/").arg(p_.processId());
        for (const QString& fd : QDir(fds).entryList(QDir::AllEntries | QDir::System))
            if (QFile::symLinkTarget(fds + fd).startsWith(carpeta + '/')) return true;
        return false;
    }

  private:
    bool pendiente(int senal) {
        const QString estado = lee(QString("/proc/%1/status").arg(p_.processId()));
        const auto m = QRegularExpression("ShdPnd:\\s*([0-9a-f]+)").match(estado);
        return m.hasMatch() && (m.captured(1).toULongLong(nullptr, 16) >> (senal - 1)) & 1;
    }
    QProcess p_;
    QString salida_;
};
const auto lista = [](const QString& campo) { return campo.split(',', Qt::SkipEmptyParts); };
} // namespace

class TestVigilancia : public QObject {
    Q_OBJECT
    CarpetasDePrueba dir;

  private slots:
    void cleanup() { QProcess::execute("cupsreject", {"Rechaza"}); } // as before a row accepted
    // What counts as a complete report, and the order of printing. Steps: "reposo" the settle
    // time, "pasa N" N ms (300000: half of it), "eventos" runs what is due, "espera N" N prints,
    // "dice T" a line that says T, "abre X"/"cierra" hold X open, "para"/"arranca [Q]" the watcher
    // (printing to the queue Q), "intento X P" as a kill left it, anything else ejecutaEn.
    void completo_data() {
        // Restarted, it prints nothing printed while it is the same file: ctime moves on any
        // write or rename, so the row keeping size and mtime stands for every rewrite.
        FilasDeDatos(R"(
de una vez, por rename, vacío ¦ A.PRT = UNA; pasa 300000; ../m = M; mv ../m m.Prt; pasa 300000; VACIO.PRT = ¦ A.PRT,m.Prt,VACIO.PRT ¦ UNA,M
abierto sin cambios ¦ abre L.PRT; L.PRT += PRIMERA; reposo; reposo; L.PRT += ULTIMA; cierra ¦ L.PRT ¦ PRIMERA,ULTIMA
cerrado a ratos ¦ T.PRT += TROZO 1; pasa 300000; T.PRT += TROZO 2; pasa 300000; T.PRT += TROZO 3; pasa 300000; T.PRT += TROZO 4; pasa 300000; pasa 300000 ¦ T.PRT ¦ TROZO 1,TROZO 4
orden de llegada ¦ abre L.PRT; L.PRT += L; pasa 300000; C.PRT = C; pasa 300000; A.PRT = A; pasa 300000; B.PRT = B; reposo; espera 3; cierra ¦ C.PRT,A.PRT,B.PRT,L.PRT ¦ C,L
cambia mientras espera ¦ A.PRT = A; W.PRT = TROZO 1; reposo; W.PRT += TROZO 2; eventos; W.PRT += TROZO 3 ¦ A.PRT,W.PRT ¦ TROZO 1,TROZO 3
enlace en lugar de uno que espera ¦ A.PRT = A; S.PRT = S; reposo; printf 'NO\r\n' > ../secreto && ln -sf ../secreto S.PRT; eventos ¦ A.PRT ¦ A
reescrito en su sitio ¦ R.PRT = PRIMERA; reposo; espera 1; R.PRT = SEGUNDA ¦ R.PRT,R.PRT ¦ PRIMERA,SEGUNDA
sin cambios al reiniciar ¦ A.PRT = A; B.PRT = B; reposo; espera 2; para; arranca ¦ A.PRT,B.PRT ¦ A,B
muerto tras el nombre ¦ A.PRT = A; reposo; espera 1; para; intento A.PRT ../pdf/A.pdf; arranca ¦ A.PRT ¦ A
muerto antes del nombre ¦ A.PRT = A; reposo; espera 1; para; cp ../pdf/A.pdf ../pdf/.A.t; intento A.PRT ../pdf/.A.t; arranca; rm ../pdf/.A.t ¦ A.PRT,A.PRT ¦ A
cola que rechaza ¦ para; arranca Rechaza; A.PRT = A; B.PRT = B; reposo; dice se reintenta en 30 s; pasa 30000; dice en 60 s; pasa 60000; dice en 120 s; cupsaccept Rechaza; pasa 120000; espera 2; para; arranca ¦ B.PRT,A.PRT ¦
carpeta de PDF quitada ¦ A.PRT = A; rmdir ../pdf; reposo; dice se reintenta en 30 s; eventos; mkdir ../pdf; pasa 30000; espera 1 ¦ A.PRT ¦ A
registro que no se guarda ¦ A.PRT = A; chattr +i .velmor-vigilar-wal || exit 77; reposo; espera 1; dice No se puede escribir; dice No se puede escribir; reposo; chattr -i .velmor-vigilar-wal ¦ A.PRT ¦ A
mismo tamaño y hora   ¦ A.PRT = A; B.PRT = B; reposo; espera 2; para; touch -r A.PRT ../h && printf Z | dd of=A.PRT conv=notrunc status=none && touch -m -r ../h A.PRT; arranca ¦ A.PRT,B.PRT,A.PRT ¦ Z
registro antiguo      ¦ A.PRT = A; B.PRT = B; reposo; espera 2; para; rm .velmor-vigilar* && printf '# x\n%s A.PRT\n' $(stat -c %d:%i:%s:%.9Y A.PRT | tr . :) > .velmor-vigilar; arranca ¦ A.PRT,B.PRT,B.PRT ¦ A
no son informes ¦ .OCULTO.PRT = NO; NOTA.TXT = NO; A.PRT.BAK = NO; mkfifo TUBO.PRT; mkdir DIR.PRT; printf 'NO\r\n' > ../fuera.prt && ln -s ../fuera.prt ENLACE.PRT ¦ ¦
)",
                     {"pasos", "impresos", "textos"}); // "; " between steps, "," between names
    }
    void completo() {
        QFETCH(QString, pasos);
        const QStringList impresos = lista(Campo("impresos")), textos = lista(Campo("textos"));
        const QString base = dir.nueva(), carpeta = base + "/vigilada", pdf = base + "/pdf";
        QDir().mkpath(carpeta);
        std::optional<Vigilado> v(std::in_place, carpeta, pdf);
        QStringList antes; // what the watchers stopped said
        QFile abierto;
        for (const QString& paso : pasos.split("; ")) {
            if (paso == "para")
                antes += v->lineas, v.reset();
            else if (paso.startsWith("arranca"))
                v.emplace(carpeta, pdf, paso.mid(8));
            else if (paso == "reposo")
                v->asienta();
            else if (paso == "eventos")
                QCoreApplication::processEvents();
            else if (paso.startsWith("pasa "))
                v->pasa(paso.mid(5).toInt());
            else if (paso.startsWith("dice "))
                QVERIFY(v->espera(1, paso.mid(5)));
            else if (paso.startsWith("intento "))
                anotaIntento(carpeta, paso.section(' ', 1, 1), paso.section(' ', 2));
            else if (paso.startsWith("espera "))
                QVERIFY(v->espera(paso.mid(7).toInt()));
            else if (paso.startsWith("abre "))
                abierto.setFileName(carpeta + '/' + paso.mid(5)),
                    abierto.open(QIODevice::WriteOnly);
            else if (paso == "cierra")
                abierto.close();
            else if (!ejecutaEn(carpeta, paso))
                QSKIP("cannot be done here");
        }
        QVERIFY2(v->terminaCon(), qPrintable(v->lineas.join('\n')));
        const QStringList lineas = antes + v->lineas;
        QCOMPARE(impresosEn(lineas), impresos + QStringList{kUltimo});
        QCOMPARE(lineas.size(), // nothing else said
                 impresos.size() + 2 + pasos.count("arranca") + pasos.count("dice "));
        QString impreso;
        for (const QString& f : contenido(pdf))
            impreso += TextoPdf(pdf + '/' + f);
        for (const QString& t : textos + QStringList{"ULTIMO"})
            QVERIFY2(impreso.contains(t), qPrintable(impreso));
        QVERIFY(!impreso.contains("NO\n"));
        QCOMPARE(lineas.filter("impreso en «" + pdf).size(), contenido(pdf).size());
    }

    // The PDF, or a failed report in errores/ with its ".txt", never takes an existing name; when
    // errores/ cannot be made the report stays, said once.
    void sinSustituir_data() {
        // "X->": a dangling link; ":why": the report stays in the folder.
        FilasDeDatos(R"(
PDF tomado            ¦ pdf/INF.pdf,pdf/INF-2.pdf           ¦ 0 ¦ pdf/INF-3.pdf
PDF enlace roto       ¦ pdf/INF.pdf->                       ¦ 0 ¦ pdf/INF-2.pdf
PDF es una carpeta    ¦ pdf/INF.pdf/x                       ¦ 0 ¦ pdf/INF-2.pdf
errores libre         ¦                                     ¦ 1 ¦ v/errores/INF.PRT
errores tomado        ¦ v/errores/INF.PRT                   ¦ 1 ¦ v/errores/INF-2.PRT
motivo suelto         ¦ v/errores/INF.txt                   ¦ 1 ¦ v/errores/INF-2.PRT
errores es un fichero ¦ v/errores   ¦ 1 ¦ :«errores» es un fichero, no una carpeta
errores es un enlace  ¦ v/errores-> ¦ 1 ¦ :«errores» es un enlace simbólico
)",
                     {"antes", "malo", "esperado"});
    }
    void sinSustituir() {
        const QStringList antes = lista(Campo("antes"));
        const bool malo = Campo("malo") == "1";
        QFETCH(QString, esperado);
        const QString base = dir.nueva();
        QDir().mkpath(base + "/pdf"), QDir().mkpath(base + "/v");
        for (const QString& a : antes) {
            if (a.endsWith("->"))
                QVERIFY(QFile::link(base + "/no-existe", base + '/' + a.chopped(2)));
            else
                EscribeFichero(base + '/' + a, "ANTERIOR " + a.toUtf8());
        }
        const QByteArray prt = malo ? "BIEN\r\nx{{NegritaOn}\r\n" : "NUEVO INFORME\r\n";
        EscribeFichero(base + "/v/INF.PRT", prt);
        Vigilado v(base + "/v", base + "/pdf");
        QVERIFY(v.terminaCon());
        QCOMPARE(v.de("INF.PRT").size(), 1);
        const QString linea = v.de("INF.PRT").first();
        const bool queda = esperado.startsWith(':');
        QVERIFY2(linea.contains(queda ? esperado.mid(1) : QFileInfo(esperado).fileName() + "»") &&
                     (!queda || linea.contains("se queda en la carpeta: ")),
                 qPrintable(linea));
        if (!malo)
            QVERIFY(TextoPdf(base + '/' + esperado).contains("NUEVO INFORME"));
        else if (queda)
            QCOMPARE(lee(base + "/v/INF.PRT"), prt);
        else {
            QCOMPARE(lee(base + '/' + esperado), prt);
            const QString motivo = lee(base + '/' + esperado.chopped(4) + ".txt");
            QVERIFY2(motivo.contains("Etiqueta mal formada") && motivo.contains("línea 2") &&
                         linea.contains(motivo.trimmed()),
                     qPrintable(motivo));
        }
        for (const QString& a : antes)
            if (!a.endsWith("->")) QCOMPARE(lee(base + '/' + a), "ANTERIOR " + a.toUtf8());
    }

    void carpetaBorrada() {
        const QString carpeta = dir.nueva();
        Vigilado v(carpeta, dir.nueva());
        QVERIFY(QDir(carpeta).removeRecursively());
        QTRY_COMPARE_WITH_TIMEOUT(v.parado, 1, kPlazo);
        QVERIFY2(v.lineas.size() == 2 && v.lineas.last().contains("ya no existe"),
                 qPrintable(v.lineas.join('\n')));
    }

    // --borrar: a report printed goes; one whose job never completes stays, not sent again by the
    // next run.
    void deExtremoAExtremo_data() {
        // Queue (none: --pdf) ¦ stopped while the job is awaited ¦ what is said ("borrado": gone).
        FilasDeDatos(R"(
PDF       ¦              ¦ 0 ¦ ; borrado
CUPS      ¦ Oficina      ¦ 0 ¦ ; borrado
detenida  ¦ Detenida     ¦ 0 ¦ se conserva: La impresora «Detenida» está detenida
parada mientras se espera ¦ Inalcanzable ¦ 1 ¦ se conserva: la vigilancia se ha parado antes de que el trabajo terminara
)",
                     {"cola", "pararAMitad", "dice"});
    }
    void deExtremoAExtremo() {
        QFETCH(QString, cola);
        QFETCH(QString, dice);
        const bool pararAMitad = Campo("pararAMitad") == "1";
        const bool borrado = dice.endsWith("borrado");
        const QString carpeta = dir.nueva(), pdf = dir.nueva();
        const QDir hechos(qEnvironmentVariable("VELMOR_CUPS_JOBS_DIR"));
        const QStringList previos = hechos.entryList();
        const QList<int> todos = trabajos({});
        const int desde = todos.isEmpty() ? 0 : *std::max_element(todos.begin(), todos.end());
        EscribeFichero(carpeta + "/INF.PRT", "INFORME\r\n");
        const QStringList argumentos =
            QStringList{"--vigilar", carpeta, "--borrar", "--reposo", "100"} +
            (cola.isEmpty() ? QStringList{"--pdf", pdf} : QStringList{"-d", cola});
        const auto enviado = [&](Vigilancia& v, const QString& f) {
            return !v.de(f).isEmpty() || (pararAMitad && !trabajos(f, desde).isEmpty());
        };
        {
            Vigilancia v(argumentos);
            QVERIFY2(v.espera([&] { return enviado(v, "INF.PRT"); }), qPrintable(v.todo()));
            QCOMPARE(v.para(), 0); // at once: it does not wait for the job
            QVERIFY2(v.de("INF.PRT").size() == 1 && v.de("INF.PRT").first().contains(dice),
                     qPrintable(v.todo()));
        }
        // The next run: reports go in order, so once the last one went a kept one would have.
        EscribeFichero(carpeta + '/' + kUltimo, "ULTIMO\r\n");
        Vigilancia otra(argumentos);
        QVERIFY2(otra.espera([&] { return enviado(otra, kUltimo); }), qPrintable(otra.todo()));
        QCOMPARE(otra.para(), 0);
        QCOMPARE(otra.de("INF.PRT"), QStringList());
        QCOMPARE(trabajos("INF.PRT", desde).size(), int(!cola.isEmpty()));
        QCOMPARE(lee(carpeta + "/INF.PRT"), borrado ? "" : "INFORME\r\n");
        const auto impreso = [&] { // by the PDF printer, or by the queue's printer
            QStringList hecho{pdf + "/INF.pdf"};
            for (const QString& f : hechos.entryList({cola + "-*"}))
                if (!previos.contains(f)) hecho << hechos.filePath(f);
            return std::any_of(hecho.begin(), hecho.end(),
                               [](const QString& d) { return TextoPdf(d).contains("INFORME"); });
        };
        QVERIFY(!borrado || QTest::qWaitFor(impreso, kPlazo));
        cupsCancelJob2(CUPS_HTTP_DEFAULT, cola.toUtf8().constData(), 0, 1);
    }

    // While a long report is drawn a signal lets it finish and stops with 0; a second ends it at
    // once with no PDF; another program's file keeps its name. Restarted, each prints once.
    void mientrasDibuja_data() {
        QTest::addColumn<QList<int>>("senales"); // none: another program writes GRANDE.pdf
        QTest::newRow("SIGTERM") << QList<int>{SIGTERM};
        QTest::newRow("SIGINT") << QList<int>{SIGINT};
        QTest::newRow("dos SIGTERM") << QList<int>{SIGTERM, SIGTERM};
        QTest::newRow("su nombre tomado") << QList<int>{};
    }
    void mientrasDibuja() {
        QFETCH(QList<int>, senales);
        const QString grande = senales.isEmpty() ? "GRANDE-2.pdf" : "GRANDE.pdf";
        QStringList pdfs{"F1.pdf", grande, "GRANDE.pdf", "ZZZ.pdf"};
        pdfs.removeDuplicates();
        const QString carpeta = dir.nueva(), pdf = dir.nueva();
        EscribeFichero(carpeta + "/GRANDE.PRT", QByteArray("GRANDE\r\n").repeated(66 * 10000));
        EscribeFichero(carpeta + "/F1.PRT", "F1\r\n");
        const QStringList argumentos{"--vigilar", carpeta, "--pdf", pdf, "--reposo", "100"};
        {
            Vigilancia v(argumentos);
            QVERIFY2(v.espera([&] { return v.escribeEn(pdf); }, 1), "drawn before the test acted");
            if (senales.isEmpty()) EscribeFichero(pdf + "/GRANDE.pdf", "AJENO");
            const int estado =
                senales.isEmpty() ? (v.imprime("GRANDE.PRT"), v.para()) : v.para(senales);
            QCOMPARE(estado, senales.size() == 2 ? -1 : 0);
            QCOMPARE(contenido(pdf).contains(grande), senales.size() != 2);
        }
        EscribeFichero(carpeta + '/' + kUltimo, "ULTIMO\r\n");
        Vigilancia v(argumentos);
        QVERIFY2(v.imprime(kUltimo), qPrintable(v.todo()));
        QCOMPARE(v.para(), 0);
        QCOMPARE(contenido(pdf), pdfs);
        QCOMPARE(PaginasPdf(pdf + '/' + grande), 10000);
        QVERIFY(senales.size() || lee(pdf + "/GRANDE.pdf") == "AJENO");
        QCOMPARE(contenido(carpeta).filter(QRegularExpression("^\\.")),
                 QStringList{".velmor-vigilar"}); // no temporaries
    }

    // A folder that cannot be watched is refused before anything is watched.
    void opciones_data() {
        // A command run in the folder ¦ arguments ¦ the error ("@": the folder).
        FilasDeDatos(R"(
no es una carpeta   ¦ true                   ¦ --vigilar @/f --pdf @/pdf ¦ «@/f»: no es una carpeta
--pdf es un fichero ¦ true                   ¦ --vigilar @ --pdf @/f     ¦ «@/f» no es una carpeta
registro FIFO       ¦ mkfifo .velmor-vigilar ¦ --vigilar @ --pdf @/pdf   ¦ «@/.velmor-vigilar»: es una tubería (FIFO)
registro enlace     ¦ ln -s f .velmor-vigilar ¦ --vigilar @ --pdf @/pdf  ¦ «@/.velmor-vigilar»: es un enlace simbólico
ya vigilada         ¦ true                   ¦ --vigilar @ --pdf @/pdf   ¦ ya vigila la carpeta «@»
)",
                     {"antes", "argumentos", "dice"});
    }
    void opciones() {
        QFETCH(QString, antes);
        QFETCH(QString, argumentos);
        QFETCH(QString, dice);
        const QString carpeta = dir.nueva();
        EscribeFichero(carpeta + "/f", "x");
        ejecutaEn(carpeta, antes);
        const QStringList lista = argumentos.replace("@", carpeta).split(' ');
        Vigilancia primera(lista); // watches only in "ya vigilada"
        const bool vigila = primera.espera([&] { return primera.todo().contains("vigilando"); });
        QCOMPARE(vigila, QTest::currentDataTag() == QString("ya vigilada"));
        int estado = -1;
        QString errores;
        Ejecuta(VELMOR_IMPRIMIR, lista, &estado, &errores);
        QCOMPARE(estado, 2);
        QVERIFY2(errores.contains(dice.replace("@", carpeta)), qPrintable(errores));
        if (vigila) QCOMPARE(primera.para(), 0); // idle: it stops at once, in order
    }
};

QTEST_MAIN(TestVigilancia)

#include "test_vigilancia.moc"
