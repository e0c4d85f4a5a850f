// Velmor on a print server: the backend velmor, as `cmake --install` installs it, behind a queue
// "Velmor" (velmor:/Oficina) of the private scheduler, with jobs sent as clients send them (lp,
// IPP, LPD through cups-lpd). What reaches Oficina's printer (the fixture's listener writes it to
// $VELMOR_CUPS_JOBS_DIR/Oficina-<n>.pdf) is read back and set beside velmor-imprimir's PDF of the
// same file.
#include "support/ficheros.h"
#include "support/filas.h"
#include "support/programas.h"

#include <QGuiApplication>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <unistd.h>

namespace {
const QString kTrabajos = qEnvironmentVariable("VELMOR_CUPS_JOBS_DIR"), kCups = VELMOR_CUPS_DIR;
const QString kImagenes = kCups + "/imagenes", kBackend = kCups + "/serverbin/backend/velmor";

// The queue's jobs the listener wrote, in the order it received them.
QStringList trabajos(const QString& cola) {
    QStringList l = QDir(kTrabajos).entryList({cola + "-*.pdf"}, QDir::Files);
    std::sort(l.begin(), l.end(), [](const QString& a, const QString& b) {
        return a.section('-', 1).toInt() < b.section('-', 1).toInt();
    });
    return l;
}
QByteArray Lee(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(no se puede leer)");
}
// The first job of the queue the listener writes after `antes`.
QString nuevo(const QStringList& antes, const QString& cola) {
    QStringList n;
    (void)QTest::qWaitFor(
        [&] {
            n = trabajos(cola);
            for (const QString& f : antes)
                n.removeOne(f);
            return !n.isEmpty();
        },
        60000);
    return n.isEmpty() ? QString() : kTrabajos + "/" + n.first();
}

// A shell in `carpeta` with "$M" (samples/), "$D" (Epson samples), "$P" (the pictures folder),
// "ultimo COLA" (the queue's last job id), "fin ID COLA" (waits for the queue's first job after
// ID to end and prints "id,state,message"), "lpd F" (F as an LPD client sends it to Velmor).
int Shell(const QString& carpeta, const QString& orden, QString* salida = nullptr) {
    auto entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert("M", VELMOR_SOURCE_DIR "/samples");
    entorno.insert("D", VELMOR_SOURCE_DIR "/tests/escp/datos");
    entorno.insert("P", kImagenes);
    entorno.insert("U", "ipp://" + QUrl::toPercentEncoding(qEnvironmentVariable("CUPS_SERVER")) +
                            "/printers/");
    const QString funciones =
        "trabajos() { printf '{ OPERATION Get-Jobs\\n GROUP operation-attributes-tag\\n ATTR "
        "charset attributes-charset utf-8\\n ATTR naturalLanguage attributes-natural-language "
        "en\\n ATTR uri printer-uri $uri\\n ATTR keyword which-jobs all\\n ATTR keyword "
        "requested-attributes "
        "job-id,job-state,job-printer-state-message\\n DISPLAY job-id\\n "
        "DISPLAY job-state\\n DISPLAY job-printer-state-message }' > .t; ipptool -c \"$U$1\" .t; "
        "}\n"
        "ultimo() { trabajos $1 | awk -F, 'NR > 1 && $1 > n { n = $1 } END { print n + 0 }'; }\n"
        "fin() { for i in $(seq 900); do l=$(trabajos $2 | awk -F, -v a=$1 'NR > 1 && $1 > a "
        "&& /^[0-9]+,(completed|canceled|aborted)/'); [ -n \"$l\" ] && echo \"$l\" && return; "
        "sleep 0.1; done; return 1; }\n"
        "lpd() { c=$(printf 'Hcliente\\nPana\\nJ%s\\nldfA001cliente\\n' $1); printf "
        "'\\002Velmor\\n\\002%d cfA001cliente\\n%s\\n\\000\\003%d dfA001cliente\\n' "
        "$((${#c} + 1)) \"$c\" $(stat -c %s $1); cat $1; printf '\\000'; }\n"
        "imprime() { printf '{ OPERATION Print-Job\\n GROUP operation-attributes-tag\\n ATTR "
        "charset attributes-charset utf-8\\n ATTR naturalLanguage attributes-natural-language "
        "en\\n ATTR uri printer-uri $uri\\n ATTR name requesting-user-name ana\\n ATTR "
        "mimeMediaType document-format application/octet-stream\\n ATTR name job-name $filename\\n "
        "FILE $filename\\n STATUS successful-ok }' > .i; ipptool -f $1 \"${U}Velmor\" .i; }\n";
    int estado = -1;
    QString errores;
    const QString out =
        Ejecuta("bash", {"-c", funciones + orden}, &estado, &errores, carpeta, entorno);
    if (salida) *salida = out + errores;
    return estado;
}

// One row a line: name ¦ prepara (makes F.PRT) ¦ envía ¦ cola ¦ estado ¦ dice ¦ llega. "llega":
// "igual": Oficina's printer gets the PDF velmor-imprimir makes of F.PRT (run in the pictures
// folder): the same text on the same pages, the same pictures; "sin imagen": a PDF with the text
// VISIBLE and no picture; "nada": nothing reaches Oficina; "Almacen": that raw queue's printer
// gets F.PRT's very bytes.
const char* const kTrabajosServidor = R"filas(
# Whatever a client sends, however it sends it, prints as velmor-imprimir prints it, the relative picture taken from the pictures folder.
lp, marcas ¦ cp "$M/INFORME.PRT" F.PRT ¦ lp -d Velmor F.PRT ¦ Velmor ¦ completed ¦ ¦ igual
lp -o raw, Epson ¦ cp "$D/factura.prt" F.PRT ¦ lp -o raw -d Velmor F.PRT ¦ Velmor ¦ completed ¦ ¦ igual
IPP, application/octet-stream ¦ cp "$M/FACTURA.PRT" F.PRT ¦ imprime F.PRT ¦ Velmor ¦ completed ¦ ¦ igual
LPD por cups-lpd ¦ cp "$M/INFORME.PRT" F.PRT ¦ lpd F.PRT | /usr/lib/cups/daemon/cups-lpd ¦ Velmor ¦ completed ¦ ¦ igual
texto sin marcas ¦ seq -f 'linea %g del listado' 150 > F.PRT ¦ lp -d Velmor F.PRT ¦ Velmor ¦ completed ¦ ¦ igual
# What Velmor refuses ends the job with its message; nothing is printed and the queue goes on.
PCL ¦ printf '\033E\033&l26A\033(s0p10h12v0s0b3TLinea 1\r\n\f\033E' > F.PRT ¦ lp -d Velmor F.PRT ¦ Velmor ¦ canceled ¦ «F.PRT» es un trabajo PCL para impresoras láser; Velmor no lo imprime ¦ nada
mal formado ¦ printf 'NO DEBE SALIR\r\nx{{NegritaOn}\r\n' > F.PRT ¦ lp -d Velmor F.PRT ¦ Velmor ¦ canceled ¦ «F.PRT», línea 2 ¦ nada
# A picture outside the pictures folder (by "..", by its absolute path, through a link) is not read: the job prints without it and its log says so.
imagen por .. ¦ cp "$M/logo.png" s.png; printf '/IMAGEN/%s/s.png\r\nVISIBLE\r\n' "$(realpath --relative-to="$P" .)" > F.PRT ¦ lp -d Velmor F.PRT ¦ Velmor ¦ completed ¦ s.png» está fuera de la carpeta de imágenes ¦ sin imagen
imagen absoluta ¦ cp "$M/logo.png" s.png; printf '/IMAGEN/%s/s.png\r\nVISIBLE\r\n' "$PWD" > F.PRT ¦ lp -d Velmor F.PRT ¦ Velmor ¦ completed ¦ s.png» está fuera de la carpeta de imágenes ¦ sin imagen
imagen por un enlace ¦ cp "$M/logo.png" s.png; ln -sfn "$PWD/s.png" "$P/enlace.png"; printf '/IMAGEN/enlace.png\r\nVISIBLE\r\n' > F.PRT ¦ lp -d Velmor F.PRT ¦ Velmor ¦ completed ¦ enlace.png» está fuera de la carpeta ¦ sin imagen
imagen absoluta dentro ¦ printf '/IMAGEN/%s/logo.png\r\nVISIBLE\r\n' "$P" > F.PRT ¦ lp -d Velmor F.PRT ¦ Velmor ¦ completed ¦ ¦ igual
# A raw queue beside it is left as it was: its printer gets the very bytes sent.
Almacen en crudo ¦ cp "$D/factura.prt" F.PRT ¦ lp -o raw -d Almacen F.PRT ¦ Almacen ¦ completed ¦ ¦ Almacen
)filas";
} // namespace

