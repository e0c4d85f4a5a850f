// The PDF device and the command-line printer against cups-filters' texttopdf, whole processes in
// one run: 1,000 and 5,000 plain pages, a 3-page report with formats, boxes and a picture, and a
// file naming 20,000 fonts no one has. "Pdf" runs are this program started again on one job
// ("--hijo"), which reports its own peak memory; "Orden" runs are velmor-imprimir itself, whose
// peak memory the parent reads when it ends: pico_KiB. Compresion measures the two deflate
// libraries on a page's content, which chose zlib (see pdf/compresor.h).
#include "printing/dispositivo_pdf.h"
#include "printing/imprimir_prt.h"
#include "printing/salida_fichero.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <libdeflate.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <zlib.h>

extern char** environ;

namespace {

QByteArray lineaInforme(int i) {
    QByteArray linea = QByteArray::number(i).rightJustified(8, '0') +
                       "  ARTICULO DE FERRETERIA GENERAL     1.234,56  EUR  ALMACEN 3 ";
    return linea.leftJustified(80, '.');
}

// Plain text, 66 lines a page: the same file for texttopdf and for the devices.
QString texto(const QString& carpeta, int paginas) {
    const QString ruta = carpeta + QString("/texto-%1.prt").arg(paginas);
    QFile f(ruta);
    if (!f.exists() && f.open(QIODevice::WriteOnly))
        for (int i = 0; i < paginas * 66; ++i)
            f.write(lineaInforme(i) + "\r\n");
    return ruta;
}

// A 3-page invoice-like report: a picture, boxes, bold, underline, pitches, double width.
QString informe(const QString& carpeta) {
    const QString ruta = carpeta + "/informe.prt", logo = carpeta + "/logo.png";
    QImage img(120, 90, QImage::Format_RGB32);
    img.fill(Qt::darkCyan);
    img.save(logo);
    QFile f(ruta);
    if (f.exists() || !f.open(QIODevice::WriteOnly)) return ruta;
    f.write("/IMAGEN/" + logo.toLocal8Bit() + "\r\n[1]FERRETERIA DEL NORTE, S.L.[Z]\r\n");
    for (int i = 0; i < 3 * 66 - 10; ++i) {
        if (i % 20 == 0)
            f.write("\xc9" + QByteArray(70, '\xcd') + "\xbb\r\n[A]Seccion " +
                    QByteArray::number(i / 20) + "[a]\r\n");
        f.write((i % 4 ? "\xba " : "\xba [N]") + lineaInforme(i).left(60) + (i % 4 ? "" : "[n]") +
                (i % 7 ? "" : " [S]Total   [s]") + "\r\n");
        if (i % 33 == 0) f.write("{{Elite}}Nota: precios con IVA incluido.{{Pica}}\r\n");
    }
    return ruta;
}

// 20,000 lines, each in a font of its own name that no one has.
QString nombres(const QString& carpeta) {
    const QString ruta = carpeta + "/fuentes.prt";
    QFile f(ruta);
    if (!f.exists() && f.open(QIODevice::WriteOnly))
        for (int i = 0; i < 20000; ++i)
            f.write("{{*Fuente" + QByteArray::number(i).rightJustified(5, '0') + "}}" +
                    lineaInforme(i) + "\r\n");
    return ruta;
}

long picoMemoriaKiB() {
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    return uso.ru_maxrss;
}

// One job in this process on the PDF device ("pdf"); "nada" only starts Qt, the floor under it.
int hijo(const QString& modo, const QString& prt, const QString& pdf) {
    if (modo == "nada") {
        std::printf("%ld\n", picoMemoriaKiB());
        return 0;
    }
    TrabajoPrt trabajo;
    trabajo.ruta = prt;
    DispositivoPdf dispositivo;
    SalidaFichero salida(pdf);
    dispositivo.ponSalida(&salida);
    if (!ImprimirPrt(trabajo, dispositivo)) return 1;
    std::printf("%ld\n", picoMemoriaKiB());
    return 0;
}

void Proceso(benchmark::State& estado, const QString& modo, const QString& prt, int paginas) {
    QTemporaryDir dir;
    long pico = 0;
    for (auto _ : estado) {
        QProcess p;
        p.start(QCoreApplication::applicationFilePath(),
                {"--hijo", modo, prt, dir.filePath("salida.pdf")});
        if (!p.waitForFinished(600000) || p.exitCode() != 0) estado.SkipWithError("failed");
        pico = qMax(pico, p.readAllStandardOutput().trimmed().toLong());
    }
    estado.counters["paginas_s"] = benchmark::Counter(double(paginas) * double(estado.iterations()),
                                                      benchmark::Counter::kIsRate);
    estado.counters["pico_KiB"] = double(pico);
}

QTemporaryDir& datos() {
    static QTemporaryDir dir;
    return dir;
}

void PdfTexto(benchmark::State& estado) {
    const int paginas = int(estado.range(0));
    Proceso(estado, "pdf", texto(datos().path(), paginas), paginas);
}
// velmor-imprimir --pdf, as a user runs it; its peak memory from wait4.
void Orden(benchmark::State& estado, const QString& prt, int paginas) {
    QTemporaryDir dir;
    const QByteArray programa = VELMOR_IMPRIMIR, opcion = "--pdf",
                     pdf = QFile::encodeName(dir.filePath("salida.pdf")),
                     fichero = QFile::encodeName(prt);
    char* argv[] = {const_cast<char*>(programa.constData()), const_cast<char*>(opcion.constData()),
                    const_cast<char*>(pdf.constData()), const_cast<char*>(fichero.constData()),
                    nullptr};
    long pico = 0;
    for (auto _ : estado) {
        pid_t pid = 0;
        int fin = 0;
        rusage uso{};
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0 ||
            ::wait4(pid, &fin, 0, &uso) != pid || !WIFEXITED(fin) || WEXITSTATUS(fin) != 0)
            estado.SkipWithError("velmor-imprimir failed");
        pico = qMax(pico, uso.ru_maxrss);
    }
    estado.counters["paginas_s"] = benchmark::Counter(double(paginas) * double(estado.iterations()),
                                                      benchmark::Counter::kIsRate);
    estado.counters["pico_KiB"] = double(pico);
}
void OrdenTexto(benchmark::State& estado) {
    const int paginas = int(estado.range(0));
    Orden(estado, texto(datos().path(), paginas), paginas);
}
void PdfInforme(benchmark::State& estado) {
    Proceso(estado, "pdf", informe(datos().path()), 3);
}
void OrdenInforme(benchmark::State& estado) {
    Orden(estado, informe(datos().path()), 3);
}
void Arranque(benchmark::State& estado) {
    Proceso(estado, "nada", {}, 0);
}
// The device's own share of a job: in this process, Qt already started.
void PdfEnProceso(benchmark::State& estado) {
    const int paginas = int(estado.range(0));
    const QString prt = paginas == 3 ? informe(datos().path()) : texto(datos().path(), paginas);
    QTemporaryDir dir;
    DispositivoPdf dispositivo;
    SalidaFichero salida(dir.filePath("salida.pdf"));
    dispositivo.ponSalida(&salida);
    TrabajoPrt trabajo;
    trabajo.ruta = prt;
    for (auto _ : estado)
        if (!ImprimirPrt(trabajo, dispositivo)) estado.SkipWithError("failed");
    estado.counters["paginas_s"] = benchmark::Counter(double(paginas) * double(estado.iterations()),
                                                      benchmark::Counter::kIsRate);
}
void PdfVeinteMilFuentes(benchmark::State& estado) {
    Proceso(estado, "pdf", nombres(datos().path()), 303);
}

