// A 1,000-page report (66,000 lines of 80 columns, pitch and bold tags every few lines) printed
// to the PDF printer: pages per second and the process's peak memory; the same text without tags
// through texttopdf (cups-filters) and paps, timed in the same run. SoloQt is what Qt's PDF output
// alone costs for that text: the glyph runs are prepared once and only drawn, in the form the
// printer device draws them, so it is the least any renderer on Qt's PDF output can take.
#include "printing/imprimir_prt.h"
#include "printing/salida_fichero.h"
#include "printing/system_printers.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRawFont>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

QString informe(const QString& carpeta, int paginas, bool conEtiquetas) {
    const QString ruta = carpeta + QString("/informe-%1-%2.prt").arg(paginas).arg(conEtiquetas);
    QFile f(ruta);
    if (!f.exists() && f.open(QIODevice::WriteOnly)) {
        for (int i = 0; i < paginas * 66; ++i) {
            QByteArray linea = QByteArray::number(i).rightJustified(8, '0') +
                               "  ARTICULO DE FERRETERIA GENERAL     1.234,56  EUR  ALMACEN 3 ";
            linea = linea.leftJustified(80, '.');
            if (conEtiquetas && i % 5 == 0) linea = "[N]" + linea + "[n]";
            if (conEtiquetas && i % 7 == 0) linea = (i % 14 ? "{{Elite}}" : "{{Pica}}") + linea;
            f.write(linea + "\r\n");
        }
    }
    return ruta;
}

long picoMemoriaKiB() {
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    return uso.ru_maxrss;
}

void Renderer(benchmark::State& estado) {
    QTemporaryDir dir;
    const int paginas = int(estado.range(0));
    const QString prt = informe(dir.path(), paginas, true);
    ImpresorasSistema impresoras;
    impresoras.hazActual(impresoras.cuenta() - 1); // "Archivo PDF"
    for (auto _ : estado) {
        SalidaFichero salida(dir.filePath("salida.pdf"));
        TrabajoPrt trabajo;
        trabajo.ruta = prt;
        if (!ImprimirPrt(trabajo, impresoras.dispositivo(salida)))
            estado.SkipWithError("print failed");
    }
    estado.counters["paginas_s"] = benchmark::Counter(double(paginas) * double(estado.iterations()),
                                                      benchmark::Counter::kIsRate);
    estado.counters["pico_KiB"] = double(picoMemoriaKiB());
}

void SoloQt(benchmark::State& estado) {
    QTemporaryDir dir;
    const int paginas = int(estado.range(0));
    QFile txt(informe(dir.path(), 1, false));
    if (!txt.open(QIODevice::ReadOnly)) estado.SkipWithError("no text");
    const QList<QByteArray> lineas = txt.readAll().split('\n');
#ifdef __GLIBC__
    // The memory thresholds the printer device sets for Qt's page buffers.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
#endif
    for (auto _ : estado) {
        QPdfWriter pdf(dir.filePath("soloqt.pdf"));
        pdf.setResolution(1200);
        QPainter painter(&pdf);
        QFont fuente(QStringLiteral("Courier New"));
        fuente.setPointSizeF(10);
        fuente.setHintingPreference(QFont::PreferNoHinting);
        const QRawFont raw = QRawFont::fromFont(QFont(fuente, &pdf));
        const qreal celda = raw.advancesForGlyphIndexes(raw.glyphIndexesForString(" "))[0].x();
        QRawFont enCeldas = raw;
        enCeldas.setPixelSize(raw.pixelSize() / celda);
        std::vector<QGlyphRun> runs;
        for (const QByteArray& linea : lineas) {
            const QString texto = QString::fromLatin1(linea.trimmed());
            QList<quint32> indices;
            QList<QPointF> posiciones;
            for (int i = 0; i < texto.size(); ++i)
                if (texto[i] != u' ') {
                    indices << raw.glyphIndexesForString(texto.mid(i, 1));
                    posiciones << QPointF(i, 0);
                }
            runs.emplace_back();
            runs.back().setRawFont(enCeldas);
            runs.back().setGlyphIndexes(indices);
            runs.back().setPositions(posiciones);
        }
        const qreal alto = QFontMetricsF(fuente, &pdf).height();
        for (int p = 0; p < paginas; ++p) {
            if (p) pdf.newPage();
            for (int l = 0; l < 66; ++l) {
                painter.setTransform(QTransform(celda, 0, 0, celda, 0, l * alto + raw.ascent()));
                painter.drawGlyphRun(QPointF(), runs[size_t(l) % runs.size()]);
            }
        }
    }
    estado.counters["paginas_s"] = benchmark::Counter(double(paginas) * double(estado.iterations()),
                                                      benchmark::Counter::kIsRate);
}

// An external converter on the same text without tags; wall time per run.
void Externo(benchmark::State& estado, const QString& programa, const QStringList& previos) {
    QTemporaryDir dir;
    const int paginas = int(estado.range(0));
    const QString txt = informe(dir.path(), paginas, false);
    for (auto _ : estado) {
        QProcess p;
        p.setStandardInputFile(txt);
        p.setStandardOutputFile(dir.filePath("salida.pdf"));
        p.start(programa, previos);
        if (!p.waitForFinished(600000) || p.exitCode() != 0) estado.SkipWithError("failed");
    }
    estado.counters["paginas_s"] = benchmark::Counter(double(paginas) * double(estado.iterations()),
                                                      benchmark::Counter::kIsRate);
}

void TextToPdf(benchmark::State& estado) {
    qputenv("CHARSET", "utf-8");
    Externo(estado, "/usr/lib/cups/filter/texttopdf", {"1", "bench", "informe", "1", ""});
}
// The paps of Debian 12 writes PostScript only (no PDF option): timed as it is.
void Paps(benchmark::State& estado) {
    Externo(estado, "paps", {});
}

} // namespace

BENCHMARK(Renderer)
    ->Arg(1000)
    ->Arg(5000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(SoloQt)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(TextToPdf)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(Paps)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
