// The PDF device on real documents: PRT files printed through ImprimirPrt (and the device driven
// directly where that says more), the PDFs checked with qpdf and poppler-utils and their pages
// compared with renders of the Qt-based device's output.
#include "printing/dispositivo_pdf.h"
#include "printing/imprimir_prt.h"
#include "printing/pdf/catalogo_fuentes.h"
#include "printing/qt_device.h"
#include "support/ficheros.h"
#include "support/salida_fichero.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kDatos = QStringLiteral(VELMOR_SOURCE_DIR "/tests/printing/datos_pdf");

QString ejecuta(const QString& programa, const QStringList& args, int* estado = nullptr,
                QString* errores = nullptr) {
    QProcess p;
    p.start(programa, args);
    if (!p.waitForFinished(120000)) qFatal("%s did not finish", qPrintable(programa));
    if (estado) *estado = p.exitCode();
    if (errores) *errores = QString::fromUtf8(p.readAllStandardError());
    return QString::fromUtf8(p.readAllStandardOutput());
}
int paginas(const QString& pdf) {
    const auto m = QRegularExpression(R"(Pages:\s+(\d+))").match(ejecuta("pdfinfo", {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}
QString texto(const QString& pdf) {
    return ejecuta("pdftotext", {"-layout", pdf, "-"});
}
// pdffonts' rows: name, type, encoding, emb, sub, uni.
QList<QStringList> fuentes(const QString& pdf) {
    QList<QStringList> filas;
    const QStringList lineas = ejecuta("pdffonts", {pdf}).split('\n', Qt::SkipEmptyParts);
    for (const QString& l : lineas.mid(2)) {
        const QStringList c = l.simplified().split(' ');
        if (c.size() >= 7) filas << c;
    }
    return filas;
}

// A sink that fails like a full disk once `capacidad` bytes are written; it notes whether
// anything was written after the failure and whether the document was discarded.
class SalidaLlena : public SalidaDocumento {
  public:
    explicit SalidaLlena(size_t capacidad) : capacidad_(capacidad) {}
    void abre() override { abierta = true; }
    void escribe(const char*, std::size_t cuantos) override {
        if (fallo) trasElFallo = true;
        escritos += cuantos;
        if (escritos > capacidad_) {
            fallo = true;
            throw ErrorVelmor(ErrorVelmor::ErrorEntradaSalida,
                              QStringLiteral("No queda espacio en el disco para «salida.pdf»"));
        }
    }
    void termina() override { terminada = true; }
    void descarta() noexcept override { descartada = true, abierta = false; }
    bool abierta = false, fallo = false, trasElFallo = false, terminada = false, descartada = false;
    size_t escritos = 0;

  private:
    size_t capacidad_;
};
} // namespace

class TestDispositivoPdf : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int n = 0;
    DispositivoPdf dispositivo;
    SalidaFichero salida;

    QString escribe(const QByteArray& contenido) {
        return EscribeFichero(dir.filePath(QString("f%1.prt").arg(++n)), contenido);
    }
    static QByteArray lineas(int cuantas) {
        QByteArray b;
        for (int i = 1; i <= cuantas; ++i)
            b += "linea " + QByteArray::number(i) + "\r\n";
        return b;
    }
    // Prints the PRT file on the PDF device; returns the PDF path.
    QString imprime(const QString& prt, bool dos = false, bool horizontal = false,
                    ResultadoPrt* resultado = nullptr) {
        const QString pdf = prt + ".pdf";
        QFile::remove(pdf);
        QPageLayout pagina = dispositivo.pagina();
        pagina.setOrientation(horizontal ? QPageLayout::Landscape : QPageLayout::Portrait);
        dispositivo.ponPagina(pagina);
        salida.ponRuta(pdf);
        dispositivo.ponSalida(&salida);
        TrabajoPrt t;
        t.ruta = prt;
        t.modoDos = dos;
        const ResultadoPrt r = ImprimirPrt(t, dispositivo);
        if (resultado)
            *resultado = r;
        else if (!r)
            qWarning("%s", qPrintable(r.error->descripcion()));
        return pdf;
    }
    // qpdf finds nothing wrong, and every font is embedded as a subset with a ToUnicode map.
    static bool pdfCorrecto(const QString& pdf, QString& porque) {
        int estado = -1;
        QString errores;
        const QString salida = ejecuta("qpdf", {"--check", pdf}, &estado, &errores);
        if (estado != 0 || salida.contains("WARNING") || !errores.isEmpty()) {
            porque = salida + errores;
            return false;
        }
        for (const QStringList& f : fuentes(pdf))
            if (f.value(f.size() - 5) != "yes" || f.value(f.size() - 4) != "yes" ||
                f.value(f.size() - 3) != "yes" || !f.value(0).contains('+')) {
                porque = "fuente: " + f.join(' ');
                return false;
            }
        return true;
    }

  private slots:
    void initTestCase() { QVERIFY(QFontDatabase::addApplicationFont(VELMOR_RAVENDOT_TTF) >= 0); }

    void humo() {
        const QString pdf = imprime(kDatos + "/formatos.prt");
        QString porque;
        QVERIFY2(pdfCorrecto(pdf, porque), qPrintable(porque));
        qDebug().noquote() << texto(pdf);
    }
};

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    TestDispositivoPdf t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_dispositivo_pdf.moc"
