// bench_escp: 1,000 Epson ESC/P pages, each with a 24-dot logo (ESC * 39) and 60 lines of text,
// printed to PDF by velmor-imprimir, against cups-filters' texttopdf on the same text, run
// alternately in the same run: median wall time and peak memory (the process's maximum resident
// set) of each, and the load average before and after (the machine is shared).
// Usage: bench_escp [rounds]
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {
constexpr int kPaginas = 1000, kLineas = 60;

QByteArray linea(int n) {
    return QString::asprintf(
               "%08d  ARTICULO DE FERRETERIA GENERAL     1.234,56  EUR  ALMACEN 3\r\n", n)
        .toLatin1();
}

// The logo: 120 columns of three bytes, a checkerboard of 8-dot squares.
QByteArray logo() {
    QByteArray g("\x1b*\x27\x78\x00", 5);
    for (int c = 0; c < 120; ++c)
        for (int b = 0; b < 3; ++b)
            g += char((c / 8 + b) % 2 ? 0x81 : 0xFF);
    return g + "  FERRETERIA DEL NORTE, S.L.\r\n";
}

void escribe(const QString& ruta, const QByteArray& datos) {
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly) || f.write(datos) != datos.size()) std::abort();
}

struct Medida {
    double segundos = 0;
    long kib = 0;
};

// Runs the program to its end, stdin and stdout from and to the files given.
Medida ejecuta(const std::vector<std::string>& argv, const char* entrada, const char* salida) {
    const auto antes = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open(entrada, O_RDONLY),
                  out = open(salida, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, 0);
        dup2(out, 1);
        const int nulo = open("/dev/null", O_WRONLY);
        dup2(nulo, 2);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    int estado = 0;
    rusage uso{};
    wait4(pid, &estado, 0, &uso);
    if (!WIFEXITED(estado) || WEXITSTATUS(estado) != 0)
        std::fprintf(stderr, "%s terminó con %d\n", argv[0].c_str(), estado);
    const std::chrono::duration<double> t = std::chrono::steady_clock::now() - antes;
    return {t.count(), uso.ru_maxrss};
}

QByteArray cargaMedia() {
    QFile f("/proc/loadavg");
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray("?");
}

Medida mediana(std::vector<Medida> v) {
    std::sort(v.begin(), v.end(), [](auto& a, auto& b) { return a.segundos < b.segundos; });
    Medida m = v[v.size() / 2];
    for (const Medida& x : v)
        m.kib = std::max(m.kib, x.kib);
    return m;
}
} // namespace

int main(int argc, char** argv) {
    const int rondas = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    QTemporaryDir dir;
    QByteArray escp("\x1b@"), plano;
    for (int p = 0; p < kPaginas; ++p) {
        escp += logo();
        plano += "  FERRETERIA DEL NORTE, S.L.\r\n";
        for (int l = 0; l < kLineas; ++l) {
            escp += linea(p * kLineas + l);
            plano += linea(p * kLineas + l);
        }
        escp += '\f';
        plano += '\f';
    }
    const std::string prt = dir.filePath("informe.prt").toStdString();
    const std::string txt = dir.filePath("informe.txt").toStdString();
    const std::string pdf = dir.filePath("velmor.pdf").toStdString();
    const std::string ttp = dir.filePath("texttopdf.pdf").toStdString();
    escribe(QString::fromStdString(prt), escp);
    escribe(QString::fromStdString(txt), plano);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("CHARSET", "utf-8", 1);
    std::printf("carga antes:   %s\n", cargaMedia().constData());
    std::vector<Medida> velmor, texttopdf;
    for (int r = 0; r < rondas; ++r) {
        velmor.push_back(ejecuta({VELMOR_IMPRIMIR, "--pdf", pdf, prt}, "/dev/null", "/dev/null"));
        texttopdf.push_back(
            ejecuta({"/usr/lib/cups/filter/texttopdf", "1", "bench", "informe", "1", ""},
                    txt.c_str(), ttp.c_str()));
    }
    std::printf("carga después: %s\n", cargaMedia().constData());
    const Medida v = mediana(velmor), t = mediana(texttopdf);
    std::printf("%d páginas ESC/P con logo de 24 puntos, %d rondas (mediana; memoria máxima)\n",
                kPaginas, rondas);
    std::printf("velmor-imprimir: %8.3f s %8ld KiB  PDF %lld bytes\n", v.segundos, v.kib,
                QFile(QString::fromStdString(pdf)).size());
    std::printf("texttopdf:       %8.3f s %8ld KiB  PDF %lld bytes\n", t.segundos, t.kib,
                QFile(QString::fromStdString(ttp)).size());
    std::printf("velmor / texttopdf: %.2f x el tiempo\n", v.segundos / t.segundos);
    return 0;
}