// texttopdf on the same plain text; for the report, on its 3 pages of text.
void TextToPdf(benchmark::State& estado) {
    const int paginas = int(estado.range(0));
    const QString txt = texto(datos().path(), paginas);
    qputenv("CHARSET", "utf-8");
    QTemporaryDir dir;
    for (auto _ : estado) {
        QProcess p;
        p.setStandardInputFile(txt);
        p.setStandardOutputFile(dir.filePath("salida.pdf"));
        p.start("/usr/lib/cups/filter/texttopdf", {"1", "bench", "informe", "1", ""});
        if (!p.waitForFinished(600000) || p.exitCode() != 0) estado.SkipWithError("failed");
    }
    estado.counters["paginas_s"] = benchmark::Counter(double(paginas) * double(estado.iterations()),
                                                      benchmark::Counter::kIsRate);
}

// A page's content stream as the device writes it: one show-text operator a line, the glyph
// ids of a plain report's line (range 0) or of varied text (range 2: words drawn at random).
std::string contenidoPagina(bool variado) {
    static const char* palabras[] = {"TORNILLO", "tuerca", "ARANDELA", "1.234,56",   "EUR", "Llave",
                                     "inglesa",  "10\"",   "Candado",  "lat\xa2n",   "50",  "mm",
                                     "ALMACEN",  "3",      "Base",     "imponible:", "IVA", "21%"};
    std::string s;
    uint32_t semilla = 12345;
    for (int l = 0; l < 66; ++l) {
        s += "BT 1 0 0 1 28.4 " + std::to_string(800 - l * 12) + " Tm [(";
        QByteArray linea = lineaInforme(l);
        if (variado) {
            linea.clear();
            while (linea.size() < 80) {
                semilla = semilla * 1103515245 + 12345;
                linea += QByteArray(palabras[(semilla >> 16) % 18]) + ' ';
            }
        }
        for (char c : linea) {
            s += '\0';
            s += char(c - 29);
        }
        s += ")] TJ ET\n";
    }
    return s;
}
void Compresion(benchmark::State& estado) {
    const std::string pagina = contenidoPagina(estado.range(0) >= 2);
    std::string salida(pagina.size() * 2, '\0');
    size_t n = 0;
    libdeflate_compressor* c = libdeflate_alloc_compressor(1);
    for (auto _ : estado) {
        if (estado.range(0) % 2 == 0) {
            uLongf largo = uLongf(salida.size());
            compress2(reinterpret_cast<Bytef*>(salida.data()), &largo,
                      reinterpret_cast<const Bytef*>(pagina.data()), uLong(pagina.size()), 1);
            n = largo;
        } else {
            n = libdeflate_zlib_compress(c, pagina.data(), pagina.size(), salida.data(),
                                         salida.size());
        }
        benchmark::DoNotOptimize(n);
    }
    libdeflate_free_compressor(c);
    estado.SetLabel(std::string(estado.range(0) % 2 == 0 ? "zlib 1" : "libdeflate 1") +
                    (estado.range(0) >= 2 ? ", texto variado" : ", informe"));
    estado.counters["tamano"] = double(n) / double(pagina.size());
    estado.SetBytesProcessed(int64_t(pagina.size()) * estado.iterations());
}

void configura(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);
}

} // namespace

BENCHMARK(PdfTexto)->Arg(1000)->Arg(5000)->Apply(configura);
BENCHMARK(TextToPdf)->Arg(1000)->Arg(3)->Apply(configura);
BENCHMARK(OrdenTexto)->Arg(1000)->Arg(5000)->Apply(configura);
BENCHMARK(PdfInforme)->Apply(configura);
BENCHMARK(OrdenInforme)->Apply(configura);
BENCHMARK(PdfVeinteMilFuentes)->Apply(configura);
BENCHMARK(Arranque)->Apply(configura);
BENCHMARK(PdfEnProceso)->Arg(3)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Compresion)->DenseRange(0, 3);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 5 && std::strcmp(argv[1], "--hijo") == 0) return hijo(argv[2], argv[3], argv[4]);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