class TestServidor : public QObject {
    Q_OBJECT
    CarpetasDePrueba dir;
    QTemporaryDir raiz; // DESTDIR of the installation

  private slots:
    void initTestCase() {
        QVERIFY(!kTrabajos.isEmpty());
        // The scheduler runs the backend as its own user: every folder on the way readable.
        for (const QString& c : {raiz.path(), dir.path()})
            QFile::setPermissions(c, QFile::Permissions(0x7755));
        auto e = QProcessEnvironment::systemEnvironment();
        e.insert("DESTDIR", raiz.path());
        int estado = -1;
        QString errores;
        Ejecuta(VELMOR_CMAKE_COMMAND, {"--install", VELMOR_BINARY_DIR, "--prefix", "/usr"}, &estado,
                &errores, {}, e);
        QVERIFY2(estado == 0, qPrintable(errores));
        QFile::remove(kBackend);
        QVERIFY(QFile::link(raiz.filePath("usr/lib/cups/backend/velmor"), kBackend));
        QVERIFY(QFile::copy(VELMOR_SOURCE_DIR "/samples/logo.png", kImagenes + "/logo.png"));
        QString salida;
        QVERIFY2(Shell(dir.path(),
                       "lpinfo -v | grep -x 'direct velmor' && lpadmin -p Velmor -E "
                       "-v velmor:/Oficina",
                       &salida) == 0,
                 qPrintable(salida));
    }
    void cleanupTestCase() {
        QProcess::execute("lpadmin", {"-x", "Velmor"});
        QFile::remove(kBackend);
        QFile::remove(kImagenes + "/logo.png");
        QFile::remove(kImagenes + "/enlace.png");
    }

