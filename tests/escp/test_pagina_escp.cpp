// The Epson page surface, end to end through velmor-imprimir: what a file is and what Velmor
// refuses, what counts as printed, malformed commands, form feeds, and the ESC/P page itself on
// the PDF (word positions, pictures, page counts).
#include "markup/lenguaje_impresora.h"
#include "support/ficheros.h"
#include "support/programas.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
QByteArray esc(const QByteArray& resto) {
    return "\x1b" + resto;
}

// A LaserJet report as a DOS program writes it.
QByteArray trabajoPcl() {
    QByteArray f = esc("E") + esc("&l26A") + esc("(s0p10h12v0s0b3T");
    for (int i = 1; i <= 20; ++i)
        f += "Linea " + QByteArray::number(i) + " del informe\r\n";
    return f + "\f" + esc("E");
}
} // namespace

class TestPaginaEscP : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int n = 0;

    QString escribe(const QByteArray& contenido) {
        return EscribeFichero(dir.filePath(QStringLiteral("F%1.PRT").arg(++n)), contenido);
    }
    // Prints with --borrar into a PDF; the exit status, the messages and the PDF.
    int imprime(const QString& prt, QString& errores, QString& pdf, const QStringList& mas = {}) {
        int estado = -1;
        pdf = prt + ".pdf";
        Ejecuta(VELMOR_IMPRIMIR, QStringList{"--borrar", "--pdf", pdf} + mas + QStringList{prt},
                &estado, &errores);
        return estado;
    }

  private slots:
    // Epson codes that look like another language's and are not: never refused.
    void epsonNoSeRechaza_data() {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<int>("lenguaje");
        QTest::newRow("negrita al empezar") << esc("E") + "Total" << int(Lenguaje::EscP);
        QTest::newRow("caracteres propios ESC &")
            << esc("&\x00\x41\x41"_ba) + "x" << int(Lenguaje::EscP);
        QTest::newRow("unidades ESC ( U") << esc("(U\x01\x00\x0a"_ba) + "x" << int(Lenguaje::EscP);
        QTest::newRow("gráfico ESC * 39") << esc("*\x27\x01\x00"_ba) + "abc" << int(Lenguaje::EscP);
        QTest::newRow("marcado con códigos Epson")
            << "{{NegritaOn}}x" + esc("E") + esc("&l2A") + esc("(s3B") << int(Lenguaje::Marcado);
        QTest::newRow("texto llano con corchetes") << "[N]Total 5%!"_ba << int(Lenguaje::Marcado);
    }
    void epsonNoSeRechaza() {
        QFETCH(QByteArray, contenido);
        QFETCH(int, lenguaje);
        QCOMPARE(int(DetectaLenguaje(contenido)), lenguaje);
    }

    // Files Velmor must not print (or cannot): exit 1, the message, the file kept, no PDF. An
    // empty file still counts as printed.
    void rechazados_data() {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<QString>("mensaje"); // parts, "|" between; empty: prints and is deleted
        QTest::newRow("PCL") << trabajoPcl()
                             << "es un trabajo PCL para impresoras láser; Velmor "
                                "no lo imprime. El fichero se conserva.";
        QTest::newRow("PJL") << esc("%-12345X@PJL JOB\r\n@PJL ENTER LANGUAGE=PCL\r\n") +
                                    trabajoPcl()
                             << "es un trabajo PCL";
        QTest::newRow("PJL con PostScript")
            << esc("%-12345X@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%!PS\r\nshowpage\r\n")
            << "es un trabajo PostScript";
        QTest::newRow("PostScript") << "%!PS-Adobe-3.0\n/Courier findfont\nshowpage\n"_ba
                                    << "es un trabajo PostScript";
        QTest::newRow("PDF") << "%PDF-1.4\n%\xe2\xe3\n1 0 obj\n"_ba
                             << "es un documento PDF";
        QTest::newRow("HP-GL/2") << "IN;SP1;PU0,0;PD100,100;"_ba
                                 << "es un trabajo HP-GL/2";
        QTest::newRow("IBM Proprinter")
            << esc(":") + "doce cpi" + esc("[@\x04\x00\x00\x00\x11\x02"_ba) + "alto\r\n"
            << "IBM Proprinter";
        QTest::newRow("1 MB de NUL") << QByteArray(1 << 20, '\0') << "no tiene nada que imprimir";
        QTest::newRow("solo códigos y saltos") << esc("@") + esc("E") + "\r\n\r\n\x07\x0e\f"
                                               << "no tiene nada que imprimir";
        QTest::newRow("ESC ( más largo que el fichero")
            << "linea 1\r\n" + esc("(C\x30\x70"_ba) + "resto del informe\r\n"
            << "ESC ( declara 28720 bytes|orden de impresora mal formada|«$», línea 2)";
        QTest::newRow("ESC * 0x48 0xFF 0xFF al empezar")
            << esc("*\x48\xff\xff"_ba) + QByteArray(150000, 'x')
            << "ESC * declara 393210 bytes|«$», línea 1)";
        QTest::newRow("fichero vacío") << QByteArray() << QString();
        QTest::newRow("línea de 800 KB de ESC E") << QByteArray(800 * 1024 / 2, '\0')
                                                             .replace('\0', "\x1b"
                                                                            "E") +
                                                         "fin"
                                                  << QString();
    }
    void rechazados() {
        QFETCH(QByteArray, contenido);
        QFETCH(QString, mensaje);
        const QString prt = escribe(contenido);
        QString errores, pdf;
        const int estado = imprime(prt, errores, pdf);
        if (mensaje.isEmpty()) {
            QVERIFY2(estado == 0, qPrintable(errores));
            QVERIFY(!QFile::exists(prt));
            return;
        }
        QCOMPARE(estado, 1);
        for (const QString& parte : mensaje.replace("$", prt).split('|'))
            QVERIFY2(errores.contains(parte) && errores.contains(prt), qPrintable(errores));
        QVERIFY(QFile::exists(prt));
        QCOMPARE(QFileInfo(prt).size(), contenido.size());
        QVERIFY(!QFile::exists(pdf));
    }

    // Form feeds as a printer takes them: the paper already at the top of a sheet after a full
    // page; two in a row eject a blank sheet.
    void avancesDePagina_data() {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<QStringList>("paginas"); // each page's text, "" blank
        QByteArray llena;
        for (int i = 1; i <= 66; ++i)
            llena += "l" + QByteArray::number(i) + "\r\n";
        QTest::newRow("página llena y avance al final") << llena + "\f" << QStringList{"*"};
        QTest::newRow("página llena, avance y texto") << llena + "\f\r\nsigue\r\n"
                                                      << QStringList{"*", "sigue"};
        QTest::newRow("dos avances seguidos") << "a\f\fb"_ba << QStringList{"a", "", "b"};
        QTest::newRow("avance, línea y avance")
            << "a\f\r\n\f\r\nb\r\n"_ba << QStringList{"a", "", "b"};
        QTest::newRow("avance al final de la última página") << "a\r\nb\f"_ba << QStringList{"a b"};
    }
    void avancesDePagina() {
        QFETCH(QByteArray, contenido);
        QFETCH(QStringList, paginas);
        QString errores, pdf;
        QVERIFY2(imprime(escribe(contenido), errores, pdf) == 0, qPrintable(errores));
        QCOMPARE(PaginasPdf(pdf), int(paginas.size()));
        for (int i = 0; i < paginas.size(); ++i) {
            if (paginas[i] == "*") continue;
            const QString p = QString::number(i + 1);
            QCOMPARE(Ejecuta("pdftotext", {"-f", p, "-l", p, pdf, "-"}).simplified(), paginas[i]);
        }
    }
};

QTEST_GUILESS_MAIN(TestPaginaEscP)
#include "test_pagina_escp.moc"