    void trabajo_data() {
        QTest::addColumn<QStringList>("f"); // the columns of kTrabajosServidor
        for (const QStringList& f : Filas(kTrabajosServidor, 7))
            QTest::newRow(qPrintable(f[0])) << f;
    }
    void trabajo() {
        QFETCH(QStringList, f);
        const QString c = dir.nueva(), &cola = f[3], &llega = f[6];
        QFile::setPermissions(c, QFile::Permissions(0x7755));
        QString salida, ultimo;
        QVERIFY2(Shell(c, "set -e; " + f[1], &salida) == 0, qPrintable(salida));
        const QString destino = llega == "Almacen" ? "Almacen" : "Oficina";
        const QStringList antes = trabajos(destino);
        QCOMPARE(Shell(c, "ultimo " + cola, &ultimo), 0);
        QVERIFY2(Shell(c, f[2], &salida) == 0, qPrintable(salida));
        QVERIFY2(Shell(c, "fin " + ultimo.trimmed() + " " + cola, &salida) == 0,
                 qPrintable(salida));
        QVERIFY2(salida.section(',', 1, 1) == f[4], qPrintable(salida));
        for (const QString& parte : f[5].split(';', Qt::SkipEmptyParts))
            QVERIFY2(salida.contains(parte), qPrintable(salida));

        if (llega == "nada") QCOMPARE(Shell(c, "echo SIGUIENTE > S.PRT; lp -d Oficina S.PRT"), 0);
        const QString pdf = nuevo(antes, destino);
        QVERIFY(!pdf.isEmpty());
        if (llega == "nada") QCOMPARE(Lee(pdf), QByteArray("SIGUIENTE\n"));
        if (llega == "Almacen") QCOMPARE(Lee(pdf), Lee(c + "/F.PRT"));
        if (llega == "sin imagen") {
            QVERIFY(TextoPdf(pdf).contains("VISIBLE"));
            QCOMPARE(ImagenesPdf(pdf).size(), 0);
        }
        if (llega == "igual") {
            int estado = -1;
            Ejecuta(VELMOR_IMPRIMIR, {"--pdf", c + "/ref.pdf", c + "/F.PRT"}, &estado, nullptr,
                    kImagenes);
            QCOMPARE(estado, 0);
            QCOMPARE(TextoPorPagina(pdf), TextoPorPagina(c + "/ref.pdf"));
            QCOMPARE(ImagenesPdf(pdf).size(), ImagenesPdf(c + "/ref.pdf").size());
        }
    }
};

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    TestServidor t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_servidor.moc"
